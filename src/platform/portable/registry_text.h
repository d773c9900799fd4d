// The text of a registry file as UTF-16, whatever its encoding on disk: regedit's UTF-16LE
// with a byte-order mark, UTF-8 (with or without a mark), or the 8-bit Windows-1252 of a
// REGEDIT4 export.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrane::platform {

struct TextDecodeFailure {
    std::size_t line;  // 1-based line of the first undecodable byte
    std::string reason;
};

// Fills `text` and returns true, or sets `failure` and returns false.
bool DecodeRegistryText(std::string_view bytes, std::u16string& text, TextDecodeFailure& failure);

// One Windows-1252 byte as UTF-16 (REGEDIT4 text and its string data).
char16_t Windows1252Unit(unsigned char byte);

}  // namespace veltrane::platform
