// The portable cipher's steps for the unit tests: each made for real unless it fails.
#include "failing_steps.h"
#include "platform/portable/cipher_calls.h"

namespace veltrane::platform::portable::calls {

using testing::Step;
using testing::StepFails;

bool BeginHash(scheme::Sha1& hash) {
    return !StepFails(Step::kCreateHash) && hash.Begin();
}

bool HashData(scheme::Sha1& hash, std::span<const std::uint8_t> data, scheme::Digest& digest) {
    return !StepFails(Step::kHashData) && hash.Update(data) && hash.Finish(digest);
}

bool DeriveKey(const scheme::Digest& digest, scheme::Key& key) {
    return !StepFails(Step::kDeriveKey) && scheme::DeriveKey(digest, key);
}

bool Decrypt(const scheme::Key& key, std::span<const std::uint8_t> ciphertext,
             std::span<std::uint8_t> plaintext, std::size_t& length) {
    return !StepFails(Step::kDecrypt) && scheme::Decrypt(key, ciphertext, plaintext, length);
}

}  // namespace veltrane::platform::portable::calls
