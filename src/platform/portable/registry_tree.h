// An in-memory registry below HKEY_LOCAL_MACHINE that behaves like the Win32 one: names
// match without regard to letter case, subkeys are enumerated in Windows order (ascending
// by upper-cased name, code unit by code unit) and values in the order they were created.
// The loader (registry_file.cpp) builds a tree once; it never changes afterwards.
#pragma once

#include <algorithm>
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

// Windows compares names by their upper-case form. These runs of small letters of ASCII,
// Latin-1, Latin Extended-A (every other code unit), Greek and Cyrillic fold to capitals, each
// as {first, last, step, distance to its capital}; every other code unit compares as it is.
inline constexpr int kSmallLetters[][4] = {
    {0x61, 0x7A, 1, -0x20},   {0xE0, 0xF6, 1, -0x20},   {0xF8, 0xFE, 1, -0x20},
    {0xFF, 0xFF, 1, 0x79},    {0x101, 0x12F, 2, -1},    {0x133, 0x137, 2, -1},
    {0x13A, 0x148, 2, -1},    {0x14B, 0x177, 2, -1},    {0x17A, 0x17E, 2, -1},
    {0x3B1, 0x3C1, 1, -0x20}, {0x3C2, 0x3C2, 1, -0x1F}, {0x3C3, 0x3CB, 1, -0x20},
    {0x430, 0x44F, 1, -0x20}, {0x450, 0x45F, 1, -0x50}};
constexpr char16_t FoldNameUnit(char16_t c) {
    if (c < kSmallLetters[0][0]) return c;  // below every run: most names are capitals, digits
    for (const auto& [first, last, step, to_capital] : kSmallLetters)
        if (c >= first && c <= last && (c - first) % step == 0)
            return static_cast<char16_t>(c + to_capital);
    return c;
}

// Windows order: <0, 0, >0.
inline int CompareNames(std::u16string_view a, std::u16string_view b) {
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] == b[i]) continue;  // the same unit: no need to fold it
        const char16_t x = FoldNameUnit(a[i]), y = FoldNameUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}
inline bool NamesEqual(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && CompareNames(a, b) == 0;
}
struct NameLess {
    bool operator()(std::u16string_view a, std::u16string_view b) const {
        return CompareNames(a, b) < 0;
    }
};

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

    // The key a link leads to, or the key itself. A longer chain of links to links than 16
    // is not followed.
    static const Key* Follow(const Key* key) {
        for (int hops = 0; key->link && hops < 16; ++hops) key = key->link;
        return key;
    }
    // The subkey called `name`, following a link as opening a key does on Windows.
    static const Key* OpenChild(const Key* parent, std::u16string_view name) {
        const auto it = std::ranges::lower_bound(parent->subkeys, name, NameLess{},
                                                 [](const Key* k) { return k->name; });
        return it == parent->subkeys.end() || !NamesEqual((*it)->name, name) ? nullptr
                                                                             : Follow(*it);
    }
    static const Value* FindValue(const Key* key, std::u16string_view name) {
        const auto it = std::ranges::find_if(
            key->values, [&](const Value& v) { return NamesEqual(v.name, name); });
        return it == key->values.end() ? nullptr : &*it;
    }

  private:
    friend class RegistryFileReader;            // the loader, which builds it
    std::deque<Key> keys_;                      // the root first
    std::pmr::monotonic_buffer_resource text_;  // names and data
};

}  // namespace veltrane::platform
