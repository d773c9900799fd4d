#include "reg_writer.h"

#include <cstdio>

#include "common/utf16le.h"

namespace veltrane::inf {
namespace {

constexpr WideStringView kHeader = u"Windows Registry Editor Version 5.00\r\n";
constexpr WideStringView kRoot = u"HKEY_LOCAL_MACHINE";
constexpr std::size_t kWrapColumn = 76;  // regedit keeps hex lines within 80 characters

WideString Quoted(WideStringView text) {
    WideString out = u"\"";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out + u"\"";
}

// Text that a quoted string can carry: one NUL at the end and none before it.
bool IsPlainString(const RegValue& value) {
    const auto& data = value.data;
    if (value.type != kRegSz || data.size() < 2 || data.size() % 2 != 0) return false;
    for (std::size_t i = 0; i + 2 < data.size(); i += 2)
        if ((data[i] | data[i + 1]) == 0) return false;
    return (data[data.size() - 2] | data.back()) == 0;
}

WideString Hex(const char* format, unsigned number) {
    char text[16];
    std::snprintf(text, sizeof text, format, number);
    return WideString(text, text + std::char_traits<char>::length(text));
}

WideString ValueLine(const RegValue& value) {
    WideString line = value.name.empty() ? WideString(u"@") : Quoted(value.name);
    line += u'=';
    if (IsPlainString(value)) {
        WideString text;
        for (std::size_t i = 0; i + 2 < value.data.size(); i += 2)
            text += static_cast<char16_t>(value.data[i] | value.data[i + 1] << 8);
        return line + Quoted(text);
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        const unsigned number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                static_cast<unsigned>(value.data[3]) << 24;
        return line + u"dword:" + Hex("%08x", number);
    }
    line +=
        value.type == kRegBinary ? WideString(u"hex:") : u"hex(" + Hex("%x", value.type) + u"):";
    std::size_t column = line.size();
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        if (column >= kWrapColumn) {
            line += u"\\\r\n  ";
            column = 2;
        }
        WideString byte = Hex("%02x", value.data[i]);
        if (i + 1 < value.data.size()) byte += u',';
        line += byte;
        column += byte.size();
    }
    return line;
}

}  // namespace

std::vector<std::uint8_t> RegeditFile(const std::vector<RegKey>& keys) {
    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    AppendUtf16Le(bytes, kHeader);
    for (const RegKey& key : keys) {
        WideString header = u"\r\n[" + WideString(kRoot);
        for (const WideString& name : key.path) header += u"\\" + name;
        AppendUtf16Le(bytes, header + u"]\r\n");
        for (const RegValue& value : key.values) AppendUtf16Le(bytes, ValueLine(value) + u"\r\n");
    }
    AppendUtf16Le(bytes, u"\r\n");
    return bytes;
}

}  // namespace veltrane::inf
