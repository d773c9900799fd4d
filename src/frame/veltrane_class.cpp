#include "frame/veltrane_class.h"

CVeltraneWin32DLL::CVeltraneWin32DLL() noexcept = default;

CVeltraneWin32DLL& CVeltraneWin32DLL::operator=(const CVeltraneWin32DLL& /*other*/) noexcept {
    return *this;  // nothing to copy
}
