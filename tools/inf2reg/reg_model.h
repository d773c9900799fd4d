// The keys and values that setup writes below the modem's driver key, in the order it
// creates them: a value written again keeps its first place. Names compare without regard
// to letter case, as the registry's do.
#pragma once

#include <cstdint>
#include <vector>

#include "common/registry_value_types.h"
#include "common/wide.h"

namespace veltrane::inf {

using veltrane::kRegBinary;
using veltrane::kRegDword;
using veltrane::kRegExpandSz;
using veltrane::kRegMultiSz;
using veltrane::kRegNone;
using veltrane::kRegSz;

struct RegValue {
    WideString name;  // empty: the key's default value
    std::uint32_t type;
    std::vector<std::uint8_t> data;
};

struct RegKey {
    std::vector<WideString> path;  // below the driver key; empty for the driver key itself
    std::vector<RegValue> values;
};

class RegModel {
  public:
    RegModel() { keys_.push_back({}); }

    RegKey& Key(const std::vector<WideString>& path);  // created, with its parents, when missing
    RegKey* FindKey(const std::vector<WideString>& path);
    void DeleteKey(const std::vector<WideString>& path);  // and every key below it

    static RegValue* FindValue(RegKey& key, WideStringView name);
    static void SetValue(RegKey& key, RegValue value);
    static void DeleteValue(RegKey& key, WideStringView name);

    const std::vector<RegKey>& keys() const { return keys_; }

  private:
    std::vector<RegKey> keys_;  // in creation order; the driver key first
};

// String data as the registry keeps it: UTF-16LE with a terminating NUL.
std::vector<std::uint8_t> StringData(WideStringView text);
// Multi-string data: each entry with its NUL, and one more NUL at the end.
std::vector<std::uint8_t> MultiStringData(const std::vector<WideString>& entries);
std::vector<WideString> MultiStringEntries(const std::vector<std::uint8_t>& data);

}  // namespace veltrane::inf
