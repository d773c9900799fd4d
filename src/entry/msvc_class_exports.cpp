// The class exports under the names a Microsoft-compiler client links against. Such a
// client calls the constructor with `this` in ECX (thiscall) and expects it back in EAX,
// which g++'s own constructor does not do; these two wrappers keep that contract. The
// module definition file exports them under the decorated names.
#include <memory>

#include "frame/veltrane_class.h"

#if defined(__i386__)
#define VELTRANE_THISCALL __attribute__((thiscall))
#else
#define VELTRANE_THISCALL  // one calling convention on x64: `this` comes first
#endif

extern "C" {

void* VELTRANE_THISCALL VeltraneMsvcConstruct(void* self) noexcept {
    std::construct_at(static_cast<CVeltraneWin32DLL*>(self));
    return self;
}

void* VELTRANE_THISCALL VeltraneMsvcAssign(void* self, const void* other) noexcept {
    auto* target = static_cast<CVeltraneWin32DLL*>(self);
    return &(*target = *static_cast<const CVeltraneWin32DLL*>(other));
}

}  // extern "C"
