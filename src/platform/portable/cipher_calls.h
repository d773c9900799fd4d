// The steps of the portable credential cipher, as the cipher makes them: only through
// these functions. The library links cipher_calls.cpp, which passes each one on to the
// scheme; a test program may link its own definitions instead, to make a step fail
// without making it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/portable/credential_cipher_scheme.h"

namespace veltrane::platform::portable::calls {

bool BeginHash(scheme::Sha1& hash);
bool HashData(scheme::Sha1& hash, std::span<const std::uint8_t> data, scheme::Digest& digest);
bool DeriveKey(const scheme::Digest& digest, scheme::Key& key);
bool Decrypt(const scheme::Key& key, std::span<const std::uint8_t> ciphertext,
             std::span<std::uint8_t> plaintext, std::size_t& length);

}  // namespace veltrane::platform::portable::calls
