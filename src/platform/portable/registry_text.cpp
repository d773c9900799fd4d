#include "platform/portable/registry_text.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace veltrane::platform {

namespace {

// 0x80-0x9F of Windows-1252; the five bytes it leaves undefined map to themselves.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kRegedit4Header = "REGEDIT4";

std::size_t LineAt(std::string_view bytes, std::size_t offset) {
    return 1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
}

bool Fail(TextDecodeFailure& failure, std::size_t line, std::string reason) {
    failure = {line, std::move(reason)};
    return false;
}

bool DecodeUtf16(std::string_view bytes, std::u16string& text, TextDecodeFailure& failure) {
    text.resize(bytes.size() / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    if (bytes.size() % 2 != 0) {
        const std::size_t line =
            1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n'));
        return Fail(failure, line,
                    "UTF-16 text with an odd number of bytes (" + std::to_string(bytes.size() + 2) +
                        " with its byte-order mark): the file is truncated");
    }
    return true;
}

bool DecodeUtf8(std::string_view bytes, std::u16string& text, TextDecodeFailure& failure) {
    text.clear();
    text.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            text.push_back(b);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            length = 2, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, cp = b & 0x07, min = 0x10000;
        }
        bool ok = length != 0 && i + length <= n;
        for (std::size_t k = 1; ok && k < length; ++k) {
            ok = (p[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        ok = ok && cp >= min && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
        if (!ok) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", b);
            return Fail(failure, LineAt(bytes, i),
                        std::string("invalid UTF-8: byte ") + hex + " starts no valid sequence");
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return true;
}

}  // namespace

char16_t Windows1252Unit(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kWindows1252High[byte - 0x80] : char16_t{byte};
}

bool DecodeRegistryText(std::string_view bytes, std::u16string& text, TextDecodeFailure& failure) {
    if (bytes.starts_with(kUtf16Mark)) return DecodeUtf16(bytes.substr(2), text, failure);
    if (bytes.starts_with(kUtf16BigEndianMark)) {
        return Fail(failure, 1, "UTF-16 big-endian text is not a registry file format");
    }
    if (bytes.starts_with(kUtf8Mark)) return DecodeUtf8(bytes.substr(3), text, failure);
    if (bytes.starts_with(kRegedit4Header)) {
        text.resize(bytes.size());
        std::transform(bytes.begin(), bytes.end(), text.begin(),
                       [](char c) { return Windows1252Unit(static_cast<unsigned char>(c)); });
        return true;
    }
    return DecodeUtf8(bytes, text, failure);
}

}  // namespace veltrane::platform
