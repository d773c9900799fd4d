// Loading a registry file into a tree: a regedit export (version 5.00 or REGEDIT4, keys under
// HKEY_LOCAL_MACHINE) or a Wine hive (keys below the machine root, as in a prefix's
// system.reg). A file is taken whole or not at all: any fault gives an empty tree and says
// where and why. Only a regular file within the size limit is read, as far as its size at open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/portable/registry_tree.h"

namespace veltrane::platform {

// Windows keeps no hive above 2 GiB, and caps the SYSTEM hive, which holds the keys the
// modem search reads, lower still when it boots; a larger file is no machine's registry.
inline constexpr std::uint64_t kMaxRegistryFileSize = std::uint64_t{2} << 30;

struct RegistryFileError {
    std::string file;
    std::size_t line;  // 1-based; 0 when the file could not be read at all
    std::string reason;
};

struct RegistryFileResult {
    std::shared_ptr<const RegistryTree> tree;  // never null: empty on error
    std::optional<RegistryFileError> error;
};

RegistryFileResult LoadRegistryFile(const std::filesystem::path& path);
RegistryFileResult ParseRegistryText(std::string_view bytes, const std::string& name_for_errors);

// "file:12: unterminated string"
inline std::string DescribeRegistryFileError(const RegistryFileError& error) {
    return error.file + ":" + std::to_string(error.line) + ": " + error.reason;
}

}  // namespace veltrane::platform
