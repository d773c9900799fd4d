#include "frame/log.h"

#include <string_view>

#include "frame/globals.h"

namespace veltrane {

LogStream* WriteLog(const char16_t* message) {
    if (g_logStream != nullptr && message != nullptr) {
        g_logStream->Write(std::u16string_view(message));
    }
    return g_logStream;
}

}  // namespace veltrane
