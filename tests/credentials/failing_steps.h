// In the credential unit tests the cipher's calls (CryptoAPI and the user's mutex on
// Windows, the scheme's steps elsewhere) are this folder's own definitions: each passes
// its call on, unless the test has made that step fail; then the call is not made and the
// step answers as a refused one would.
#pragma once

#include <string>
#include <vector>

namespace veltrane::testing {

enum class Step : unsigned {
    kCreateContainer,  // "Error 22" (Windows)
    kCreateHash,       // "Error 23"
    kHashData,         // "Error 24"
    kDeriveKey,        // "Error 25"
    kDecrypt,          // "Error 26"
    kDeleteContainer,  // "Error 22-d" (Windows)
    kOpenMutex,        // the user's mutex can be neither created nor opened (Windows)
};

// While it lives, these steps fail in every decryption.
class FailingSteps {
  public:
    explicit FailingSteps(const std::vector<Step>& steps);
    ~FailingSteps();
    FailingSteps(const FailingSteps&) = delete;
    FailingSteps& operator=(const FailingSteps&) = delete;
};

bool StepFails(Step step);

#ifdef _WIN32
// Provider contexts, hashes and keys acquired through the calls and not released yet.
int LiveCryptHandles();
// The name of the mutex last opened through the calls, and the wait last asked for (the
// wait itself is cut to a fraction of a second, so that a time-out costs the tests
// nothing).
std::wstring LastMutexName();
unsigned long LastMutexWaitMilliseconds();
#endif

}  // namespace veltrane::testing
