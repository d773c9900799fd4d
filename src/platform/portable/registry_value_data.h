// The text of a registry file's lines: quoted names and strings with their escapes, and
// the data of a value after its '=' ("text", dword:, hex:, hex(N):, Wine's str(N):).
// Faults are thrown as FileFault; the loader adds where in the file it stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/registry_text.h"

namespace veltrane::platform {

struct FileFault {
    std::string reason;
};
[[noreturn]] void Fault(std::string reason);

bool IsBlank(char16_t c);
std::u16string_view TrimLeft(std::u16string_view s);
std::u16string_view TrimRight(std::u16string_view s);
// A piece of the file for a fault's reason: printable ASCII kept, the rest as '?'.
std::string Quote(std::u16string_view text);
// Only blanks or a comment may follow.
void ExpectEnd(std::u16string_view rest);

// The next line of the file; false at its end.
bool NextLine(RegistryTextLines& lines, std::u16string_view& line);

// Reads an escaped text from `pos` up to `closing` into `out` and returns the position
// after `closing`; `what` names the text in a fault.
std::size_t ReadQuoted(Dialect dialect, std::u16string_view line, std::size_t pos, char16_t closing,
                       std::u16string& out, const char* what);

// Decodes the data after a value's '=' and returns its registry type; the bytes last
// until the next call. Hex data continued after a trailing backslash goes on in the next
// lines.
class ValueDataDecoder {
  public:
    ValueDataDecoder(Dialect dialect, RegistryTextLines& lines)
        : dialect_(dialect), lines_(lines) {}

    std::uint32_t Decode(std::u16string_view data);
    std::span<const std::uint8_t> bytes() const { return data_; }

  private:
    void StringData(std::u16string_view data);
    void WidenCodePage();

    Dialect dialect_;
    RegistryTextLines& lines_;
    std::u16string text_;  // string data, its bytes as they are in memory
    std::vector<std::uint8_t> bytes_;
    std::span<const std::uint8_t> data_;  // the bytes of text_ or bytes_
};

}  // namespace veltrane::platform
