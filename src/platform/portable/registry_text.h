// The lines of a registry file as UTF-16, whatever its encoding on disk: regedit's UTF-16LE
// with a byte-order mark, UTF-8 (with or without a mark), or the 8-bit Windows-1252 of a
// REGEDIT4 export.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace veltrane::platform {

// Why a file is refused; the loader adds the line it stands on unless `line` says one.
struct FileFault {
    std::string reason;
    std::size_t line = 0;
};
[[noreturn]] void Fault(std::string reason);

// One Windows-1252 byte as UTF-16 (REGEDIT4 text and its string data).
char16_t Windows1252Unit(unsigned char byte);

class RegistryLines {
  public:
    // Picks the encoding of the whole file's bytes, which must outlive this; a FileFault
    // when they cannot be such text.
    explicit RegistryLines(std::string_view bytes);

    // The next line without its line end (LF or CR LF); false at the end of the file, a
    // FileFault when the line is no text.
    bool Next(std::u16string& line);
    std::size_t number() const { return number_; }

  private:
    enum class Encoding { kUtf16, kUtf8, kWindows1252 };
    void DecodeUtf8(std::string_view bytes, std::u16string& line) const;

    std::string_view bytes_;  // after the byte-order mark
    std::size_t pos_ = 0;
    std::size_t number_ = 0;
    Encoding encoding_ = Encoding::kUtf8;
};

}  // namespace veltrane::platform
