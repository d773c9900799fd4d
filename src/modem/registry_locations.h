// Where the modem and its profile live, below HKEY_LOCAL_MACHINE.
#pragma once

#include <string_view>

namespace veltrane {

// The device enumeration tree the search walks.
inline constexpr const char16_t* kEnumerationRoot = u"SYSTEM\\CurrentControlSet\\Enum";
// The value that marks a device key, and the text that makes it the modem's.
inline constexpr std::u16string_view kClassValue = u"Class";
inline constexpr const char16_t* kModemClass = u"Modem";
// The modem key's value naming its driver key below the class root.
inline constexpr const char16_t* kDriverValue = u"Driver";
// The class root; the driver text is appended as it stands.
inline constexpr const char16_t* kClassRootPrefix = u"SYSTEM\\CurrentControlSet\\Control\\Class\\";
// The driver key's subkey holding the settings.
inline constexpr const char16_t* kSettingsSubkey = u"\\Settings";

// The scratch buffers' capacities: value data in bytes, names in UTF-16 code units, both
// with the terminator.
inline constexpr unsigned kValueDataBytes = 16384;
inline constexpr unsigned kValueNameUnits = 16384;
inline constexpr unsigned kSubkeyNameUnits = 255;

}  // namespace veltrane
