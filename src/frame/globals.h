// The library's whole state: two process-wide objects, created at process attach and
// released at process detach. Neither pointer changes while the library is attached,
// so readers take them without a lock. The log's stream is declared by the log itself.
#pragma once

#include "log/log.h"

class CModemStrings;

extern CModemStrings* g_modemStrings;
