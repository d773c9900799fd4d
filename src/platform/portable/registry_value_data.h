// The data of a value after its '=' in a registry file: "text", dword:, hex:, hex(N):, and
// Wine's str(N):.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/portable/registry_syntax.h"
#include "platform/portable/registry_text.h"

namespace veltrane::platform {

// Decodes the data after a value's '=' and returns its registry type; the bytes last
// until the next call. Hex data continued after a trailing backslash goes on in the next
// lines.
class ValueDataDecoder {
  public:
    ValueDataDecoder(Dialect dialect, RegistryTextLines& lines)
        : dialect_(dialect), lines_(lines) {}

    template <class Ch>
    std::uint32_t Decode(Text<Ch> data);
    std::span<const std::uint8_t> bytes() const { return data_; }

  private:
    template <class Ch>
    void StringData(Text<Ch> data);
    void WidenCodePage();

    Dialect dialect_;
    RegistryTextLines& lines_;
    WideText text_;  // string data, its bytes as they are in memory
    std::vector<std::uint8_t> bytes_;
    std::span<const std::uint8_t> data_;  // the bytes of text_ or bytes_
};

}  // namespace veltrane::platform
