#include "allocation_watch.h"

#include <cstdlib>
#include <new>

#include "fake_jni.h"

// ThreadSanitizer's runtime defines operator new itself.
#if defined(__SANITIZE_THREAD__)
#define VELTRANE_RUNTIME_OWNS_NEW 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VELTRANE_RUNTIME_OWNS_NEW 1
#endif
#endif

namespace veltrane::testing {
namespace {

thread_local AllocationWatch t_watch;

bool Watched() {
    return t_watch.armed && !FakeJvm::InsideCall();
}

[[maybe_unused]] void* Allocate(std::size_t size) {
    if (Watched()) {
        if (++t_watch.made == t_watch.fail_at) throw std::bad_alloc();
        ++t_watch.live;
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

[[maybe_unused]] void Free(void* p) noexcept {
    if (p != nullptr && Watched()) --t_watch.live;
    std::free(p);
}

}  // namespace

const AllocationWatch& Watch() {
    return t_watch;
}

Armed::Armed(long fail_at) {
    t_watch = {true, fail_at, 0, 0};
}

Armed::~Armed() {
    t_watch.armed = false;
}

bool WatchAvailable() {
#ifdef VELTRANE_RUNTIME_OWNS_NEW
    return false;
#else
    return true;
#endif
}

}  // namespace veltrane::testing

#ifndef VELTRANE_RUNTIME_OWNS_NEW
void* operator new(std::size_t size) {
    return veltrane::testing::Allocate(size);
}
void* operator new[](std::size_t size) {
    return veltrane::testing::Allocate(size);
}
void operator delete(void* p) noexcept {
    veltrane::testing::Free(p);
}
void operator delete[](void* p) noexcept {
    veltrane::testing::Free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    veltrane::testing::Free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    veltrane::testing::Free(p);
}
#endif
