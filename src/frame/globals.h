// The library's whole state: two process-wide objects, created at process attach and
// released at process detach. Neither pointer changes while the library is attached,
// so readers take them without a lock.
#pragma once

namespace veltrane {
class LogStream;
}
class CModemStrings;

extern veltrane::LogStream* g_logStream;
extern CModemStrings* g_modemStrings;
