// The credential cipher without CryptoAPI: the same scheme through OpenSSL's libcrypto.
// There is no key container here, so "Error 22" and "Error 22-d" cannot occur; each
// other step writes its own line when it fails.
#include <cstring>
#include <mutex>
#include <span>

#include "log/log.h"
#include "platform/credential_cipher.h"
#include "platform/portable/cipher_calls.h"
#include "platform/portable/credential_cipher_scheme.h"

namespace veltrane::platform {
namespace {

using scheme::Secret;
namespace calls = portable::calls;

// Decryptions run one at a time here as well, so both backends behave alike.
constinit std::mutex g_decryptLock;

bool Step(bool ok, const char16_t* message) {
    if (!ok) WriteLog(message);
    return ok;
}

}  // namespace

WideString DecryptCredential(const CredentialCipherText& ciphertext, PassPhrase phrase) {
    std::lock_guard one_at_a_time(g_decryptLock);
    const std::span<const std::uint8_t> phrase_bytes(
        reinterpret_cast<const std::uint8_t*>(phrase.data()), kPassPhraseBytes);
    scheme::Sha1 hash;
    Secret<scheme::kDigestBytes> digest;
    Secret<scheme::kKeyBytes> key;
    Secret<kCredentialCipherBytes> copy;  // this call's own copy of the ciphertext
    Secret<kCredentialCipherBytes> plain;
    std::size_t length = 0;

    if (!Step(calls::BeginHash(hash), u"Error 23\n") ||
        !Step(calls::HashData(hash, phrase_bytes, digest.bytes()), u"Error 24\n") ||
        !Step(calls::DeriveKey(digest.bytes(), key.bytes()), u"Error 25\n")) {
        return {};
    }
    copy.bytes() = ciphertext;
    if (!Step(calls::Decrypt(key.bytes(), copy.bytes(), plain.bytes(), length), u"Error 26\n")) {
        return {};
    }
    WideString result(length / sizeof(char16_t), u'\0');
    std::memcpy(result.data(), plain.bytes().data(), result.size() * sizeof(char16_t));
    return result;
}

void WipeCredential(WideString& text) {
    scheme::Cleanse(text.data(), text.size() * sizeof(char16_t));
    text.clear();
}

}  // namespace veltrane::platform
