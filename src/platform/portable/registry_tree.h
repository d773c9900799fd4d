// An in-memory registry below HKEY_LOCAL_MACHINE that behaves like the Win32 one: keys
// hold subkeys and values; names are matched without regard to letter case; subkeys are
// enumerated in Windows order (ascending by upper-cased name, code unit by code unit) and
// values in the order they were created. A tree is built once (registry_builder.h) and
// never changes afterwards.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "common/registry_value_types.h"

namespace veltrane::platform {

// Limits of the Win32 registry.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;

using veltrane::kRegBinary;
using veltrane::kRegDword;
using veltrane::kRegExpandSz;
using veltrane::kRegLink;
using veltrane::kRegMultiSz;
using veltrane::kRegSz;

// The upper-case form Windows compares names by (ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic); other code units compare as they are.
char16_t FoldWideUnit(char16_t unit);  // of a unit past ASCII
inline char16_t FoldNameUnit(char16_t unit) {
    if (unit >= 0x80) return FoldWideUnit(unit);
    return (unit >= u'a' && unit <= u'z') ? static_cast<char16_t>(unit - 0x20) : unit;
}
inline bool NamesEqual(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldNameUnit(a[i]) != FoldNameUnit(b[i])) return false;
    }
    return true;
}
// How many code units two texts share from their starts; four at a time while they agree.
inline std::size_t CommonLength(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    for (std::uint64_t x, y; i + 4 <= n; i += 4) {
        std::memcpy(&x, a.data() + i, sizeof x);
        std::memcpy(&y, b.data() + i, sizeof y);
        if (x != y) break;
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}
// Windows order of subkey names: <0, 0, >0.
inline int CompareNames(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = CommonLength(a, b); i < n; ++i) {
        const char16_t x = FoldNameUnit(a[i]);
        const char16_t y = FoldNameUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// Names and data of a tree, in large blocks: a tree costs little beyond its text. What is
// written once is never changed, so a frozen tree shares the blocks of its builder.
class TextArena {
  public:
    std::span<std::uint8_t> Allocate(std::size_t size);
    std::size_t bytes() const { return bytes_; }

  private:
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::uint8_t* current_ = nullptr;  // the block small pieces are cut from
    std::size_t used_ = 0;
    std::size_t bytes_ = 0;
};

class RegistryTree {
  public:
    struct Value {
        const char16_t* name;
        const std::uint8_t* data;
        std::uint32_t name_length;  // code units
        std::uint32_t data_size;    // bytes
        std::uint32_t type;

        std::u16string_view Name() const { return {name, name_length}; }
        std::span<const std::uint8_t> Data() const { return {data, data_size}; }
    };

    struct Key {
        const char16_t* name;
        std::uint32_t name_length;
        const Key* link;  // a symbolic link key: opening it opens this one
        std::span<const Key* const> subkeys;
        std::span<const Value> values;

        std::u16string_view Name() const { return {name, name_length}; }
    };

    // An empty registry: a root without subkeys or values.
    RegistryTree();
    RegistryTree(const RegistryTree&) = delete;
    RegistryTree& operator=(const RegistryTree&) = delete;

    const Key* Root() const { return &keys_.front(); }
    // The subkey called `name`, following a link as opening a key does on Windows; the one
    // at `hint` is looked at first.
    const Key* OpenChild(const Key* parent, std::u16string_view name,
                         std::size_t hint = SIZE_MAX) const;
    const Value* FindValue(const Key* key, std::u16string_view name) const;

    // Bytes held by the tree, for measurements.
    std::size_t MemoryUsed() const;

  private:
    friend class RegistryBuilder;

    std::vector<Key> keys_;  // the root first
    std::vector<const Key*> subkeys_;
    std::vector<Value> values_;
    std::shared_ptr<const TextArena> text_;
    // Values as their builder stored them, which spans of keys_ point into.
    std::shared_ptr<const void> builder_values_;
    std::size_t builder_value_bytes_ = 0;
};

}  // namespace veltrane::platform
