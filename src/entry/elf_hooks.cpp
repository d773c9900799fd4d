// Linux: the shared library's load and unload hooks stand in for DllMain. The dynamic
// loader runs them once per process however often the library is opened.
//
// The unload hook runs in two situations. On dlclose nothing of the library can still be
// running, so both objects are freed. Inside exit() other threads go on running, and a
// JVM thread may be in the middle of a native method: there the objects must outlive
// them (Windows has no such case: it ends the other threads before the detach).
#include "frame/lifecycle.h"

extern "C" {
int __cxa_atexit(void (*function)(void*), void* argument, void* dso_handle);
extern void* __dso_handle;
}

namespace {

// Set by this library's exit handler. Inside exit() the exit handlers run before any
// library's unload hook; on dlclose the handlers a library registered run only after its
// own hook (the C runtime finalises them last). Both run on the thread that unloads.
constinit bool g_processExiting = false;

void NoteProcessExit(void*) {
    g_processExiting = true;
}

__attribute__((constructor)) void OnLoad() noexcept {
    // A library cannot refuse its load here; after an out-of-memory failure it stays
    // loaded without a profile, and the profile queries answer as for an empty one.
    veltrane::ProcessAttach();
    __cxa_atexit(NoteProcessExit, nullptr, &__dso_handle);
}

__attribute__((destructor)) void OnUnload() noexcept {
    if (g_processExiting) {
        veltrane::ProcessExit();
    } else {
        veltrane::ProcessDetach();
    }
}

}  // namespace
