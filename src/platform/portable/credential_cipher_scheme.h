// The credential scheme in OpenSSL's libcrypto, step by step, for the library's portable
// backend (decryption) and for the sealing tool (encryption). Each step answers whether
// it worked; what a failure means is the caller's business.
#pragma once

#include <openssl/evp.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace veltrane::platform::scheme {

inline constexpr std::size_t kDigestBytes = 20;  // SHA-1
inline constexpr std::size_t kKeyBytes = 24;     // three-key Triple DES
inline constexpr std::size_t kBlockBytes = 8;

using Digest = std::array<std::uint8_t, kDigestBytes>;
using Key = std::array<std::uint8_t, kKeyBytes>;

// Holds key material and wipes it when it goes.
template <std::size_t N>
class Secret {
  public:
    Secret() = default;
    ~Secret() { Wipe(); }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    std::array<std::uint8_t, N>& bytes() { return bytes_; }
    const std::array<std::uint8_t, N>& bytes() const { return bytes_; }
    void Wipe();

  private:
    std::array<std::uint8_t, N> bytes_{};
};

// An incremental SHA-1: Begin, then Update as often as needed, then Finish.
class Sha1 {
  public:
    Sha1() = default;
    ~Sha1();
    Sha1(const Sha1&) = delete;
    Sha1& operator=(const Sha1&) = delete;

    bool Begin();
    bool Update(std::span<const std::uint8_t> data);
    bool Finish(Digest& digest);

  private:
    EVP_MD_CTX* context_ = nullptr;
};

// CryptDeriveKey's expansion of a digest shorter than the key: the digest XORed into a
// 64-byte block of 0x36 and into one of 0x5C, each block hashed, the two digests joined
// and the first 24 bytes taken. DES parity bits are left as they come; Triple DES
// ignores them.
bool DeriveKey(const Digest& digest, Key& key);

// Digest of the pass phrase's bytes, then the key from it.
bool KeyFromPassPhrase(std::span<const std::uint8_t> phrase, Key& key);

// Triple DES (three keys), cipher-block chaining, zero IV, PKCS #5 padding.
// Decrypt: `length` gets the plaintext's byte count; false when the padding is not valid.
bool Decrypt(const Key& key, std::span<const std::uint8_t> ciphertext,
             std::span<std::uint8_t> plaintext, std::size_t& length);
// Encrypt: ciphertext must hold the plaintext rounded up to the next whole block.
bool Encrypt(const Key& key, std::span<const std::uint8_t> plaintext,
             std::span<std::uint8_t> ciphertext, std::size_t& length);

// Wipes bytes in a way the optimiser keeps.
void Cleanse(void* data, std::size_t size);

template <std::size_t N>
void Secret<N>::Wipe() {
    Cleanse(bytes_.data(), bytes_.size());
}

}  // namespace veltrane::platform::scheme
