// An in-memory registry below HKEY_LOCAL_MACHINE that behaves like the Win32 one: names
// match without regard to letter case, subkeys are enumerated in Windows order (ascending
// by upper-cased name, code unit by code unit) and values in the order they were created.
// The loader (registry_file.cpp) builds a tree once; it never changes afterwards.
#pragma once

#include <cstdint>
#include <deque>
#include <memory_resource>
#include <span>
#include <string_view>
#include <vector>

#include "common/registry_value_types.h"

namespace veltrane::platform {

// Limits of the Win32 registry.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;

// Windows compares names by their upper-case form (ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic); other code units compare as they are.
int CompareNames(std::u16string_view a, std::u16string_view b);  // Windows order: <0, 0, >0
inline bool NamesEqual(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && CompareNames(a, b) == 0;
}

class RegistryTree {
  public:
    struct Value {
        std::u16string_view name;
        std::span<const std::uint8_t> data;
        std::uint32_t type;
    };
    struct Key {
        std::u16string_view name = u"";
        const Key* link = nullptr;  // a symbolic link: opening the key opens this one
        std::vector<const Key*> subkeys;
        std::vector<Value> values;
    };

    RegistryTree() : keys_(1) {}  // an empty registry: a root without subkeys or values

    const Key* Root() const { return &keys_.front(); }
    // The subkey called `name`, following a link as opening a key does on Windows.
    static const Key* OpenChild(const Key* parent, std::u16string_view name);
    static const Value* FindValue(const Key* key, std::u16string_view name);
    static const Key* Follow(const Key* key);  // the key a link leads to, or the key itself

  private:
    friend class RegistryFileReader;            // the loader, which builds it
    std::deque<Key> keys_;                      // the root first
    std::pmr::monotonic_buffer_resource text_;  // names and data
};

}  // namespace veltrane::platform
