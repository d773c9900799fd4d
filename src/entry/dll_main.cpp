// Windows: the loader's notifications. Only the reason code is consulted.
#include <windows.h>

#include "frame/lifecycle.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE /*instance*/, DWORD reason, LPVOID /*reserved*/) noexcept {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            // Out of memory is the one failure; the loader then reports the load failed.
            return veltrane::ProcessAttach() ? TRUE : FALSE;
        case DLL_PROCESS_DETACH:
            veltrane::ProcessDetach();
            return TRUE;
        default:  // thread attach and detach change nothing
            return TRUE;
    }
}
