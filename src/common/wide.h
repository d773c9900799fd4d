// The library's text types: UTF-16 on every platform (wchar_t is 32 bits on Linux).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veltrane {

using WideString = std::u16string;
using WideStringView = std::u16string_view;
using StringList = std::vector<WideString>;

}  // namespace veltrane
