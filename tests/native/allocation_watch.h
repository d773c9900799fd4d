// Allocations that fail on demand: the unit tests replace the global operator new, and a
// test arms it on its own thread for one scope. Its own source file, so that no caller
// sees the replacement's body and inlines it.
#pragma once

namespace veltrane::testing {

// The library's allocations on this thread while armed; the fake VM's own allocations
// stand for the VM's heap and are neither counted nor failed.
struct AllocationWatch {
    bool armed = false;
    long fail_at = 0;  // the nth allocation fails; 0: none does
    long made = 0;     // allocations asked for, failed ones included
    long live = 0;     // allocations not yet freed
};

// This thread's watch.
const AllocationWatch& Watch();

// False where the runtime keeps operator new for itself (ThreadSanitizer): nothing is
// watched there, and the tests that need the watch skip.
bool WatchAvailable();

// Arms the watch for one scope: the fail_at-th allocation throws std::bad_alloc.
class Armed {
  public:
    explicit Armed(long fail_at);
    ~Armed();
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
};

}  // namespace veltrane::testing
