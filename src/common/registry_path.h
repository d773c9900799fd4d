// Registry paths: key names joined by backslashes ("SYSTEM\\CurrentControlSet\\Enum").
#pragma once

#include <string_view>

namespace veltrane {

// Takes the first key name off `path` and returns it; `path` keeps what follows its
// backslash, and is empty after the last name.
inline std::u16string_view TakeKeyName(std::u16string_view& path) {
    const std::size_t cut = path.find(u'\\');
    const std::u16string_view name = path.substr(0, cut);
    path = cut == std::u16string_view::npos ? std::u16string_view{} : path.substr(cut + 1);
    return name;
}

}  // namespace veltrane
