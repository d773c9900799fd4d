#include "platform/portable/registry_builder.h"

#include <algorithm>
#include <cstring>

#include "common/registry_path.h"
#include "common/utf16le.h"

namespace veltrane::platform {

namespace {

// A key's subkeys or values are found by a plain scan up to this many; past it, through
// an index, so that no file loads in quadratic time.
constexpr std::size_t kIndexFrom = 16;

std::size_t FoldedHash(std::u16string_view name) {
    std::size_t hash = 14695981039346656037ull;
    for (char16_t unit : name) hash = (hash ^ FoldNameUnit(unit)) * 1099511628211ull;
    return hash;
}

void Unindex(std::unique_ptr<std::unordered_multimap<std::size_t, std::uint32_t>>& index,
             std::u16string_view name, std::uint32_t id) {
    if (!index) return;
    auto [it, end] = index->equal_range(FoldedHash(name));
    while (it != end && it->second != id) ++it;
    if (it != end) index->erase(it);
}

// How many code units two texts share from their starts; four at a time while they agree.
std::size_t CommonLength(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    for (std::uint64_t x, y; i + 4 <= n; i += 4) {
        std::memcpy(&x, a.data() + i, sizeof x);
        std::memcpy(&y, b.data() + i, sizeof y);
        if (x != y) break;
    }
    while (i < n && a[i] == b[i]) ++i;
    return i;
}

TreeEditStatus CheckKeyName(std::u16string_view name) {
    if (name.empty()) return TreeEditStatus::kEmptyName;
    if (name.size() > kMaxKeyNameLength) return TreeEditStatus::kNameTooLong;
    if (name.find(u'\0') != std::u16string_view::npos) return TreeEditStatus::kInvalidName;
    return TreeEditStatus::kOk;
}

TreeEditStatus CheckValueName(std::u16string_view name) {
    if (name.size() > kMaxValueNameLength) return TreeEditStatus::kNameTooLong;
    if (name.find(u'\0') != std::u16string_view::npos) return TreeEditStatus::kInvalidName;
    return TreeEditStatus::kOk;
}

}  // namespace

RegistryBuilder::RegistryBuilder() {
    keys_.emplace_back();
}

std::u16string_view RegistryBuilder::Store(std::u16string_view text) {
    if (text.empty()) return u"";  // readers copy names out: never a null pointer
    const auto piece = text_->Allocate(text.size() * sizeof(char16_t));
    std::memcpy(piece.data(), text.data(), text.size() * sizeof(char16_t));
    return {reinterpret_cast<const char16_t*>(piece.data()), text.size()};
}

std::uint32_t RegistryBuilder::FindSubkey(std::uint32_t parent, std::u16string_view name) const {
    const Key& key = keys_[parent];
    auto is = [&](std::uint32_t k) { return !keys_[k].deleted && NamesEqual(keys_[k].name, name); };
    if (key.in_order) {
        // A name past the last one, as files list them, needs no search.
        if (key.subkeys.empty() || CompareNames(keys_[key.subkeys.back()].name, name) < 0) {
            return kNone;
        }
        const auto it = std::lower_bound(key.subkeys.begin(), key.subkeys.end(), name,
                                         [this](std::uint32_t k, std::u16string_view n) {
                                             return CompareNames(keys_[k].name, n) < 0;
                                         });
        return it != key.subkeys.end() && is(*it) ? *it : kNone;
    }
    if (key.subkey_index) {
        for (auto [it, end] = key.subkey_index->equal_range(FoldedHash(name)); it != end; ++it) {
            if (is(it->second)) return it->second;
        }
        return kNone;
    }
    const auto it = std::find_if(key.subkeys.begin(), key.subkeys.end(), is);
    return it == key.subkeys.end() ? kNone : *it;
}

std::uint32_t RegistryBuilder::AddSubkey(std::uint32_t parent, std::u16string_view name) {
    const auto child = static_cast<std::uint32_t>(keys_.size());
    keys_.emplace_back().name = Store(name);
    Key& key = keys_[parent];
    if (key.in_order && !key.subkeys.empty() &&
        CompareNames(keys_[key.subkeys.back()].name, name) >= 0) {
        key.in_order = false;  // sorted when frozen
    }
    key.subkeys.push_back(child);
    if (key.in_order || key.subkeys.size() < kIndexFrom) return child;
    if (!key.subkey_index) {
        key.subkey_index = std::make_unique<NameIndex>();
        for (std::uint32_t k : key.subkeys) {
            if (!keys_[k].deleted) key.subkey_index->emplace(FoldedHash(keys_[k].name), k);
        }
    } else {
        key.subkey_index->emplace(FoldedHash(name), child);
    }
    return child;
}

TreeEditStatus RegistryBuilder::Walk(std::u16string_view path, bool create, std::uint32_t& key) {
    // The names this path shares with the last one walked are known already; a value
    // line repeats the whole of it.
    if (path.size() == last_path_.size() &&
        std::memcmp(path.data(), last_path_.data(), path.size() * sizeof(char16_t)) == 0) {
        key = last_keys_.empty() ? 0 : last_keys_.back();
        return TreeEditStatus::kOk;
    }
    const std::size_t same = CommonLength(path, last_path_);
    // The names shared whole: those ending in a backslash inside the common part, and the
    // one the common part ends with where both paths end or go on to a backslash there.
    std::size_t depth =
        static_cast<std::size_t>(std::count(path.begin(), path.begin() + same, u'\\'));
    std::size_t start = same == 0 ? 0 : path.rfind(u'\\', same - 1) + 1;  // npos + 1 == 0
    const bool whole_name = (same == path.size() || path[same] == u'\\') &&
                            (same == last_path_.size() || last_path_[same] == u'\\');
    if (whole_name && start < same) {
        ++depth;
        start = std::min(same + 1, path.size());
    }
    std::u16string_view rest = path.substr(start);
    last_keys_.resize(depth);
    last_path_.clear();
    key = depth ? last_keys_.back() : 0;

    bool missing = false;  // past a missing key, the rest of the names is only checked
    while (!rest.empty()) {
        const std::u16string_view name = TakeKeyName(rest);
        if (const TreeEditStatus bad = CheckKeyName(name); bad != TreeEditStatus::kOk) return bad;
        if (++depth > kMaxKeyDepth) return TreeEditStatus::kTooDeep;
        if (missing) continue;
        const std::uint32_t found = FindSubkey(key, name);
        if (found != kNone) {
            key = found;
        } else if (create) {
            key = AddSubkey(key, name);
        } else {
            missing = true;
            continue;
        }
        last_keys_.push_back(key);
    }
    if (missing) return TreeEditStatus::kNotFound;
    last_path_.assign(path);
    return TreeEditStatus::kOk;
}

std::uint32_t RegistryBuilder::FindValue(std::uint32_t key, std::u16string_view name) const {
    auto is = [&](std::uint32_t v) {
        return !values_[v].deleted && NamesEqual(values_[v].value.Name(), name);
    };
    if (const auto& index = keys_[key].value_index) {
        for (auto [it, end] = index->equal_range(FoldedHash(name)); it != end; ++it) {
            if (is(it->second)) return it->second;
        }
        return kNone;
    }
    std::uint32_t v = keys_[key].first_value;
    while (v != kNone && !is(v)) v = values_[v].next;
    return v;
}

void RegistryBuilder::AddValue(std::uint32_t key, const RegistryTree::Value& value) {
    const auto v = static_cast<std::uint32_t>(values_.size());
    values_.push_back({value});
    Key& to = keys_[key];
    (to.last_value == kNone ? to.first_value : values_[to.last_value].next) = v;
    to.last_value = v;
    if (++to.value_count < kIndexFrom) return;
    if (!to.value_index) {
        to.value_index = std::make_unique<NameIndex>();
        for (std::uint32_t i = to.first_value; i != kNone; i = values_[i].next) {
            if (!values_[i].deleted)
                to.value_index->emplace(FoldedHash(values_[i].value.Name()), i);
        }
    } else {
        to.value_index->emplace(FoldedHash(value.Name()), v);
    }
}

TreeEditStatus RegistryBuilder::SetValue(std::u16string_view path, std::u16string_view name,
                                         std::uint32_t type, std::span<const std::uint8_t> data) {
    std::uint32_t key = 0;
    TreeEditStatus status = Walk(path, true, key);
    if (status == TreeEditStatus::kOk) status = CheckValueName(name);
    if (status != TreeEditStatus::kOk) return status;
    const auto stored = text_->Allocate(data.size());
    if (!data.empty()) std::memcpy(stored.data(), data.data(), data.size());
    RegistryTree::Value value{nullptr, stored.data(), static_cast<std::uint32_t>(name.size()),
                              static_cast<std::uint32_t>(data.size()), type};
    if (const std::uint32_t v = FindValue(key, name); v != kNone) {
        value.name = values_[v].value.name;
        values_[v].value = value;
        return TreeEditStatus::kOk;
    }
    value.name = Store(name).data();
    AddValue(key, value);
    return TreeEditStatus::kOk;
}

TreeEditStatus RegistryBuilder::SetString(std::u16string_view path, std::u16string_view name,
                                          std::u16string_view text, std::uint32_t type) {
    std::vector<std::uint8_t> bytes;
    AppendUtf16Le(bytes, text);
    AppendUtf16Le(bytes, std::u16string_view(u"\0", 1));
    return SetValue(path, name, type, bytes);
}

TreeEditStatus RegistryBuilder::DeleteKey(std::u16string_view path) {
    const std::size_t cut = path.rfind(u'\\');
    const std::u16string_view name = cut == std::u16string_view::npos ? path : path.substr(cut + 1);
    std::uint32_t parent = 0;
    TreeEditStatus status =
        Walk(path.substr(0, cut == std::u16string_view::npos ? 0 : cut), false, parent);
    if (status == TreeEditStatus::kOk) status = CheckKeyName(name);
    if (status != TreeEditStatus::kOk) return status;
    const std::uint32_t child = FindSubkey(parent, name);
    if (child == kNone) return TreeEditStatus::kNotFound;
    keys_[child].deleted = true;
    Unindex(keys_[parent].subkey_index, keys_[child].name, child);
    // The keys below it are no longer reachable, and no longer known to the last walk.
    last_path_.clear();
    last_keys_.clear();
    return TreeEditStatus::kOk;
}

TreeEditStatus RegistryBuilder::DeleteValue(std::u16string_view path, std::u16string_view name) {
    std::uint32_t key = 0;
    const TreeEditStatus status = Walk(path, false, key);
    if (status != TreeEditStatus::kOk) return status;
    const std::uint32_t v = FindValue(key, name);
    if (v == kNone) return TreeEditStatus::kNotFound;
    values_[v].deleted = true;
    Unindex(keys_[key].value_index, values_[v].value.Name(), v);
    return TreeEditStatus::kOk;
}

TreeEditStatus RegistryBuilder::Mark(std::u16string_view path, bool Key::*flag) {
    std::uint32_t key = 0;
    const TreeEditStatus status = Walk(path, true, key);
    if (status == TreeEditStatus::kOk) keys_[key].*flag = true;
    return status;
}

}  // namespace veltrane::platform
