// UTF-16LE bytes: how the registry's string data, regedit 5 files and the credentials'
// plaintexts store text.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace veltrane {

// Every target is little-endian: a code unit's bytes in memory are already UTF-16LE.
static_assert(std::endian::native == std::endian::little);

// Appends each code unit as two bytes, low byte first.
inline void AppendUtf16Le(std::vector<std::uint8_t>& bytes, std::u16string_view text) {
    const std::size_t at = bytes.size();
    bytes.resize(at + 2 * text.size());
    if (!text.empty()) std::memcpy(bytes.data() + at, text.data(), 2 * text.size());
}

// The bytes of `text` as they lie in memory: its UTF-16LE form, without a copy.
inline std::span<const std::uint8_t> Utf16LeView(std::u16string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), 2 * text.size()};
}

}  // namespace veltrane
