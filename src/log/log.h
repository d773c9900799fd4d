// WriteLog: the one way to the diagnostic log. The message is written as it stands,
// with nothing added; the caller supplies the line end. Every room of the library may
// use it; it includes nothing of theirs.
#pragma once

#include "log/log_stream.h"

namespace veltrane {

// The log file, relative to the working directory at attach.
#ifdef _WIN32
inline constexpr const char* kLogPath = "log\\VeltraneDll.log";
#else
inline constexpr const char* kLogPath = "log/VeltraneDll.log";
#endif

// message is NUL-terminated. Without an attached library the message is dropped.
void WriteLog(const char16_t* message);

}  // namespace veltrane

// The log's stream: created and released by the load frame, null while detached.
extern veltrane::LogStream* g_logStream;
