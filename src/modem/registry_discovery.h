// The registry reads that fill the modem profile: the walk that finds the modem's device
// key, and the reads of single values and of whole list keys below HKEY_LOCAL_MACHINE.
// Names and data pass through process-wide scratch buffers, so none of this may run on
// two threads at once; the profile is built once, under the loader lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/wide.h"
#include "platform/registry.h"

namespace veltrane {

// Where the modem search stands. Once `found` is set the walk unwinds without opening
// further keys; `driver` holds the text of the modem key's "Driver" value when it could
// be read.
struct ModemSearch {
    bool found = false;
    std::optional<WideString> driver;
};

// Walks the subtree of `parent`\`name` depth first, values before subkeys, and stops at
// the first key whose "Class" value holds "Modem".
void FindModemDriver(const platform::Registry& registry, const platform::RegKey& parent,
                     const char16_t* name, ModemSearch& search);

// The text of value `name` of HKEY_LOCAL_MACHINE\`path`; empty when it cannot be read.
WideString ReadRegString(const platform::Registry& registry, const WideString& path,
                         const char16_t* name);

// The texts of every value of HKEY_LOCAL_MACHINE\`path`, in enumeration order; values
// that cannot be enumerated are left out.
StringList ReadRegStringList(const platform::Registry& registry, const WideString& path);

// Registry data taken as text, whatever its type: UTF-16LE code units up to the first NUL,
// or all of them when there is none. An odd trailing byte is not part of any code unit.
std::size_t TextLength(const std::uint8_t* data, std::uint32_t size);
WideString TextOfData(const std::uint8_t* data, std::uint32_t size);
bool DataHoldsText(const std::uint8_t* data, std::uint32_t size, WideStringView text);

}  // namespace veltrane
