// The plaintexts of the committed default credentials (src/jni/credentials.default.inc,
// written by veltrane-seal). A build given another credentials file has
// VELTRANE_DEFAULT_CREDENTIALS 0, and the checks that need these values are skipped.
#pragma once

#include <string_view>

namespace veltrane::testing {

inline constexpr std::u16string_view kDefaultUserName = u"qrdlapp";
inline constexpr std::u16string_view kDefaultPassword = u"M4x!pq9";

}  // namespace veltrane::testing
