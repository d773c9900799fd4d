#include "frame/veltrane_class.h"

CVeltraneWin32DLL::CVeltraneWin32DLL() = default;

CVeltraneWin32DLL& CVeltraneWin32DLL::operator=(const CVeltraneWin32DLL& /*other*/) {
    return *this;  // nothing to copy
}
