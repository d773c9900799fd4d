// UTF-16LE bytes: how the registry's string data, regedit 5 files and the credentials'
// plaintexts store text.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace veltrane {

// Appends each code unit as two bytes, low byte first.
inline void AppendUtf16Le(std::vector<std::uint8_t>& bytes, std::u16string_view text) {
    bytes.reserve(bytes.size() + 2 * text.size());
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
}

}  // namespace veltrane
