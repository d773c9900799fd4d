// Loading a registry file into a tree: a regedit export ("Windows Registry Editor Version
// 5.00" or "REGEDIT4", keys under HKEY_LOCAL_MACHINE) or a Wine hive ("WINE REGISTRY
// Version 2", keys relative to the machine root, as in a prefix's system.reg). A file is
// taken whole or not at all: any fault gives an empty tree and says where and why.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/portable/registry_tree.h"

namespace veltrane::platform {

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
std::string DescribeRegistryFileError(const RegistryFileError& error);

}  // namespace veltrane::platform
