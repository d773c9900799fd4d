// CVeltraneWin32DLL: an exported class with no state and no role at run time; it exists
// for native clients that link against it.
#pragma once

#if defined(__GNUC__) && !defined(_WIN32)
#define VELTRANE_CLASS_EXPORT __attribute__((visibility("default")))
#else
#define VELTRANE_CLASS_EXPORT
#endif

class VELTRANE_CLASS_EXPORT CVeltraneWin32DLL {
  public:
    CVeltraneWin32DLL() noexcept;
    CVeltraneWin32DLL& operator=(const CVeltraneWin32DLL& other) noexcept;
};
