#include "platform/portable/registry_text.h"

#include <algorithm>
#include <array>
#include <cstdint>
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
// A file is read in pieces of this size (more for a longer line).
constexpr std::size_t kPieceSize = 256 * 1024;

struct Header {
    std::u16string_view line;
    Dialect dialect;
};
constexpr std::array<Header, 3> kHeaders = {{
    {u"Windows Registry Editor Version 5.00", Dialect::kRegedit5},
    {u"REGEDIT4", Dialect::kRegedit4},
    {u"WINE REGISTRY Version 2", Dialect::kWine},
}};

// Whether no byte of `bytes` is above 0x7F; eight at a time, the last eight overlapping
// the ones before where the size is no multiple of eight.
bool IsAscii(std::string_view bytes) {
    std::uint64_t high = 0;
    std::uint64_t word;
    if (bytes.size() < sizeof word) {
        for (const char c : bytes) high |= static_cast<unsigned char>(c);
    } else {
        for (std::size_t i = 0; i + sizeof word <= bytes.size(); i += sizeof word) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            high |= word;
        }
        std::memcpy(&word, bytes.data() + bytes.size() - sizeof word, sizeof word);
        high |= word;
    }
    return (high & 0x8080808080808080ull) == 0;
}

char16_t Utf16Unit(std::string_view bytes, std::size_t at) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                 (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

}  // namespace

char16_t Windows1252Unit(unsigned char byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kWindows1252High[byte - 0x80] : char16_t{byte};
}

bool DialectOfHeader(std::u16string_view line, Dialect& dialect) {
    for (const Header& header : kHeaders) {
        if (line == header.line) {
            dialect = header.dialect;
            return true;
        }
    }
    return false;
}

bool RegistryTextLines::Open(ReadMore read_more, std::size_t size, TextDecodeFailure& failure) {
    read_more_ = std::move(read_more);
    piece_.resize(std::min(size, kPieceSize));
    piece_.resize(Fill(0));
    // UTF-16 of an odd size is refused with the count of its lines: that needs all of it.
    if (size % 2 != 0 && std::string_view(piece_).starts_with(kUtf16Mark)) {
        const std::size_t start = piece_.size();
        piece_.resize(size);
        piece_.resize(Fill(start));
    }
    return Detect(std::string_view(piece_), failure);
}

std::size_t RegistryTextLines::Fill(std::size_t from) {
    while (from < piece_.size()) {
        const std::size_t got = read_more_(piece_.data() + from, piece_.size() - from);
        if (got == 0) break;
        from += got;
    }
    return from;
}

bool RegistryTextLines::More() {
    const std::size_t kept = pos_ < bytes_.size() ? bytes_.size() - pos_ : 0;
    const auto from =
        static_cast<std::size_t>(bytes_.data() + bytes_.size() - kept - piece_.data());
    // A line longer than the piece makes the piece larger.
    if (kept == piece_.size()) piece_.resize(std::max(kPieceSize, 2 * piece_.size()));
    std::memmove(piece_.data(), piece_.data() + from, kept);
    const std::size_t filled = Fill(kept);
    bytes_ = std::string_view(piece_.data(), filled);
    pos_ = 0;
    return filled > kept;
}

bool RegistryTextLines::Detect(std::string_view bytes, TextDecodeFailure& failure) {
    pos_ = 0;
    line_number_ = 0;
    if (bytes.starts_with(kUtf16Mark)) {
        bytes_ = bytes.substr(kUtf16Mark.size());
        encoding_ = Encoding::kUtf16;
        if (bytes_.size() % 2 != 0) {
            std::size_t lines = 1;
            for (std::size_t i = 0; i + 1 < bytes_.size(); i += 2)
                lines += Utf16Unit(bytes_, i) == u'\n';
            failure = {lines, "UTF-16 text with an odd number of bytes (" +
                                  std::to_string(bytes.size()) + "): the file is truncated"};
            return false;
        }
        return true;
    }
    if (bytes.starts_with(kUtf16BigEndianMark)) {
        failure = {1, "UTF-16 big-endian text is not a registry file format"};
        return false;
    }
    if (bytes.starts_with(kUtf8Mark)) {
        bytes_ = bytes.substr(kUtf8Mark.size());
        encoding_ = Encoding::kUtf8;
        return true;
    }
    bytes_ = bytes;
    encoding_ = bytes.starts_with(kRegedit4Header) ? Encoding::kWindows1252 : Encoding::kUtf8;
    return true;
}

RegistryTextLines::Result RegistryTextLines::Next(TextLine& line, TextDecodeFailure& failure) {
    if (pos_ >= bytes_.size() && !More()) return Result::kEnd;
    ++line_number_;
    // The line ends at `end`, searched for from `scanned` bytes past its start on.
    std::size_t scanned = 0;
    std::size_t end;
    while (true) {
        const void* newline =
            std::memchr(bytes_.data() + pos_ + scanned, '\n', bytes_.size() - pos_ - scanned);
        if (!newline) {
            scanned = bytes_.size() - pos_;
            if (More()) continue;
            end = bytes_.size();
            break;
        }
        end = static_cast<std::size_t>(static_cast<const char*>(newline) - bytes_.data());
        // In UTF-16LE the line ends with the code unit 0x000A: the byte 0x0A at an even
        // offset from the line's start, then 0x00 (the text's size is even).
        if (encoding_ != Encoding::kUtf16 || ((end - pos_) % 2 == 0 && bytes_[end + 1] == '\0')) {
            break;
        }
        scanned = end + 1 - pos_;
    }
    line.is_wide = true;
    if (encoding_ == Encoding::kUtf16) {
        // The bytes are UTF-16LE, as the code units are in memory on every target.
        buffer_.resize((end - pos_) / 2);
        std::memcpy(buffer_.data(), bytes_.data() + pos_, buffer_.size() * 2);
        pos_ = end + 2;
    } else {
        std::string_view raw = bytes_.substr(pos_, end - pos_);
        pos_ = end + 1;
        if (IsAscii(raw)) {
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
            line.narrow = raw;
            line.is_wide = false;
            return Result::kLine;
        }
        if (!Widen(raw, failure)) return Result::kUndecodable;
    }
    line.wide = buffer_;
    if (!line.wide.empty() && line.wide.back() == u'\r') line.wide.remove_suffix(1);
    return Result::kLine;
}

bool RegistryTextLines::Widen(std::string_view raw, TextDecodeFailure& failure) {
    if (encoding_ == Encoding::kWindows1252) {
        buffer_.resize(raw.size());
        std::transform(raw.begin(), raw.end(), buffer_.begin(),
                       [](char c) { return Windows1252Unit(static_cast<unsigned char>(c)); });
        return true;
    }
    if (DecodeUtf8Line(raw)) return true;
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(raw[buffer_.size()]));
    failure = {line_number_,
               std::string("invalid UTF-8: byte ") + hex + " starts no valid sequence"};
    return false;
}

// Decodes one line into buffer_; on an invalid sequence returns false with buffer_.size()
// set to the offset of its first byte (the line is all ASCII up to there or decoded).
bool RegistryTextLines::DecodeUtf8Line(std::string_view bytes) {
    buffer_.resize(bytes.size());  // never more code units than bytes
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    char16_t* out = buffer_.data();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            *out++ = b;
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
            buffer_.resize(i);
            return false;
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
    buffer_.resize(static_cast<std::size_t>(out - buffer_.data()));
    return true;
}

}  // namespace veltrane::platform
