// The registry's value types, as Win32 numbers them: the registry file reader, the
// in-memory tree and the INF converter all name them from here.
#pragma once

#include <cstdint>

namespace veltrane {

inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;

}  // namespace veltrane
