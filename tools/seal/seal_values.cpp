#include "seal_values.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/utf16le.h"
#include "platform/credential_cipher.h"
#include "platform/portable/credential_cipher_scheme.h"

namespace veltrane::seal {
namespace {

using platform::kCredentialCipherBytes;
namespace scheme = platform::scheme;

bool IsPrintableAscii(std::string_view text) {
    for (char c : text) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

// ASCII text as the bytes of its UTF-16LE code units, reserved whole so that no copy of the
// text is left behind in freed memory.
std::vector<std::uint8_t> Utf16LeBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(2 * text.size());
    for (char c : text) {
        const char16_t unit = static_cast<unsigned char>(c);
        AppendUtf16Le(bytes, std::u16string_view(&unit, 1));
    }
    return bytes;
}

bool Seal(const scheme::Key& key, std::string_view text,
          std::uint8_t (&ciphertext)[kCredentialCipherBytes]) {
    std::vector<std::uint8_t> plain = Utf16LeBytes(text);
    std::size_t length = 0;
    bool ok = scheme::Encrypt(key, plain, ciphertext, length) && length == kCredentialCipherBytes;
    scheme::Cleanse(plain.data(), plain.size());
    return ok;
}

std::string ByteList(const std::uint8_t (&bytes)[kCredentialCipherBytes]) {
    std::string list = "{";
    char hex[8];
    for (std::size_t i = 0; i < kCredentialCipherBytes; ++i) {
        std::snprintf(hex, sizeof hex, "%s0x%02X", i == 0 ? "" : ", ", bytes[i]);
        list += hex;
    }
    return list + "},";
}

std::string Literal(std::string_view text) {
    std::string literal = "u\"";
    for (char c : text) {
        if (c == '"' || c == '\\') literal += '\\';
        literal += c;
    }
    return literal + "\",";
}

}  // namespace

std::string CheckCredential(std::string_view what, std::string_view value) {
    if (value.size() < platform::kCredentialMinChars ||
        value.size() > platform::kCredentialMaxChars) {
        return std::string(what) + " must have 4 to 7 characters, not " +
               std::to_string(value.size());
    }
    if (!IsPrintableAscii(value)) {
        return std::string(what) + " may hold only printable ASCII characters";
    }
    return {};
}

std::string CheckPassPhrase(std::string_view phrase) {
    if (phrase.size() != platform::kPassPhraseChars) {
        return "the pass phrase must have exactly 39 characters, not " +
               std::to_string(phrase.size());
    }
    if (!IsPrintableAscii(phrase))
        return "the pass phrase may hold only printable ASCII characters";
    return {};
}

std::optional<std::string> SealedFile(std::string_view user_name, std::string_view password,
                                      std::string_view phrase) {
    scheme::Secret<scheme::kKeyBytes> key;
    std::uint8_t user_cipher[kCredentialCipherBytes] = {};
    std::uint8_t password_cipher[kCredentialCipherBytes] = {};
    if (!scheme::KeyFromPassPhrase(Utf16LeBytes(phrase), key.bytes()) ||
        !Seal(key.bytes(), user_name, user_cipher) ||
        !Seal(key.bytes(), password, password_cipher)) {
        return std::nullopt;
    }
    return "// VeltraneWin32DLL's database credentials, written by veltrane-seal: the user\n"
           "// name and the password enciphered under the pass phrase. Give it to the build\n"
           "// with -DVELTRANE_CREDENTIALS_FILE=<this file>.\n"
           "// user name\n" +
           ByteList(user_cipher) + "\n// password\n" + ByteList(password_cipher) +
           "\n// pass phrase\n" + Literal(phrase) + "\n";
}

}  // namespace veltrane::seal
