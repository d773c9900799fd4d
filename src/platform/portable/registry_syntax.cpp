#include "platform/portable/registry_syntax.h"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace veltrane::platform {

namespace {

// Wine's one-letter string escapes and what each stands for.
struct SimpleEscape {
    char letter;
    char16_t value;
};
constexpr SimpleEscape kWineEscapes[] = {
    {'[', u'['},  {']', u']'},  {'a', u'\a'}, {'b', u'\b'}, {'e', u'\x1b'},
    {'f', u'\f'}, {'n', u'\n'}, {'r', u'\r'}, {'t', u'\t'}, {'v', u'\v'},
};

// The character a one-letter Wine escape stands for, or null for any other letter.
template <class Ch>
const char16_t* WineEscape(Ch letter) {
    for (const SimpleEscape& escape : kWineEscapes) {
        if (letter == static_cast<unsigned char>(escape.letter)) return &escape.value;
    }
    return nullptr;
}

// Eight bytes of a line at a time: where the first of two characters is among their code
// units, and the code units themselves as UTF-16.
template <class Ch>
struct Words {
    static constexpr std::size_t kUnits = 8 / sizeof(Ch);
    static constexpr std::uint64_t kOnes = ~std::uint64_t{0} / ((1ull << 8 * sizeof(Ch)) - 1);
    static constexpr std::uint64_t kHighs = kOnes << (8 * sizeof(Ch) - 1);

    // How many code units of `w` come before the first that is `a` or `b`.
    static std::size_t Before(std::uint64_t w, char a, char b) {
        // The lowest flag marks a match exactly; a borrow only sets flags above it.
        auto has_zero = [](std::uint64_t x) { return (x - kOnes) & ~x & kHighs; };
        const std::uint64_t hits = has_zero(w ^ (static_cast<unsigned char>(a) * kOnes)) |
                                   has_zero(w ^ (static_cast<unsigned char>(b) * kOnes));
        return hits ? static_cast<std::size_t>(std::countr_zero(hits)) / (8 * sizeof(Ch)) : kUnits;
    }
    static void Store(char16_t* out, std::uint64_t w) {
        if constexpr (sizeof(Ch) == 2) {
            std::memcpy(out, &w, sizeof w);
        } else {
#if defined(__SSE2__)
            const __m128i bytes = _mm_cvtsi64_si128(static_cast<long long>(w));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
#else
            for (std::size_t k = 0; k < kUnits; ++k) out[k] = (w >> 8 * k) & 0xFF;
#endif
        }
    }
};

template <class Ch>
[[noreturn]] void UnknownEscape(Ch letter, const char* what) {
    Fault(std::string("unknown escape '\\") + Quote(Text<Ch>(&letter, 1)) + "' in " + what);
}

}  // namespace

void Fault(std::string reason) {
    throw FileFault{std::move(reason)};
}

template <class Ch>
std::string Quote(Text<Ch> text) {
    constexpr std::size_t kShown = 24;
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
        const auto unit = static_cast<std::make_unsigned_t<Ch>>(text[i]);
        out.push_back(unit >= 0x20 && unit < 0x7F ? static_cast<char>(unit) : '?');
    }
    if (text.size() > kShown) out += "...";
    return out;
}

template <class Ch>
void ExpectEnd(Text<Ch> rest) {
    rest = TrimLeft(rest);
    if (!rest.empty() && rest.front() != Ch(';')) {
        Fault("unexpected text '" + Quote(rest) + "' at the end of the line");
    }
}

bool NextLine(RegistryTextLines& lines, TextLine& line) {
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

template <class Ch>
std::size_t ReadQuoted(Dialect dialect, Text<Ch> line, std::size_t pos, char closing,
                       WideText& text, const char* what) {
    // Never more code units than the line has left: an escape is shorter than its text.
    char16_t* out = text.Reserve(line.size() - pos);
    while (pos < line.size()) {
        // Plain text up to the next backslash or the closing mark, a word at a time: a
        // word is stored whole, the text it holds past the mark is written over later.
        using W = Words<Ch>;
        for (std::uint64_t w; pos + W::kUnits <= line.size();) {
            std::memcpy(&w, line.data() + pos, sizeof w);
            const std::size_t plain = W::Before(w, closing, '\\');
            W::Store(out, w);
            out += plain;
            pos += plain;
            if (plain < W::kUnits) break;
        }
        while (pos < line.size() && line[pos] != Ch(closing) && line[pos] != Ch('\\')) {
            *out++ = static_cast<char16_t>(line[pos++]);
        }
        if (pos == line.size()) break;
        if (line[pos++] == Ch(closing)) {
            text.End(out);
            return pos;
        }
        if (pos >= line.size()) break;
        const Ch e = line[pos++];
        if (e == Ch('\\') || e == Ch('"')) {
            *out++ = static_cast<char16_t>(e);
        } else if (dialect != Dialect::kWine) {
            UnknownEscape(e, what);
        } else if (const char16_t* plain = WineEscape(e)) {
            *out++ = *plain;
        } else if (e == Ch('x')) {
            // \xNNNN: one UTF-16 code unit in up to four hex digits.
            unsigned value = 0;
            std::size_t digits = 0;
            while (digits < 4 && pos < line.size() && HexValue(line[pos]) >= 0) {
                value = value * 16 + static_cast<unsigned>(HexValue(line[pos++]));
                ++digits;
            }
            if (digits == 0) Fault(std::string("'\\x' without hex digits in ") + what);
            *out++ = static_cast<char16_t>(value);
        } else if (e >= Ch('0') && e <= Ch('7')) {
            // Octal, up to three digits: \0 is a NUL.
            unsigned value = e - Ch('0');
            for (int k = 0;
                 k < 2 && pos < line.size() && line[pos] >= Ch('0') && line[pos] <= Ch('7'); ++k) {
                value = value * 8 + (line[pos++] - Ch('0'));
            }
            *out++ = static_cast<char16_t>(value);
        } else {
            UnknownEscape(e, what);
        }
    }
    Fault(std::string("unterminated ") + what);
}

template std::string Quote(Text<char>);
template std::string Quote(Text<char16_t>);
template void ExpectEnd(Text<char>);
template void ExpectEnd(Text<char16_t>);
template std::size_t ReadQuoted(Dialect, Text<char>, std::size_t, char, WideText&, const char*);
template std::size_t ReadQuoted(Dialect, Text<char16_t>, std::size_t, char, WideText&, const char*);

}  // namespace veltrane::platform
