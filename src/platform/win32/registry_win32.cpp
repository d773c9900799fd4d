// The registry seam on Windows: the Win32 registry API below HKEY_LOCAL_MACHINE, one call
// per operation, with its status passed through unchanged (codes the seam does not name
// stay distinct from success).
#include <windows.h>

#include "platform/registry.h"

namespace veltrane::platform {
namespace {

RegStatus StatusOf(LSTATUS status) {
    return static_cast<RegStatus>(static_cast<std::uint32_t>(status));
}

LPWSTR Wide(char16_t* text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return reinterpret_cast<LPWSTR>(text);
}

LPCWSTR Wide(const char16_t* text) {
    return reinterpret_cast<LPCWSTR>(text);
}

}  // namespace

void RegKey::Close() {
    if (handle_ != nullptr && owned_) RegCloseKey(static_cast<HKEY>(handle_));
    handle_ = nullptr;
    owned_ = false;
}

Registry::Registry(std::shared_ptr<const void> backend) : backend_(std::move(backend)) {}

Registry Registry::Machine() {
    return Registry();
}

RegKey Registry::Root() const {
    return RegKey(HKEY_LOCAL_MACHINE, false);  // a predefined key: never closed
}

RegStatus Registry::OpenKey(const RegKey& parent, const char16_t* subkey, RegKey& key) const {
    HKEY opened = nullptr;
    LSTATUS status =
        RegOpenKeyExW(static_cast<HKEY>(parent.handle_), Wide(subkey), 0, KEY_READ, &opened);
    key = status == ERROR_SUCCESS ? RegKey(opened, true) : RegKey();
    return StatusOf(status);
}

RegStatus Registry::QueryInfoKey(const RegKey& key, std::uint32_t* subkeys,
                                 std::uint32_t* values) const {
    DWORD subkey_count = 0;
    DWORD value_count = 0;
    LSTATUS status =
        RegQueryInfoKeyW(static_cast<HKEY>(key.handle_), nullptr, nullptr, nullptr, &subkey_count,
                         nullptr, nullptr, &value_count, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
        if (subkeys != nullptr) *subkeys = subkey_count;
        if (values != nullptr) *values = value_count;
    }
    return StatusOf(status);
}

RegStatus Registry::EnumKey(const RegKey& key, std::uint32_t index, char16_t* name,
                            std::uint32_t* name_size) const {
    DWORD size = *name_size;
    LSTATUS status = RegEnumKeyExW(static_cast<HKEY>(key.handle_), index, Wide(name), &size,
                                   nullptr, nullptr, nullptr, nullptr);
    *name_size = size;
    return StatusOf(status);
}

RegStatus Registry::EnumValue(const RegKey& key, std::uint32_t index, char16_t* name,
                              std::uint32_t* name_size, std::uint8_t* data,
                              std::uint32_t* data_size) const {
    DWORD size = *name_size;
    DWORD bytes = data_size != nullptr ? *data_size : 0;
    LSTATUS status = RegEnumValueW(static_cast<HKEY>(key.handle_), index, Wide(name), &size,
                                   nullptr, nullptr, data, data_size != nullptr ? &bytes : nullptr);
    *name_size = size;
    if (data_size != nullptr) *data_size = bytes;
    return StatusOf(status);
}

RegStatus Registry::QueryValue(const RegKey& key, const char16_t* name, std::uint8_t* data,
                               std::uint32_t* data_size) const {
    DWORD bytes = *data_size;
    LSTATUS status = RegQueryValueExW(static_cast<HKEY>(key.handle_), Wide(name), nullptr, nullptr,
                                      data, &bytes);
    *data_size = bytes;
    return StatusOf(status);
}

}  // namespace veltrane::platform
