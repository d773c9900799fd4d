// The registry of a machine with the modem installed, as far as the library reads it: the
// device's instance key below Enum (Class "Modem" and the link to its driver key), the
// modem class key, and the driver key with what setup and the modem class installer write.
#pragma once

#include "modem_inf.h"

namespace veltrane::inf {

struct Installation {
    const ModemInf& inf;
    const ModemModel& model;
    DriverKey driver;
    WideString inf_name;  // the file name setup records in InfPath
    WideString port;      // the device the modem is attached to; empty when not given
};

// Keys below HKEY_LOCAL_MACHINE, in the order a regedit export lists them.
std::vector<RegKey> MachineKeys(Installation installation, InfNotes& notes);

}  // namespace veltrane::inf
