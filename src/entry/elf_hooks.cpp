// Linux: the shared library's load and unload hooks stand in for DllMain. The dynamic
// loader runs them once per process however often the library is opened.
#include "frame/lifecycle.h"

namespace {

__attribute__((constructor)) void OnLoad() {
    // A library cannot refuse its load here; after an out-of-memory failure it stays
    // loaded without a profile, and the profile queries answer as for an empty one.
    veltrane::ProcessAttach();
}

__attribute__((destructor)) void OnUnload() {
    veltrane::ProcessDetach();
}

}  // namespace
