// The credential cipher: one 16-byte ciphertext in, the credential's UTF-16 text out.
//
// The scheme is the same on every platform: the SHA-1 digest of the pass phrase's 78 bytes
// (39 characters as UTF-16LE, no terminator) is expanded into a three-key Triple DES key
// the way CryptDeriveKey expands a digest that is shorter than the key, and the key
// decrypts in cipher-block chaining mode with an all-zero IV and PKCS #5 padding.
//   - Windows (platform/win32): CryptoAPI, in a temporary key container "Veltrane".
//   - Portable (platform/portable): OpenSSL's libcrypto.
// A failing step writes its one line to the diagnostic log and the result is empty.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/wide.h"

namespace veltrane::platform {

static_assert(std::endian::native == std::endian::little,
              "the pass phrase is hashed as the UTF-16LE bytes of its code units");

inline constexpr std::size_t kCredentialCipherBytes = 16;  // two cipher blocks
inline constexpr std::size_t kPassPhraseChars = 39;
inline constexpr std::size_t kPassPhraseBytes = 78;  // what is hashed: no terminator
static_assert(kPassPhraseBytes == kPassPhraseChars * sizeof(char16_t));
// Two blocks carry 8 to 15 plaintext bytes: 4 to 7 UTF-16 code units.
inline constexpr std::size_t kCredentialMinChars = 4;
inline constexpr std::size_t kCredentialMaxChars = 7;

using CredentialCipherText = std::array<std::uint8_t, kCredentialCipherBytes>;
// The pass phrase's 39 code units; their 78 bytes are what is hashed.
using PassPhrase = std::span<const char16_t, kPassPhraseChars>;

// Decrypts one credential under the pass phrase. Empty after a failure, which has then
// been written to the log. Calls within the process run one at a time. On Windows each
// one creates and deletes the same fixed key container of the user's key store, so calls
// of every process of that user take turns under one named mutex; a container found
// there while holding it is a leftover and is replaced.
WideString DecryptCredential(const CredentialCipherText& ciphertext, PassPhrase phrase);

// Overwrites a decrypted credential in a way the optimiser keeps, then empties it.
void WipeCredential(WideString& text);

}  // namespace veltrane::platform
