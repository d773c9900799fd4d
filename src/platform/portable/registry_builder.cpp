#include "platform/portable/registry_builder.h"

#include <algorithm>
#include <cstring>

#include "common/registry_path.h"

namespace veltrane::platform {

namespace {

// A key's subkeys or values are found by a plain scan up to this many; past it, through
// an index, so that no file loads in quadratic time.
constexpr std::size_t kIndexFrom = 16;
// How many stored pieces are remembered for sharing, by the top bits of a hash.
constexpr int kRecentBits = 12;
constexpr std::size_t kRecentPieces = std::size_t{1} << kRecentBits;
constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ull;  // 2^64 over the golden ratio

std::size_t FoldedHash(std::u16string_view name) {
    std::size_t hash = 14695981039346656037ull;
    for (char16_t unit : name) hash = (hash ^ FoldNameUnit(unit)) * 1099511628211ull;
    return hash;
}

void Unindex(
    std::unordered_map<std::uint32_t, std::unordered_multimap<std::size_t, std::uint32_t>>& indexes,
    std::uint32_t owner, std::u16string_view name, std::uint32_t id) {
    const auto found = indexes.find(owner);
    if (found == indexes.end()) return;
    auto [it, end] = found->second.equal_range(FoldedHash(name));
    while (it != end && it->second != id) ++it;
    if (it != end) found->second.erase(it);
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

const std::uint8_t* RegistryBuilder::Store(std::span<const std::uint8_t> bytes) {
    const std::size_t n = bytes.size();
    if (n == 0) return nullptr;
    if (recent_.empty()) recent_.resize(kRecentPieces);
    std::uint64_t head = 0, tail = 0;  // the first and last eight bytes, or all there are
    if (n >= 8) {
        std::memcpy(&head, bytes.data(), 8);
        std::memcpy(&tail, bytes.data() + n - 8, 8);
    } else {
        for (std::uint8_t byte : bytes) tail = tail << 8 | byte;
    }
    const std::uint64_t hash = ((head * kMix) ^ tail ^ n) * kMix;
    std::span<const std::uint8_t>& recent = recent_[hash >> (64 - kRecentBits)];
    if (recent.size() != n || std::memcmp(recent.data(), bytes.data(), n) != 0) {
        const auto piece = text_->Allocate(n);
        std::memcpy(piece.data(), bytes.data(), n);
        recent = piece.first(n);
    }
    return recent.data();
}

const char16_t* RegistryBuilder::StoreName(std::u16string_view name) {
    if (name.empty()) return u"";  // readers copy names out: never a null pointer
    return reinterpret_cast<const char16_t*>(Store(
        {reinterpret_cast<const std::uint8_t*>(name.data()), name.size() * sizeof(char16_t)}));
}

// The live record of that name on a list: by a scan while the list is short, else through
// its index, made when first needed and kept up to date as the list grows.
template <typename Chain>
std::uint32_t RegistryBuilder::Find(const Chain& chain, const List& list, Indexes& indexes,
                                    std::uint32_t owner, std::u16string_view name) const {
    auto is = [&](std::uint32_t r) {
        return !chain[r].deleted && NamesEqual(NameOf(chain[r]), name);
    };
    if (list.count < kIndexFrom) {
        std::uint32_t r = list.first;
        while (r != kNone && !is(r)) r = chain[r].next;
        return r;
    }
    auto [index, fresh] = indexes.try_emplace(owner);
    for (std::uint32_t r = list.first; fresh && r != kNone; r = chain[r].next) {
        if (!chain[r].deleted) index->second.emplace(FoldedHash(NameOf(chain[r])), r);
    }
    for (auto [it, end] = index->second.equal_range(FoldedHash(name)); it != end; ++it) {
        if (is(it->second)) return it->second;
    }
    return kNone;
}

template <typename Chain>
void RegistryBuilder::Append(Chain& chain, List& list, Indexes& indexes, std::uint32_t owner,
                             std::uint32_t id) {
    (list.count++ == 0 ? list.first : chain[list.last].next) = id;
    list.last = id;
    if (list.count <= kIndexFrom) return;  // too short to have been given an index
    if (const auto index = indexes.find(owner); index != indexes.end()) {
        index->second.emplace(FoldedHash(NameOf(chain[id])), id);
    }
}

std::uint32_t RegistryBuilder::FindSubkey(std::uint32_t parent, std::u16string_view name) {
    const Key& key = keys_[parent];
    // A name past the last one, as files list them, needs no search.
    if (key.subkeys.count == 0 ||
        (key.in_order && CompareNames(keys_[key.subkeys.last].Name(), name) < 0)) {
        return kNone;
    }
    return Find(keys_, key.subkeys, subkey_indexes_, parent, name);
}

std::uint32_t RegistryBuilder::AddSubkey(std::uint32_t parent, std::u16string_view name) {
    const std::uint32_t child = keys_.size();
    Key& added = keys_.emplace_back();
    added.name = StoreName(name);
    added.name_length = static_cast<std::uint16_t>(name.size());
    Key& key = keys_[parent];
    if (key.in_order && key.subkeys.count &&
        CompareNames(keys_[key.subkeys.last].Name(), name) >= 0) {
        key.in_order = false;  // sorted when frozen
    }
    Append(keys_, key.subkeys, subkey_indexes_, parent, child);
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
    // The names shared whole: those of the last path that end inside the common part, and
    // the one ending where it ends if this path ends or goes on to a backslash there.
    const std::size_t same = CommonLength(path, last_path_);
    std::size_t depth = 0;
    while (depth < last_ends_.size() && last_ends_[depth] < same) ++depth;
    if (depth < last_ends_.size() && last_ends_[depth] == same &&
        (same == path.size() || path[same] == u'\\')) {
        ++depth;
    }
    const std::size_t start =
        depth ? std::min<std::size_t>(last_ends_[depth - 1] + 1, path.size()) : 0;
    std::u16string_view rest = path.substr(start);
    last_ends_.resize(depth);
    last_keys_.resize(depth);
    last_path_.clear();
    key = depth ? last_keys_.back() : 0;

    TreeEditStatus status = TreeEditStatus::kOk;
    bool missing = false;  // past a missing key, the rest of the names is only checked
    while (!rest.empty() && status == TreeEditStatus::kOk) {
        const std::u16string_view name = TakeKeyName(rest);
        status = CheckKeyName(name);
        if (status == TreeEditStatus::kOk && ++depth > kMaxKeyDepth)
            status = TreeEditStatus::kTooDeep;
        if (missing || status != TreeEditStatus::kOk) continue;
        const std::uint32_t found = FindSubkey(key, name);
        if (found != kNone) {
            key = found;
        } else if (create) {
            key = AddSubkey(key, name);
        } else {
            missing = true;
            continue;
        }
        last_ends_.push_back(static_cast<std::uint32_t>(name.data() + name.size() - path.data()));
        last_keys_.push_back(key);
    }
    if (missing && status == TreeEditStatus::kOk) status = TreeEditStatus::kNotFound;
    if (status != TreeEditStatus::kOk) {
        // Known only for a path walked whole: the next walk starts from the root.
        last_ends_.clear();
        last_keys_.clear();
        return status;
    }
    last_path_.assign(path);
    return TreeEditStatus::kOk;
}

TreeEditStatus RegistryBuilder::SetValue(KeyId key, std::u16string_view name, std::uint32_t type,
                                         std::span<const std::uint8_t> data) {
    if (const TreeEditStatus status = CheckValueName(name); status != TreeEditStatus::kOk) {
        return status;
    }
    // A value set again keeps its place on the list and its name's text, with a new record.
    const std::uint32_t record = records_->size();
    RegistryTree::Value& stored = records_->emplace_back();
    stored = {nullptr, Store(data), static_cast<std::uint32_t>(name.size()),
              static_cast<std::uint32_t>(data.size()), type};
    List& values = keys_[key].values;
    if (const std::uint32_t v = Find(values_, values, value_indexes_, key, name); v != kNone) {
        stored.name = (*records_)[values_[v].record].name;
        values_[v].record = record;
        return TreeEditStatus::kOk;
    }
    stored.name = StoreName(name);
    values_.emplace_back().record = record;
    Append(values_, values, value_indexes_, key, values_.size() - 1);
    return TreeEditStatus::kOk;
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
    Unindex(subkey_indexes_, parent, keys_[child].Name(), child);
    // The keys below it are no longer reachable, and no longer known to the last walk.
    last_path_.clear();
    last_ends_.clear();
    last_keys_.clear();
    return TreeEditStatus::kOk;
}

TreeEditStatus RegistryBuilder::DeleteValue(KeyId key, std::u16string_view name) {
    const std::uint32_t v = Find(values_, keys_[key].values, value_indexes_, key, name);
    if (v == kNone) return TreeEditStatus::kNotFound;
    values_[v].deleted = true;
    Unindex(value_indexes_, key, NameOf(values_[v]), v);
    return TreeEditStatus::kOk;
}

}  // namespace veltrane::platform
