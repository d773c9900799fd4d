#include "platform/portable/credential_cipher_scheme.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace veltrane::platform::scheme {
namespace {

constexpr std::size_t kHashBlockBytes = 64;
constexpr std::uint8_t kInnerPad = 0x36;
constexpr std::uint8_t kOuterPad = 0x5C;

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

bool HashPadded(const Digest& digest, std::uint8_t pad, std::uint8_t* out) {
    Secret<kHashBlockBytes> block;
    block.bytes().fill(pad);
    for (std::size_t i = 0; i < digest.size(); ++i) block.bytes()[i] ^= digest[i];
    unsigned int size = 0;
    return EVP_Digest(block.bytes().data(), block.bytes().size(), out, &size, EVP_sha1(),
                      nullptr) == 1 &&
           size == kDigestBytes;
}

// The whole run of one direction: init with the key and a zero IV, one update, final.
bool Run(bool encrypt, const Key& key, std::span<const std::uint8_t> in,
         std::span<std::uint8_t> out, std::size_t& length) {
    length = 0;
    std::size_t room = in.size() + (encrypt ? kBlockBytes - in.size() % kBlockBytes : 0);
    if (out.size() < room || in.size() > static_cast<std::size_t>(INT32_MAX) - kBlockBytes ||
        (!encrypt && (in.empty() || in.size() % kBlockBytes != 0))) {
        return false;
    }
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) return false;
    const std::uint8_t iv[kBlockBytes] = {};
    if (EVP_CipherInit_ex(context.get(), EVP_des_ede3_cbc(), nullptr, key.data(), iv,
                          encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(context.get(), 1) != 1) {
        return false;
    }
    int written = 0;
    int last = 0;
    if (EVP_CipherUpdate(context.get(), out.data(), &written, in.data(),
                         static_cast<int>(in.size())) != 1 ||
        EVP_CipherFinal_ex(context.get(), out.data() + written, &last) != 1) {
        Cleanse(out.data(), out.size());
        return false;
    }
    length = static_cast<std::size_t>(written) + static_cast<std::size_t>(last);
    return true;
}

}  // namespace

Sha1::~Sha1() {
    EVP_MD_CTX_free(context_);
}

bool Sha1::Begin() {
    if (context_ == nullptr) context_ = EVP_MD_CTX_new();
    return context_ != nullptr && EVP_DigestInit_ex(context_, EVP_sha1(), nullptr) == 1;
}

bool Sha1::Update(std::span<const std::uint8_t> data) {
    return context_ != nullptr && EVP_DigestUpdate(context_, data.data(), data.size()) == 1;
}

bool Sha1::Finish(Digest& digest) {
    unsigned int size = 0;
    return context_ != nullptr && EVP_DigestFinal_ex(context_, digest.data(), &size) == 1 &&
           size == kDigestBytes;
}

bool DeriveKey(const Digest& digest, Key& key) {
    Secret<2 * kDigestBytes> joined;
    bool ok = HashPadded(digest, kInnerPad, joined.bytes().data()) &&
              HashPadded(digest, kOuterPad, joined.bytes().data() + kDigestBytes);
    if (ok) std::copy_n(joined.bytes().begin(), key.size(), key.begin());
    return ok;
}

bool KeyFromPassPhrase(std::span<const std::uint8_t> phrase, Key& key) {
    Sha1 hash;
    Secret<kDigestBytes> digest;
    return hash.Begin() && hash.Update(phrase) && hash.Finish(digest.bytes()) &&
           DeriveKey(digest.bytes(), key);
}

bool Decrypt(const Key& key, std::span<const std::uint8_t> ciphertext,
             std::span<std::uint8_t> plaintext, std::size_t& length) {
    return Run(false, key, ciphertext, plaintext, length);
}

bool Encrypt(const Key& key, std::span<const std::uint8_t> plaintext,
             std::span<std::uint8_t> ciphertext, std::size_t& length) {
    return Run(true, key, plaintext, ciphertext, length);
}

void Cleanse(void* data, std::size_t size) {
    OPENSSL_cleanse(data, size);
}

}  // namespace veltrane::platform::scheme
