// The registry seam: exactly the five read operations the modem discovery needs, with
// Win32's results and Win32's buffer rules, over two backends:
//   - Windows (platform/win32): the real registry API, passed through.
//   - Portable (platform/portable): an in-memory tree that behaves like the Win32 registry,
//     loaded from the file named by VELTRANE_REGISTRY.
// Everything below HKEY_LOCAL_MACHINE is reached from Registry::Root().
#pragma once

#include <cstdint>
#include <memory>

namespace veltrane::platform {

// The Win32 status codes the discovery distinguishes (same numeric values as Win32).
enum class RegStatus : std::uint32_t {
    kSuccess = 0,        // ERROR_SUCCESS
    kFileNotFound = 2,   // ERROR_FILE_NOT_FOUND: no such key or value
    kMoreData = 234,     // ERROR_MORE_DATA: a name or data does not fit the caller's buffer
    kNoMoreItems = 259,  // ERROR_NO_MORE_ITEMS: index past the end
    kInvalidParameter = 87,
};

// An open key, closed when the object goes. The root (HKEY_LOCAL_MACHINE) is never closed.
class RegKey {
  public:
    RegKey() = default;
    ~RegKey();
    RegKey(RegKey&& other) noexcept;
    RegKey& operator=(RegKey&& other) noexcept;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    bool is_open() const { return handle_ != nullptr; }

  private:
    friend class Registry;
    RegKey(void* handle, bool owned) : handle_(handle), owned_(owned) {}
    void Close();

    void* handle_ = nullptr;  // an HKEY on Windows, a tree node of the portable backend
    bool owned_ = false;
};

// The machine's registry for one discovery run. Sizes are in UTF-16 code units for names
// and in bytes for data, in and out, as in Win32: on entry the buffer's capacity, on
// success the length written (a name without its terminator, data in bytes).
class Registry {
  public:
    // Windows: HKEY_LOCAL_MACHINE. Portable: the tree loaded from VELTRANE_REGISTRY (an
    // empty registry when unset or unreadable; the loader's diagnosis stays with the
    // loader, the library reports nothing).
    static Registry Machine();
    // Over the backend's own state: none on Windows, the in-memory tree of the portable
    // backend (an empty one when null).
    explicit Registry(std::shared_ptr<const void> backend = nullptr);

    RegKey Root() const;

    // RegOpenKeyExW(parent, subkey, 0, KEY_READ): subkey may be a path with backslashes.
    RegStatus OpenKey(const RegKey& parent, const char16_t* subkey, RegKey& key) const;
    // RegQueryInfoKeyW: the numbers of subkeys and of values.
    RegStatus QueryInfoKey(const RegKey& key, std::uint32_t* subkeys, std::uint32_t* values) const;
    // RegEnumKeyExW: the name of subkey `index`, NUL-terminated; no class.
    RegStatus EnumKey(const RegKey& key, std::uint32_t index, char16_t* name,
                      std::uint32_t* name_size) const;
    // RegEnumValueW: the name of value `index` and, when data is not null, its data.
    // The type is never asked for.
    RegStatus EnumValue(const RegKey& key, std::uint32_t index, char16_t* name,
                        std::uint32_t* name_size, std::uint8_t* data,
                        std::uint32_t* data_size) const;
    // RegQueryValueExW: with data null, only the size of the value's data.
    RegStatus QueryValue(const RegKey& key, const char16_t* name, std::uint8_t* data,
                         std::uint32_t* data_size) const;

  private:
    std::shared_ptr<const void> backend_;
};

}  // namespace veltrane::platform
