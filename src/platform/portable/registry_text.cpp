#include "platform/portable/registry_text.h"

#include <array>
#include <cstdio>
#include <cstring>

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

// The UTF-16LE code unit at byte `at`.
char16_t UnitAt(std::string_view bytes, std::size_t at) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                 (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

}  // namespace

void Fault(std::string reason) {
    throw FileFault{std::move(reason)};
}

char16_t Windows1252Unit(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kWindows1252High[byte - 0x80] : char16_t{byte};
}

RegistryLines::RegistryLines(std::string_view bytes) : bytes_(bytes) {
    if (bytes.starts_with(kUtf16Mark)) {
        bytes_.remove_prefix(kUtf16Mark.size());
        encoding_ = Encoding::kUtf16;
        if (bytes_.size() % 2 == 0) return;
        // Refused with the count of its lines, as a bad last line would be.
        std::size_t lines = 1;
        for (std::size_t i = 0; i + 1 < bytes_.size(); i += 2) lines += UnitAt(bytes_, i) == u'\n';
        throw FileFault{"UTF-16 text with an odd number of bytes (" + std::to_string(bytes.size()) +
                            "): the file is truncated",
                        lines};
    }
    if (bytes.starts_with(kUtf16BigEndianMark)) {
        throw FileFault{"UTF-16 big-endian text is not a registry file format", 1};
    }
    if (bytes.starts_with(kUtf8Mark)) {
        bytes_.remove_prefix(kUtf8Mark.size());
    } else if (bytes.starts_with(kRegedit4Header)) {
        encoding_ = Encoding::kWindows1252;
    }
}

bool RegistryLines::Next(std::u16string& line) {
    if (pos_ >= bytes_.size()) return false;
    ++number_;
    const char* const start = bytes_.data() + pos_;
    std::size_t end = pos_;  // of the line's text, then past its line end
    if (encoding_ == Encoding::kUtf16) {
        while (end < bytes_.size() && UnitAt(bytes_, end) != u'\n') end += 2;
        line.resize((end - pos_) / 2);
        if (!line.empty()) std::memcpy(line.data(), start, line.size() * 2);  // UTF-16LE in memory
        pos_ = end + 2;
    } else {
        const void* newline = std::memchr(start, '\n', bytes_.size() - pos_);
        end = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - bytes_.data())
                      : bytes_.size();
        const std::string_view raw(start, end - pos_);
        pos_ = end + 1;
        if (encoding_ == Encoding::kUtf8) {
            DecodeUtf8(raw, line);
        } else {
            line.resize(raw.size());
            for (std::size_t i = 0; i < raw.size(); ++i)
                line[i] = Windows1252Unit(static_cast<unsigned char>(raw[i]));
        }
    }
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    return true;
}

void RegistryLines::DecodeUtf8(std::string_view bytes, std::u16string& line) const {
    line.resize(bytes.size());  // never more code units than bytes
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    char16_t* out = line.data();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            *out++ = b;
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t cp = 0, least = 0;
        if ((b & 0xE0) == 0xC0) {
            length = 2, cp = b & 0x1F, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, cp = b & 0x0F, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, cp = b & 0x07, least = 0x10000;
        }
        bool ok = length != 0 && i + length <= n;
        for (std::size_t k = 1; ok && k < length; ++k) {
            ok = (p[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (!ok || cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", b);
            Fault(std::string("invalid UTF-8: byte ") + hex + " starts no valid sequence");
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *out++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *out++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *out++ = static_cast<char16_t>(cp);
        }
        i += length;
    }
    line.resize(static_cast<std::size_t>(out - line.data()));
}

}  // namespace veltrane::platform
