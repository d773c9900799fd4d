#include "frame/lifecycle.h"

#include <new>

#include "frame/globals.h"
#include "modem/modem_strings.h"

// The profile, the second process-wide object beside the log's stream (log/log.cpp).
// Plain pointers, constant-initialised: the library has no static object with a
// constructor, and these two are the only objects it creates with new.
CModemStrings* g_modemStrings = nullptr;

namespace veltrane {

bool ProcessAttach() noexcept {
    if (g_logStream != nullptr) return true;  // attach runs once per process
    try {
        g_logStream = new LogStream();
        g_logStream->Open(kLogPath);  // a failed open is silent: the stream stays bad
        g_modemStrings = new CModemStrings();
    } catch (...) {  // memory ran out (or discovery failed some other way)
        ProcessDetach();
        return false;
    }
    return true;
}

void ProcessDetach() noexcept {
    if (g_logStream != nullptr) {
        g_logStream->Close();
        delete g_logStream;
        g_logStream = nullptr;
    }
    if (g_modemStrings != nullptr) {
        delete g_modemStrings;
        g_modemStrings = nullptr;
    }
}

void ProcessExit() noexcept {
    if (g_logStream != nullptr) g_logStream->Close();
}

}  // namespace veltrane
