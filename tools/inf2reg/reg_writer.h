// A regedit 5 export ("Windows Registry Editor Version 5.00"): UTF-16LE with a byte-order
// mark and CR LF line ends, keys below HKEY_LOCAL_MACHINE in the order given, values in
// their order.
#pragma once

#include <cstdint>
#include <vector>

#include "reg_model.h"

namespace veltrane::inf {

// Each key's path is below HKEY_LOCAL_MACHINE.
std::vector<std::uint8_t> RegeditFile(const std::vector<RegKey>& keys);

}  // namespace veltrane::inf
