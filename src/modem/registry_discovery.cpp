#include "modem/registry_discovery.h"

#include <cstring>
#include <vector>

#include "modem/registry_locations.h"

namespace veltrane {
namespace {

using platform::Registry;
using platform::RegKey;
using platform::RegStatus;

// Scratch storage of the discovery, allocated once: the walk itself allocates nothing.
// Each result is copied out before the next registry call.
std::uint8_t g_valueData[kValueDataBytes];
char16_t g_valueName[kValueNameUnits];
char16_t g_subkeyName[kSubkeyNameUnits];

bool IsModemKey(const Registry& registry, const RegKey& key, std::uint32_t values) {
    for (std::uint32_t i = 0; i < values; ++i) {
        std::uint32_t name_size = kValueNameUnits;
        std::uint32_t data_size = kValueDataBytes;
        if (registry.EnumValue(key, i, g_valueName, &name_size, g_valueData, &data_size) !=
            RegStatus::kSuccess) {
            continue;
        }
        if (WideStringView(g_valueName, name_size) != kClassValue) continue;
        // Only the first "Class" value counts: a key has one value of each name.
        return DataHoldsText(g_valueData, data_size, kModemClass);
    }
    return false;
}

void ReadDriver(const Registry& registry, const RegKey& key, ModemSearch& search) {
    std::uint32_t data_size = kValueDataBytes;
    RegStatus status = registry.QueryValue(key, kDriverValue, g_valueData, &data_size);
    search.found = true;  // the first modem ends the search, with or without a driver
    if (status == RegStatus::kSuccess) search.driver = TextOfData(g_valueData, data_size);
}

}  // namespace

// The walk recurses once per level; both backends refuse keys more than 512 levels deep.
void FindModemDriver(const Registry& registry, const RegKey& parent, const char16_t* name,
                     ModemSearch& search) {
    RegKey key;
    if (registry.OpenKey(parent, name, key) != RegStatus::kSuccess) return;
    std::uint32_t subkeys = 0;
    std::uint32_t values = 0;
    if (registry.QueryInfoKey(key, &subkeys, &values) != RegStatus::kSuccess) return;

    if (IsModemKey(registry, key, values)) {
        ReadDriver(registry, key, search);
        return;
    }
    for (std::uint32_t j = 0; j < subkeys && !search.found; ++j) {
        std::uint32_t name_size = kSubkeyNameUnits;
        if (registry.EnumKey(key, j, g_subkeyName, &name_size) != RegStatus::kSuccess) continue;
        FindModemDriver(registry, key, g_subkeyName, search);
    }
}

std::size_t TextLength(const std::uint8_t* data, std::uint32_t size) {
    const std::size_t units = size / 2;
    std::size_t length = 0;
    for (; length < units; ++length) {
        char16_t unit;
        std::memcpy(&unit, data + 2 * length, sizeof unit);  // no alignment promise
        if (unit == u'\0') break;
    }
    return length;
}

// Every target is little-endian, so the data's bytes are the code units' bytes.
WideString TextOfData(const std::uint8_t* data, std::uint32_t size) {
    WideString text(TextLength(data, size), u'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(char16_t));
    return text;
}

bool DataHoldsText(const std::uint8_t* data, std::uint32_t size, WideStringView text) {
    return TextLength(data, size) == text.size() &&
           std::memcmp(data, text.data(), text.size() * sizeof(char16_t)) == 0;
}

WideString ReadRegString(const Registry& registry, const WideString& path, const char16_t* name) {
    RegKey key;
    if (registry.OpenKey(registry.Root(), path.c_str(), key) != RegStatus::kSuccess) return {};
    std::uint32_t size = 0;
    if (registry.QueryValue(key, name, nullptr, &size) != RegStatus::kSuccess) return {};
    if (size <= kValueDataBytes) {
        std::uint32_t data_size = kValueDataBytes;
        if (registry.QueryValue(key, name, g_valueData, &data_size) != RegStatus::kSuccess) {
            return {};
        }
        return TextOfData(g_valueData, data_size);
    }
    // A value larger than the scratch buffer is read whole into a buffer of its own size,
    // rather than lost.
    std::vector<std::uint8_t> data(size);
    std::uint32_t data_size = size;
    if (registry.QueryValue(key, name, data.data(), &data_size) != RegStatus::kSuccess) return {};
    return TextOfData(data.data(), data_size);
}

StringList ReadRegStringList(const Registry& registry, const WideString& path) {
    StringList list;
    RegKey key;
    if (registry.OpenKey(registry.Root(), path.c_str(), key) != RegStatus::kSuccess) return list;
    std::uint32_t subkeys = 0;
    std::uint32_t values = 0;
    if (registry.QueryInfoKey(key, &subkeys, &values) != RegStatus::kSuccess) return list;
    for (std::uint32_t i = 0; i < values; ++i) {
        std::uint32_t name_size = kValueNameUnits;
        if (registry.EnumValue(key, i, g_valueName, &name_size, nullptr, nullptr) !=
            RegStatus::kSuccess) {
            continue;
        }
        name_size = kValueNameUnits;
        std::uint32_t data_size = kValueDataBytes;
        if (registry.EnumValue(key, i, g_valueName, &name_size, g_valueData, &data_size) !=
            RegStatus::kSuccess) {
            continue;
        }
        list.push_back(TextOfData(g_valueData, data_size));
    }
    return list;
}

}  // namespace veltrane
