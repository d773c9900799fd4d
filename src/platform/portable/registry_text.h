// The lines of a registry file, whatever its encoding on disk: regedit's UTF-16LE with a
// byte-order mark, UTF-8 (with or without a mark), or the 8-bit Windows-1252 of a REGEDIT4
// export. A line of 8-bit text that is all ASCII is handed on as its bytes; any other line
// is decoded to UTF-16 into one buffer. A file is read in pieces into another, so a large
// file is never held in memory whole.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace veltrane::platform {

// One line without its line end (LF or CR LF): ASCII bytes, or UTF-16 when `is_wide`.
struct TextLine {
    std::string_view narrow;
    std::u16string_view wide;
    bool is_wide = false;
};

// Calls `f` with the line's text as the view it has.
template <class F>
decltype(auto) Visit(const TextLine& line, F&& f) {
    return line.is_wide ? f(line.wide) : f(line.narrow);
}

struct TextDecodeFailure {
    std::size_t line;  // 1-based
    std::string reason;
};

class RegistryTextLines {
  public:
    enum class Result { kLine, kEnd, kUndecodable };

    // Reads up to `room` more bytes of a file into `to`; 0 at its end.
    using ReadMore = std::function<std::size_t(char* to, std::size_t room)>;

    // Starts on a file of `size` bytes and picks its encoding; false (with `failure` set)
    // when the bytes cannot be such text.
    bool Open(ReadMore read_more, std::size_t size, TextDecodeFailure& failure);

    // The next line. Its views last until the next call.
    Result Next(TextLine& line, TextDecodeFailure& failure);

    std::size_t line_number() const { return line_number_; }

  private:
    enum class Encoding { kUtf16, kUtf8, kWindows1252 };

    // The encoding of text that starts with `bytes`.
    bool Detect(std::string_view bytes, TextDecodeFailure& failure);
    // A line of 8-bit text that is not all ASCII into buffer_; false when it is no text.
    bool Widen(std::string_view raw, TextDecodeFailure& failure);
    bool DecodeUtf8Line(std::string_view bytes);
    // Keeps the bytes not yet taken and reads more after them; false at the file's end.
    bool More();
    std::size_t Fill(std::size_t from);

    ReadMore read_more_;
    std::string piece_;  // the part of the file read so far and not yet taken
    std::string_view bytes_;
    std::size_t pos_ = 0;
    std::size_t line_number_ = 0;
    Encoding encoding_ = Encoding::kUtf8;
    std::u16string buffer_;
};

// The kinds of registry file, named by their first line.
enum class Dialect {
    kRegedit5,  // "Windows Registry Editor Version 5.00"
    kRegedit4,  // "REGEDIT4": string data in the 8-bit code page
    kWine,      // "WINE REGISTRY Version 2": keys relative to the machine root
};
// The dialect whose header is `line`; false for any other line.
bool DialectOfHeader(std::u16string_view line, Dialect& dialect);

// One Windows-1252 byte as UTF-16 (REGEDIT4 text and its string data).
char16_t Windows1252Unit(unsigned char byte);

}  // namespace veltrane::platform
