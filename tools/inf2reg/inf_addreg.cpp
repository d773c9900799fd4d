#include "inf_addreg.h"

#include <charconv>
#include <string>

namespace veltrane::inf {
namespace {

// AddReg flags.
constexpr std::uint32_t kBinaryValueType = 0x00000001;
constexpr std::uint32_t kNoClobber = 0x00000002;
constexpr std::uint32_t kDeleteValue = 0x00000004;
constexpr std::uint32_t kAppend = 0x00000008;
constexpr std::uint32_t kKeyOnly = 0x00000010;
constexpr std::uint32_t kOverwriteOnly = 0x00000020;
constexpr std::uint32_t kTypeMask = 0xFFFF0001;
constexpr std::uint32_t kTypeString = 0x00000000;
constexpr std::uint32_t kTypeMultiString = 0x00010000;
constexpr std::uint32_t kTypeExpandString = 0x00020000;
constexpr std::uint32_t kTypeDword = 0x00010001;
constexpr std::uint32_t kTypeNone = 0x00020001;

enum Field { kRoot, kSubkey, kValueName, kFlags, kFirstValue };

// A number as setup reads one: hex with 0x, else decimal; a leading '-' negates.
std::optional<std::uint32_t> ParseNumber(WideStringView text) {
    std::string digits = Utf8(text);
    const bool negative = digits.starts_with('-');
    if (negative) digits.erase(0, 1);
    const bool hex =
        digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    std::uint32_t value = 0;
    const char* begin = digits.data() + (hex ? 2 : 0);
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(begin, end, value, hex ? 16 : 10);
    if (begin == end || result.ec != std::errc() || result.ptr != end) return std::nullopt;
    return negative ? 0u - value : value;
}

// One byte of binary data: one or two hex digits, without 0x.
std::optional<std::uint8_t> ParseByte(WideStringView text) {
    const std::string digits = Utf8(text);
    unsigned value = 0;
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(digits.data(), end, value, 16);
    if (digits.empty() || digits.size() > 2 || result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

std::vector<WideString> SplitPath(WideStringView subkey) {
    std::vector<WideString> path;
    std::size_t start = 0;
    while (start <= subkey.size()) {
        std::size_t end = subkey.find(u'\\', start);
        if (end == WideStringView::npos) end = subkey.size();
        if (end > start) path.emplace_back(subkey.substr(start, end - start));
        start = end + 1;
    }
    return path;
}

std::vector<std::uint8_t> BinaryData(const std::vector<WideString>& values, std::size_t line) {
    std::vector<std::uint8_t> data;
    for (const WideString& text : values) {
        const auto byte = ParseByte(text);
        if (!byte) throw InfError(line, "'" + Utf8(text) + "' is not a hex byte");
        data.push_back(*byte);
    }
    return data;
}

std::vector<std::uint8_t> DwordData(const std::vector<WideString>& values, std::size_t line) {
    if (values.size() > 1) {
        std::vector<std::uint8_t> data = BinaryData(values, line);  // four bytes, low first
        if (data.size() != 4) throw InfError(line, "a DWORD given as bytes needs four of them");
        return data;
    }
    std::uint32_t number = 0;
    if (!values.empty() && !values.front().empty()) {
        const auto parsed = ParseNumber(values.front());
        if (!parsed) throw InfError(line, "'" + Utf8(values.front()) + "' is not a number");
        number = *parsed;
    }
    return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
            static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

std::vector<WideString> NonEmpty(const std::vector<WideString>& values) {
    std::vector<WideString> entries;
    for (const WideString& value : values)
        if (!value.empty()) entries.push_back(value);  // an empty string would end the list
    return entries;
}

}  // namespace

void ApplyAddReg(const std::vector<WideString>& fields, std::size_t line, RegModel& model,
                 InfNotes& notes) {
    auto field = [&](std::size_t i) { return i < fields.size() ? fields[i] : WideString(); };
    const WideString root = field(kRoot);
    if (!SameName(root, u"HKR")) {
        notes.push_back(
            {line, "root '" + Utf8(root) + "' skipped: only HKR writes the driver key"});
        return;
    }
    std::uint32_t flags = 0;
    if (!field(kFlags).empty()) {
        const auto parsed = ParseNumber(field(kFlags));
        if (!parsed) throw InfError(line, "flags '" + Utf8(field(kFlags)) + "' are not a number");
        flags = *parsed;
    }
    const std::vector<WideString> path = SplitPath(field(kSubkey));
    const WideString name = field(kValueName);
    const std::vector<WideString> values(
        fields.begin() + std::min(fields.size(), std::size_t{kFirstValue}), fields.end());

    if (flags & kDeleteValue) {
        if (RegKey* key = model.FindKey(path); key && !name.empty()) {
            RegModel::DeleteValue(*key, name);
        } else if (name.empty() && !path.empty()) {
            model.DeleteKey(path);
        } else if (name.empty()) {
            notes.push_back({line, "deleting the driver key itself skipped"});
        }
        return;
    }
    RegKey& key = model.Key(path);
    if (flags & kKeyOnly) return;

    RegValue* existing = RegModel::FindValue(key, name);
    if ((flags & kNoClobber) && existing) return;
    if ((flags & kOverwriteOnly) && !existing) return;

    const std::uint32_t type_flags = flags & kTypeMask;
    RegValue value{name, kRegSz, {}};
    if (type_flags == kTypeDword) {
        value = {name, kRegDword, DwordData(values, line)};
    } else if (type_flags == kTypeNone) {
        value = {name, kRegNone, BinaryData(values, line)};
    } else if (type_flags & kBinaryValueType) {
        const std::uint32_t custom = type_flags >> 16;  // 0: plain binary
        value = {name, custom ? custom : kRegBinary, BinaryData(values, line)};
    } else if (type_flags == kTypeMultiString) {
        std::vector<WideString> entries = NonEmpty(values);
        if ((flags & kAppend) && existing && existing->type == kRegMultiSz) {
            std::vector<WideString> merged = MultiStringEntries(existing->data);
            for (const WideString& entry : entries) {
                bool present = false;
                for (const WideString& old : merged) present = present || SameName(old, entry);
                if (!present) merged.push_back(entry);
            }
            entries = std::move(merged);
        }
        value = {name, kRegMultiSz, MultiStringData(entries)};
    } else if (type_flags == kTypeString || type_flags == kTypeExpandString) {
        value = {name, type_flags == kTypeString ? kRegSz : kRegExpandSz,
                 StringData(values.empty() ? WideString() : values.front())};
    } else {
        throw InfError(line, "flags '" + Utf8(field(kFlags)) + "' name no value type");
    }
    RegModel::SetValue(key, std::move(value));
}

}  // namespace veltrane::inf
