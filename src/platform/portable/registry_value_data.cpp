#include "platform/portable/registry_value_data.h"

#include <algorithm>
#include <cstring>

#include "common/utf16le.h"
#include "platform/portable/registry_tree.h"

namespace veltrane::platform {

namespace {

// Wine's one-letter string escapes and what each stands for.
struct SimpleEscape {
    char16_t letter;
    char16_t value;
};
constexpr SimpleEscape kWineEscapes[] = {
    {u'[', u'['},  {u']', u']'},  {u'a', u'\a'}, {u'b', u'\b'}, {u'e', u'\x1b'},
    {u'f', u'\f'}, {u'n', u'\n'}, {u'r', u'\r'}, {u't', u'\t'}, {u'v', u'\v'},
};

// The character a one-letter Wine escape stands for, or null for any other letter.
const char16_t* WineEscape(char16_t letter) {
    for (const SimpleEscape& escape : kWineEscapes) {
        if (escape.letter == letter) return &escape.value;
    }
    return nullptr;
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// The first position from `pos` on of `a` or `b` in `s`, or its size; four code units at a
// time while none of them is either.
std::size_t FindEither(std::u16string_view s, std::size_t pos, char16_t a, char16_t b) {
    constexpr std::uint64_t kOnes = 0x0001000100010001ull;
    constexpr std::uint64_t kHighs = 0x8000800080008000ull;
    auto has_zero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
    for (std::uint64_t w; pos + 4 <= s.size(); pos += 4) {
        std::memcpy(&w, s.data() + pos, sizeof w);
        if (has_zero(w ^ (a * kOnes)) | has_zero(w ^ (b * kOnes))) break;
    }
    while (pos < s.size() && s[pos] != a && s[pos] != b) ++pos;
    return pos;
}

[[noreturn]] void UnknownEscape(char16_t letter, const char* what) {
    Fault(std::string("unknown escape '\\") + Quote(std::u16string_view(&letter, 1)) + "' in " +
          what);
}

// "N):" after "hex(" or "str(": the type in hex.
std::uint32_t ReadType(std::u16string_view& data) {
    std::uint32_t type = 0;
    std::size_t digits = 0;
    while (digits < data.size() && HexValue(data[digits]) >= 0) {
        if (digits == 8) Fault("value type over 32 bits");
        type = type * 16 + static_cast<std::uint32_t>(HexValue(data[digits]));
        ++digits;
    }
    if (digits == 0 || !data.substr(digits).starts_with(u"):")) {
        Fault("bad value type '" + Quote(data) + "'");
    }
    data.remove_prefix(digits + 2);
    return type;
}

void DwordData(std::u16string_view data, std::vector<std::uint8_t>& bytes) {
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

// Comma-separated bytes, continued on the next line after a trailing backslash.
void HexData(std::u16string_view data, RegistryTextLines& lines, std::vector<std::uint8_t>& bytes) {
    std::size_t i = 0;
    while (true) {
        while (i < data.size() && IsBlank(data[i])) ++i;
        if (i == data.size() || data[i] == u';') break;
        // The usual "xx," in one step.
        if (i + 2 <= data.size() && (i + 2 == data.size() || data[i + 2] == u',')) {
            const int high = HexValue(data[i]);
            const int low = HexValue(data[i + 1]);
            if (high >= 0 && low >= 0) {
                bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
                i += i + 2 == data.size() ? 2 : 3;
                continue;
            }
        }
        if (data[i] == u'\\') {
            if (!TrimLeft(data.substr(i + 1)).empty()) {
                Fault("unexpected text after the continuation '\\'");
            }
            if (!NextLine(lines, data)) Fault("the file ends inside a continued value");
            i = 0;
            continue;
        }
        std::size_t j = i;
        while (j < data.size() && data[j] != u',' && data[j] != u'\\' && data[j] != u';' &&
               !IsBlank(data[j])) {
            ++j;
        }
        const std::u16string_view token = data.substr(i, j - i);
        if (token.empty()) Fault("missing hex byte before ','");
        const int high = HexValue(token[0]);
        const int low = token.size() == 2 ? HexValue(token[1]) : 0;
        if (token.size() > 2 || high < 0 || low < 0) Fault("bad hex byte '" + Quote(token) + "'");
        bytes.push_back(static_cast<std::uint8_t>(token.size() == 2 ? high * 16 + low : high));
        i = j;
        while (i < data.size() && IsBlank(data[i])) ++i;
        if (i < data.size() && data[i] == u',') {
            ++i;
        } else if (i < data.size() && data[i] != u'\\' && data[i] != u';') {
            Fault("expected ',' between hex bytes");
        }
    }
}

}  // namespace

void Fault(std::string reason) {
    throw FileFault{std::move(reason)};
}

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string Quote(std::u16string_view text) {
    constexpr std::size_t kShown = 24;
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
        out.push_back(text[i] >= 0x20 && text[i] < 0x7F ? static_cast<char>(text[i]) : '?');
    }
    if (text.size() > kShown) out += "...";
    return out;
}

void ExpectEnd(std::u16string_view rest) {
    rest = TrimLeft(rest);
    if (!rest.empty() && rest.front() != u';') {
        Fault("unexpected text '" + Quote(rest) + "' at the end of the line");
    }
}

bool NextLine(RegistryTextLines& lines, std::u16string_view& line) {
    TextDecodeFailure failure;
    switch (lines.Next(line, failure)) {
        case RegistryTextLines::Result::kLine:
            return true;
        case RegistryTextLines::Result::kEnd:
            return false;
        case RegistryTextLines::Result::kUndecodable:
            break;
    }
    Fault(failure.reason);
}

std::size_t ReadQuoted(Dialect dialect, std::u16string_view line, std::size_t pos, char16_t closing,
                       std::u16string& out, const char* what) {
    while (pos < line.size()) {
        // Plain text up to the next backslash or the closing mark, in one piece.
        const std::size_t run = FindEither(line, pos, closing, u'\\');
        out.append(line.data() + pos, run - pos);
        pos = run;
        if (pos == line.size()) break;
        if (line[pos++] == closing) return pos;
        if (pos >= line.size()) break;
        const char16_t e = line[pos++];
        if (e == u'\\' || e == u'"') {
            out.push_back(e);
        } else if (dialect != Dialect::kWine) {
            UnknownEscape(e, what);
        } else if (const char16_t* plain = WineEscape(e)) {
            out.push_back(*plain);
        } else if (e == u'x') {
            // \xNNNN: one UTF-16 code unit in up to four hex digits.
            unsigned value = 0;
            std::size_t digits = 0;
            while (digits < 4 && pos < line.size() && HexValue(line[pos]) >= 0) {
                value = value * 16 + static_cast<unsigned>(HexValue(line[pos++]));
                ++digits;
            }
            if (digits == 0) Fault(std::string("'\\x' without hex digits in ") + what);
            out.push_back(static_cast<char16_t>(value));
        } else if (e >= u'0' && e <= u'7') {
            // Octal, up to three digits: \0 is a NUL.
            unsigned value = e - u'0';
            for (int k = 0; k < 2 && pos < line.size() && line[pos] >= u'0' && line[pos] <= u'7';
                 ++k) {
                value = value * 8 + (line[pos++] - u'0');
            }
            out.push_back(static_cast<char16_t>(value));
        } else {
            UnknownEscape(e, what);
        }
    }
    Fault(std::string("unterminated ") + what);
}

void ValueDataDecoder::StringData(std::u16string_view data) {
    text_.clear();
    const std::size_t end = ReadQuoted(dialect_, data, 1, u'"', text_, "string");
    ExpectEnd(data.substr(end));
    text_.push_back(u'\0');
    data_ = Utf16LeView(text_);
}

// REGEDIT4 wrote the text of string types in the 8-bit code page; the registry keeps them
// as UTF-16.
void ValueDataDecoder::WidenCodePage() {
    text_.resize(bytes_.size());
    std::transform(bytes_.begin(), bytes_.end(), text_.begin(), Windows1252Unit);
    data_ = Utf16LeView(text_);
}

std::uint32_t ValueDataDecoder::Decode(std::u16string_view data) {
    std::vector<std::uint8_t>& bytes = bytes_;
    const Dialect dialect = dialect_;
    bytes.clear();
    data_ = {};
    std::uint32_t type = kRegSz;
    if (data.starts_with(u'"')) {
        StringData(data);
    } else if (dialect == Dialect::kWine && data.starts_with(u"str(")) {
        data.remove_prefix(4);
        type = ReadType(data);
        if (!data.starts_with(u'"')) Fault("expected a quoted string after 'str(...):'");
        StringData(data);
    } else if (data.starts_with(u"dword:")) {
        type = kRegDword;
        DwordData(data.substr(6), bytes);
    } else if (data.starts_with(u"hex:")) {
        type = kRegBinary;
        HexData(data.substr(4), lines_, bytes);
    } else if (data.starts_with(u"hex(")) {
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

}  // namespace veltrane::platform
