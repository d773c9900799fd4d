#include "reg_model.h"

#include <algorithm>

#include "common/utf16le.h"
#include "inf_text.h"

namespace veltrane::inf {
namespace {

bool SamePath(const std::vector<WideString>& a, const std::vector<WideString>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](const auto& x, const auto& y) { return SameName(x, y); });
}

bool IsBelow(const std::vector<WideString>& path, const std::vector<WideString>& top) {
    return path.size() >= top.size() &&
           SamePath(std::vector<WideString>(path.begin(), path.begin() + top.size()), top);
}

}  // namespace

RegKey* RegModel::FindKey(const std::vector<WideString>& path) {
    for (RegKey& key : keys_)
        if (SamePath(key.path, path)) return &key;
    return nullptr;
}

RegKey& RegModel::Key(const std::vector<WideString>& path) {
    for (std::size_t depth = 1; depth <= path.size(); ++depth) {
        const std::vector<WideString> parent(path.begin(), path.begin() + depth);
        if (!FindKey(parent)) keys_.push_back({parent, {}});
    }
    return *FindKey(path);
}

void RegModel::DeleteKey(const std::vector<WideString>& path) {
    std::erase_if(keys_,
                  [&](const RegKey& key) { return !key.path.empty() && IsBelow(key.path, path); });
}

RegValue* RegModel::FindValue(RegKey& key, WideStringView name) {
    for (RegValue& value : key.values)
        if (SameName(value.name, name)) return &value;
    return nullptr;
}

void RegModel::SetValue(RegKey& key, RegValue value) {
    if (RegValue* existing = FindValue(key, value.name)) {
        existing->type = value.type;  // the name keeps its first spelling and place
        existing->data = std::move(value.data);
    } else {
        key.values.push_back(std::move(value));
    }
}

void RegModel::DeleteValue(RegKey& key, WideStringView name) {
    std::erase_if(key.values, [&](const RegValue& value) { return SameName(value.name, name); });
}

std::vector<std::uint8_t> StringData(WideStringView text) {
    std::vector<std::uint8_t> data;
    AppendUtf16Le(data, text);
    AppendUtf16Le(data, WideStringView(u"\0", 1));
    return data;
}

std::vector<std::uint8_t> MultiStringData(const std::vector<WideString>& entries) {
    std::vector<std::uint8_t> data;
    for (const WideString& entry : entries) {
        AppendUtf16Le(data, entry);
        AppendUtf16Le(data, WideStringView(u"\0", 1));
    }
    AppendUtf16Le(data, WideStringView(u"\0", 1));
    return data;
}

std::vector<WideString> MultiStringEntries(const std::vector<std::uint8_t>& data) {
    std::vector<WideString> entries;
    WideString entry;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(data[i] | data[i + 1] << 8);
        if (unit != u'\0') {
            entry += unit;
        } else if (entry.empty()) {
            break;  // the empty string that ends the list
        } else {
            entries.push_back(std::move(entry));
            entry.clear();
        }
    }
    if (!entry.empty()) entries.push_back(std::move(entry));
    return entries;
}

}  // namespace veltrane::inf
