// WriteLog: the one way to the diagnostic log. The message is written as it stands,
// with nothing added; the caller supplies the line end.
#pragma once

#include "frame/log_stream.h"

namespace veltrane {

// The log file, relative to the working directory at attach.
#ifdef _WIN32
inline constexpr const char* kLogPath = "log\\VeltraneDll.log";
#else
inline constexpr const char* kLogPath = "log/VeltraneDll.log";
#endif

// message is NUL-terminated. Without an attached library the message is dropped.
LogStream* WriteLog(const char16_t* message);

}  // namespace veltrane
