// The syntax shared by a registry file's key and value lines: blanks, comments, quoted
// names and strings with their escapes. Each piece works on a line as it comes, ASCII bytes
// or UTF-16 (the syntax is ASCII either way). Faults are thrown as FileFault; the loader
// adds where in the file it stands.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/portable/registry_text.h"

namespace veltrane::platform {

struct FileFault {
    std::string reason;
};
[[noreturn]] void Fault(std::string reason);

template <class Ch>
using Text = std::basic_string_view<Ch>;

template <class Ch>
bool IsBlank(Ch c) {
    return c == ' ' || c == '\t';
}
template <class Ch>
Text<Ch> TrimLeft(Text<Ch> s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}
template <class Ch>
Text<Ch> TrimRight(Text<Ch> s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}
// Whether `s` is the ASCII text `ascii`, code unit by code unit.
template <class Ch>
bool IsText(Text<Ch> s, std::string_view ascii) {
    return std::equal(s.begin(), s.end(), ascii.begin(), ascii.end(),
                      [](Ch a, char b) { return a == static_cast<unsigned char>(b); });
}
template <class Ch>
bool StartsWith(Text<Ch> s, std::string_view ascii) {
    return s.size() >= ascii.size() && IsText(s.substr(0, ascii.size()), ascii);
}

// The value of each hex digit among the first 256 code units; -1 for any other.
inline constexpr std::array<signed char, 256> kHexDigits = [] {
    std::array<signed char, 256> digits{};
    for (int c = 0; c < 256; ++c) {
        digits[c] = c >= '0' && c <= '9'   ? static_cast<signed char>(c - '0')
                    : c >= 'a' && c <= 'f' ? static_cast<signed char>(c - 'a' + 10)
                    : c >= 'A' && c <= 'F' ? static_cast<signed char>(c - 'A' + 10)
                                           : -1;
    }
    return digits;
}();

template <class Ch>
int HexValue(Ch c) {
    const auto unit = static_cast<std::make_unsigned_t<Ch>>(c);
    if constexpr (sizeof(Ch) == 1) return kHexDigits[unit];
    return unit < kHexDigits.size() ? kHexDigits[unit] : -1;
}

// UTF-16 text written a piece at a time into storage that only grows, so that nothing is
// cleared before it is written.
class WideText {
  public:
    void clear() { size_ = 0; }
    std::u16string_view view() const { return {storage_.data(), size_}; }
    // Room for `n` more code units, to be written from the pointer returned on; End()
    // then takes the text up to where writing stopped.
    char16_t* Reserve(std::size_t n) {
        if (storage_.size() - size_ < n) storage_.resize(std::max(size_ + n, 2 * storage_.size()));
        return storage_.data() + size_;
    }
    void End(const char16_t* end) { size_ = static_cast<std::size_t>(end - storage_.data()); }
    void push_back(char16_t unit) {
        char16_t* at = Reserve(1);
        *at = unit;
        End(at + 1);
    }
    // ASCII bytes widen one to one.
    template <class Ch>
    void Append(Text<Ch> s) {
        End(std::copy(s.begin(), s.end(), Reserve(s.size())));
    }

  private:
    std::u16string storage_;
    std::size_t size_ = 0;
};

// A piece of the file for a fault's reason: printable ASCII kept, the rest as '?'.
template <class Ch>
std::string Quote(Text<Ch> text);
// Only blanks or a comment may follow.
template <class Ch>
void ExpectEnd(Text<Ch> rest);

// The next line of the file; false at its end.
bool NextLine(RegistryTextLines& lines, TextLine& line);

// Reads an escaped text from `pos` up to `closing` into `out` and returns the position
// after `closing`; `what` names the text in a fault.
template <class Ch>
std::size_t ReadQuoted(Dialect dialect, Text<Ch> line, std::size_t pos, char closing, WideText& out,
                       const char* what);

}  // namespace veltrane::platform
