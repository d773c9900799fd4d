// The portable cipher's steps, each passed straight on to the scheme.
#include "platform/portable/cipher_calls.h"

namespace veltrane::platform::portable::calls {

bool BeginHash(scheme::Sha1& hash) {
    return hash.Begin();
}

bool HashData(scheme::Sha1& hash, std::span<const std::uint8_t> data, scheme::Digest& digest) {
    return hash.Update(data) && hash.Finish(digest);
}

bool DeriveKey(const scheme::Digest& digest, scheme::Key& key) {
    return scheme::DeriveKey(digest, key);
}

bool Decrypt(const scheme::Key& key, std::span<const std::uint8_t> ciphertext,
             std::span<std::uint8_t> plaintext, std::size_t& length) {
    return scheme::Decrypt(key, ciphertext, plaintext, length);
}

}  // namespace veltrane::platform::portable::calls
