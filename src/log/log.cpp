#include "log/log.h"

#include <string_view>

// Constant-initialised: the load frame sets it at attach and clears it at detach.
veltrane::LogStream* g_logStream = nullptr;

namespace veltrane {

void WriteLog(const char16_t* message) {
    if (g_logStream != nullptr && message != nullptr) {
        g_logStream->Write(std::u16string_view(message));
    }
}

}  // namespace veltrane
