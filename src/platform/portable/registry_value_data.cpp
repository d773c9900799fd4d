#include "platform/portable/registry_value_data.h"

#include <algorithm>

#include "common/utf16le.h"
#include "platform/portable/registry_tree.h"

namespace veltrane::platform {

namespace {

// "N):" after "hex(" or "str(": the type in hex.
template <class Ch>
std::uint32_t ReadType(Text<Ch>& data) {
    std::uint32_t type = 0;
    std::size_t digits = 0;
    while (digits < data.size() && HexValue(data[digits]) >= 0) {
        if (digits == 8) Fault("value type over 32 bits");
        type = type * 16 + static_cast<std::uint32_t>(HexValue(data[digits]));
        ++digits;
    }
    if (digits == 0 || !StartsWith(data.substr(digits), "):")) {
        Fault("bad value type '" + Quote(data) + "'");
    }
    data.remove_prefix(digits + 2);
    return type;
}

template <class Ch>
void DwordData(Text<Ch> data, std::vector<std::uint8_t>& bytes) {
    std::uint32_t value = 0;
    std::size_t digits = 0;
    while (digits < data.size() && HexValue(data[digits]) >= 0) {
        value = (value << 4) | static_cast<std::uint32_t>(HexValue(data[digits]));
        ++digits;
    }
    if (digits == 0 || digits > 8) Fault("bad dword '" + Quote(data) + "'");
    ExpectEnd(data.substr(digits));
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// The comma-separated bytes of one line; true when a trailing backslash continues them
// on the next line.
template <class Ch>
bool HexLine(Text<Ch> data, std::vector<std::uint8_t>& bytes) {
    std::size_t i = 0;
    while (true) {
        // The usual "xx," (or "xx" at the end) in one step each.
        while (i + 2 <= data.size() && (i + 2 == data.size() || data[i + 2] == Ch(','))) {
            const int high = HexValue(data[i]);
            const int low = HexValue(data[i + 1]);
            if ((high | low) < 0) break;
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
            i = std::min(i + 3, data.size());
        }
        while (i < data.size() && IsBlank(data[i])) ++i;
        if (i == data.size() || data[i] == Ch(';')) return false;
        if (data[i] == Ch('\\')) {
            if (!TrimLeft(data.substr(i + 1)).empty()) {
                Fault("unexpected text after the continuation '\\'");
            }
            return true;
        }
        std::size_t j = i;
        while (j < data.size() && data[j] != Ch(',') && data[j] != Ch('\\') && data[j] != Ch(';') &&
               !IsBlank(data[j])) {
            ++j;
        }
        const Text<Ch> token = data.substr(i, j - i);
        if (token.empty()) Fault("missing hex byte before ','");
        const int high = HexValue(token[0]);
        const int low = token.size() == 2 ? HexValue(token[1]) : 0;
        if (token.size() > 2 || high < 0 || low < 0) Fault("bad hex byte '" + Quote(token) + "'");
        bytes.push_back(static_cast<std::uint8_t>(token.size() == 2 ? high * 16 + low : high));
        i = j;
        while (i < data.size() && IsBlank(data[i])) ++i;
        if (i < data.size() && data[i] == Ch(',')) {
            ++i;
        } else if (i < data.size() && data[i] != Ch('\\') && data[i] != Ch(';')) {
            Fault("expected ',' between hex bytes");
        }
    }
}

// Hex bytes from `data` on, through every continued line.
template <class Ch>
void HexData(Text<Ch> data, RegistryTextLines& lines, std::vector<std::uint8_t>& bytes) {
    for (bool more = HexLine(data, bytes); more;) {
        TextLine next;
        if (!NextLine(lines, next)) Fault("the file ends inside a continued value");
        more = Visit(next, [&bytes](auto line) { return HexLine(line, bytes); });
    }
}

}  // namespace

template <class Ch>
void ValueDataDecoder::StringData(Text<Ch> data) {
    text_.clear();
    const std::size_t end = ReadQuoted(dialect_, data, 1, '"', text_, "string");
    ExpectEnd(data.substr(end));
    text_.push_back(u'\0');
    data_ = Utf16LeView(text_.view());
}

// REGEDIT4 wrote the text of string types in the 8-bit code page; the registry keeps them
// as UTF-16.
void ValueDataDecoder::WidenCodePage() {
    text_.clear();
    text_.End(std::transform(bytes_.begin(), bytes_.end(), text_.Reserve(bytes_.size()),
                             Windows1252Unit));
    data_ = Utf16LeView(text_.view());
}

template <class Ch>
std::uint32_t ValueDataDecoder::Decode(Text<Ch> data) {
    std::vector<std::uint8_t>& bytes = bytes_;
    const Dialect dialect = dialect_;
    bytes.clear();
    data_ = {};
    std::uint32_t type = kRegSz;
    if (StartsWith(data, "\"")) {
        StringData(data);
    } else if (dialect == Dialect::kWine && StartsWith(data, "str(")) {
        data.remove_prefix(4);
        type = ReadType(data);
        if (!StartsWith(data, "\"")) Fault("expected a quoted string after 'str(...):'");
        StringData(data);
    } else if (StartsWith(data, "dword:")) {
        type = kRegDword;
        DwordData(data.substr(6), bytes);
    } else if (StartsWith(data, "hex:")) {
        type = kRegBinary;
        HexData(data.substr(4), lines_, bytes);
    } else if (StartsWith(data, "hex(")) {
        data.remove_prefix(4);
        type = ReadType(data);
        HexData(data, lines_, bytes);
        if (dialect == Dialect::kRegedit4 &&
            (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
            WidenCodePage();
        }
    } else {
        Fault("unknown value data '" + Quote(data) + "'");
    }
    if (data_.empty()) data_ = bytes;  // string data is never empty: it has its NUL
    return type;
}

template std::uint32_t ValueDataDecoder::Decode(Text<char>);
template std::uint32_t ValueDataDecoder::Decode(Text<char16_t>);

}  // namespace veltrane::platform
