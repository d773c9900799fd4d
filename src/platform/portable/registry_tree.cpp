#include "platform/portable/registry_tree.h"

#include <algorithm>
#include <cstring>

namespace veltrane::platform {

namespace {

// Up to this many subkeys or values a key is searched by a plain scan while loading;
// beyond it, through the tree's index.
constexpr std::size_t kScanLimit = 16;
constexpr std::size_t kFirstChunkSize = 4 * 1024;
constexpr std::size_t kChunkSize = 64 * 1024;
constexpr std::size_t kOwnChunkFrom = kChunkSize / 4;

}  // namespace

char16_t FoldNameUnit(char16_t c) {
    if (c < 0x80) {
        return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A: pairs of capital and small letter, capital first, except for
        // the runs where the small letter comes first.
        const bool odd_small = (c <= 0x137) || (c >= 0x14A && c <= 0x177);
        const bool even_small = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_small && (c & 1) && c != 0x131) return static_cast<char16_t>(c - 1);
        if (even_small && !(c & 1)) return static_cast<char16_t>(c - 1);
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
    if (c == 0x3C2) return 0x3A3;
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
    return c;
}

bool NamesEqual(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldNameUnit(a[i]) != FoldNameUnit(b[i])) return false;
    }
    return true;
}

int CompareNames(std::u16string_view a, std::u16string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        const char16_t x = FoldNameUnit(a[i]);
        const char16_t y = FoldNameUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool RegistryTree::ChildRef::operator==(const ChildRef& other) const {
    return owner == other.owner && NamesEqual(name, other.name);
}

std::size_t RegistryTree::ChildRefHash::operator()(const ChildRef& ref) const {
    std::size_t h = std::hash<const void*>{}(ref.owner) ^ 0x9E3779B97F4A7C15ull;
    for (char16_t c : ref.name) h = (h ^ FoldNameUnit(c)) * 0x100000001B3ull;
    return h;
}

RegistryTree::RegistryTree() {
    root_ = &keys_.emplace_back(Key{u"", 0, false, false, false, nullptr, {}, {}});
}

RegistryTree::~RegistryTree() = default;

void* RegistryTree::Allocate(std::size_t size) {
    size = (size + 1) & ~std::size_t{1};  // names are UTF-16: keep everything 2-aligned
    if (size == 0) return nullptr;
    if (size >= kOwnChunkFrom) {
        chunks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(size));
        arena_bytes_ += size;
        return chunks_.back().get();
    }
    if (chunk_size_ - chunk_used_ < size || chunks_.empty()) {
        // Chunks grow with the tree, so a small tree stays small.
        const std::size_t chunk =
            std::max(size, std::clamp(arena_bytes_, kFirstChunkSize, kChunkSize));
        chunks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(chunk));
        // A big block pushed later must not become the current chunk: keep it last here.
        if (chunks_.size() > 1) std::swap(chunks_.front(), chunks_.back());
        chunk_size_ = chunk;
        chunk_used_ = 0;
        arena_bytes_ += chunk;
    }
    void* p = chunks_.front().get() + chunk_used_;
    chunk_used_ += size;
    return p;
}

const char16_t* RegistryTree::StoreName(std::u16string_view name) {
    if (name.empty()) return u"";
    auto* p = static_cast<char16_t*>(Allocate(name.size() * sizeof(char16_t)));
    std::memcpy(p, name.data(), name.size() * sizeof(char16_t));
    return p;
}

const std::uint8_t* RegistryTree::StoreBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return nullptr;
    auto* p = static_cast<std::uint8_t*>(Allocate(bytes.size()));
    std::memcpy(p, bytes.data(), bytes.size());
    return p;
}

const RegistryTree::Key* RegistryTree::OpenChild(const Key* parent,
                                                 std::u16string_view name) const {
    const Key* child = FindChild(parent, name);
    // A link may point at another link; a loop is cut off rather than followed forever.
    for (int hops = 0; child && child->link && hops < 16; ++hops) child = child->link;
    return child;
}

namespace {

bool InWindowsOrder(const RegistryTree::Key* a, const RegistryTree::Key* b) {
    return CompareNames(a->Name(), b->Name()) < 0;
}

// Binary search of subkeys in Windows order; a key deleted while loading is not found.
RegistryTree::Key* SearchSorted(const std::vector<RegistryTree::Key*>& subkeys,
                                std::u16string_view name) {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), name,
                               [](const RegistryTree::Key* k, std::u16string_view n) {
                                   return CompareNames(k->Name(), n) < 0;
                               });
    return (it != subkeys.end() && !(*it)->deleted && NamesEqual((*it)->Name(), name)) ? *it
                                                                                       : nullptr;
}

}  // namespace

// Subkeys are kept in Windows order, and searched by halving, for as long as they arrive
// in that order (as files list them); a key whose subkeys came out of order is searched by
// a scan while it has few, and through the index once it has many.
RegistryTree::Key* RegistryTree::FindChild(const Key* parent, std::u16string_view name) const {
    const auto& subkeys = parent->subkeys;
    if (!parent->unsorted) return SearchSorted(subkeys, name);
    if (subkeys.size() > kScanLimit) {
        auto it = subkey_index_.find(ChildRef{parent, name});
        return it == subkey_index_.end() ? nullptr : it->second;
    }
    for (Key* k : subkeys) {
        if (!k->deleted && NamesEqual(k->Name(), name)) return k;
    }
    return nullptr;
}

void RegistryTree::IndexSubkeys(Key* parent) {
    for (Key* k : parent->subkeys) {
        if (!k->deleted) subkey_index_.emplace(ChildRef{parent, k->Name()}, k);
    }
}

RegistryTree::Key* RegistryTree::NewKey(std::u16string_view name) {
    Key* key = &keys_.emplace_back(Key{
        nullptr, static_cast<std::uint32_t>(name.size()), false, false, false, nullptr, {}, {}});
    key->name = StoreName(name);
    return key;
}

RegistryTree::Key* RegistryTree::Child(Key* parent, std::u16string_view name) {
    if (name.empty() || name.size() > kMaxKeyNameLength) return nullptr;
    if (name.find(u'\0') != std::u16string_view::npos) return nullptr;
    auto& subkeys = parent->subkeys;
    // A name past the last of subkeys in order is new: no search needed.
    const bool past_last =
        !parent->unsorted && (subkeys.empty() || CompareNames(subkeys.back()->Name(), name) < 0);
    if (!past_last) {
        if (Key* existing = FindChild(parent, name)) return existing;
    }
    Key* key = NewKey(name);
    if (past_last) {
        subkeys.push_back(key);
        return key;
    }
    if (!bulk_) {
        subkeys.insert(std::lower_bound(subkeys.begin(), subkeys.end(), key, InWindowsOrder), key);
        return key;
    }
    // Out of order while loading: appended now, sorted at the end, found meanwhile by a
    // scan or, past a few subkeys, through the index.
    const bool indexed_before = parent->unsorted && subkeys.size() > kScanLimit;
    parent->unsorted = true;
    subkeys.push_back(key);
    if (indexed_before) {
        subkey_index_.emplace(ChildRef{parent, key->Name()}, key);
    } else if (subkeys.size() > kScanLimit) {
        IndexSubkeys(parent);
    }
    return key;
}

void RegistryTree::RemoveChild(Key* parent, std::u16string_view name) {
    Key* key = FindChild(parent, name);
    if (!key) return;
    auto& subkeys = parent->subkeys;
    if (!bulk_) {
        subkeys.erase(std::find(subkeys.begin(), subkeys.end(), key));
        return;
    }
    // While loading, a deleted key stays in place until EndBulkLoad; its subtree is simply
    // no longer reachable.
    if (parent->unsorted && subkeys.size() > kScanLimit) {
        subkey_index_.erase(ChildRef{parent, key->Name()});
    }
    key->deleted = true;
}

RegistryTree::Value* RegistryTree::FindValueForEdit(Key* key, std::u16string_view name) {
    auto& values = key->values;
    if (bulk_ && values.size() > kScanLimit) {
        auto it = value_index_.find(ChildRef{key, name});
        return it == value_index_.end() ? nullptr : &values[it->second];
    }
    for (Value& v : values) {
        if (!v.deleted && NamesEqual(v.Name(), name)) return &v;
    }
    return nullptr;
}

const RegistryTree::Value* RegistryTree::FindValue(const Key* key, std::u16string_view name) const {
    return const_cast<RegistryTree*>(this)->FindValueForEdit(const_cast<Key*>(key), name);
}

void RegistryTree::IndexValues(Key* key) {
    for (std::size_t i = 0; i < key->values.size(); ++i) {
        const Value& v = key->values[i];
        if (!v.deleted) value_index_.emplace(ChildRef{key, v.Name()}, i);
    }
}

TreeEditStatus RegistryTree::PutValue(Key* key, std::u16string_view name, std::uint32_t type,
                                      std::span<const std::uint8_t> data) {
    if (name.size() > kMaxValueNameLength) return TreeEditStatus::kNameTooLong;
    if (name.find(u'\0') != std::u16string_view::npos) return TreeEditStatus::kInvalidName;
    // Setting an existing value keeps its place in the enumeration.
    if (Value* existing = FindValueForEdit(key, name)) {
        existing->data = StoreBytes(data);
        existing->data_size = static_cast<std::uint32_t>(data.size());
        existing->type = type;
        return TreeEditStatus::kOk;
    }
    auto& values = key->values;
    values.push_back(Value{StoreName(name), StoreBytes(data),
                           static_cast<std::uint32_t>(name.size()),
                           static_cast<std::uint32_t>(data.size()), type, false});
    if (bulk_) {
        if (values.size() == kScanLimit + 1) {
            IndexValues(key);
        } else if (values.size() > kScanLimit + 1) {
            value_index_.emplace(ChildRef{key, values.back().Name()}, values.size() - 1);
        }
    }
    return TreeEditStatus::kOk;
}

void RegistryTree::RemoveValue(Key* key, std::u16string_view name) {
    Value* v = FindValueForEdit(key, name);
    if (!v) return;
    if (!bulk_) {
        key->values.erase(key->values.begin() + (v - key->values.data()));
        return;
    }
    if (key->values.size() > kScanLimit) value_index_.erase(ChildRef{key, v->Name()});
    v->deleted = true;
}

void RegistryTree::BeginBulkLoad() {
    bulk_ = true;
}

void RegistryTree::EndBulkLoad() {
    if (!bulk_) return;
    for (Key& key : keys_) {
        auto& subkeys = key.subkeys;
        std::erase_if(subkeys, [](const Key* k) { return k->deleted; });
        if (key.unsorted) std::sort(subkeys.begin(), subkeys.end(), InWindowsOrder);
        key.unsorted = false;
        if (subkeys.capacity() > subkeys.size()) subkeys.shrink_to_fit();
        std::erase_if(key.values, [](const Value& v) { return v.deleted; });
        if (key.values.capacity() > key.values.size()) key.values.shrink_to_fit();
    }
    decltype(subkey_index_)().swap(subkey_index_);
    decltype(value_index_)().swap(value_index_);
    bulk_ = false;
}

TreeEditStatus RegistryTree::Walk(std::u16string_view path, bool create, Key** out) {
    Key* key = root_;
    std::size_t depth = 0;
    while (!path.empty()) {
        const std::size_t cut = path.find(u'\\');
        const std::u16string_view name = path.substr(0, cut);
        path = cut == std::u16string_view::npos ? std::u16string_view{} : path.substr(cut + 1);
        if (name.empty()) return TreeEditStatus::kEmptyName;
        if (name.size() > kMaxKeyNameLength) return TreeEditStatus::kNameTooLong;
        if (name.find(u'\0') != std::u16string_view::npos) return TreeEditStatus::kInvalidName;
        if (++depth > kMaxKeyDepth) return TreeEditStatus::kTooDeep;
        key = create ? Child(key, name) : FindChild(key, name);
        if (!key) return TreeEditStatus::kNotFound;
    }
    *out = key;
    return TreeEditStatus::kOk;
}

TreeEditStatus RegistryTree::CreateKey(std::u16string_view path) {
    Key* key = nullptr;
    return Walk(path, true, &key);
}

TreeEditStatus RegistryTree::SetValue(std::u16string_view path, std::u16string_view name,
                                      std::uint32_t type, std::span<const std::uint8_t> data) {
    Key* key = nullptr;
    const TreeEditStatus status = Walk(path, true, &key);
    return status == TreeEditStatus::kOk ? PutValue(key, name, type, data) : status;
}

TreeEditStatus RegistryTree::SetString(std::u16string_view path, std::u16string_view name,
                                       std::u16string_view text, std::uint32_t type) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return SetValue(path, name, type, bytes);
}

TreeEditStatus RegistryTree::MarkDenied(std::u16string_view path) {
    Key* key = nullptr;
    const TreeEditStatus status = Walk(path, true, &key);
    if (status == TreeEditStatus::kOk) key->denied = true;
    return status;
}

TreeEditStatus RegistryTree::DeleteKey(std::u16string_view path) {
    const std::size_t cut = path.rfind(u'\\');
    const std::u16string_view parent_path =
        cut == std::u16string_view::npos ? std::u16string_view{} : path.substr(0, cut);
    const std::u16string_view name = cut == std::u16string_view::npos ? path : path.substr(cut + 1);
    Key* parent = nullptr;
    const TreeEditStatus status = Walk(parent_path, false, &parent);
    if (status != TreeEditStatus::kOk) return status;
    if (name.empty()) return TreeEditStatus::kEmptyName;
    if (!FindChild(parent, name)) return TreeEditStatus::kNotFound;
    RemoveChild(parent, name);
    return TreeEditStatus::kOk;
}

TreeEditStatus RegistryTree::DeleteValue(std::u16string_view path, std::u16string_view name) {
    Key* key = nullptr;
    const TreeEditStatus status = Walk(path, false, &key);
    if (status != TreeEditStatus::kOk) return status;
    if (!FindValueForEdit(key, name)) return TreeEditStatus::kNotFound;
    RemoveValue(key, name);
    return TreeEditStatus::kOk;
}

std::size_t RegistryTree::MemoryUsed() const {
    std::size_t bytes = sizeof(*this) + arena_bytes_ + keys_.size() * sizeof(Key) +
                        chunks_.capacity() * sizeof(chunks_[0]);
    for (const Key& key : keys_) {
        bytes += key.subkeys.capacity() * sizeof(Key*) + key.values.capacity() * sizeof(Value);
    }
    return bytes;
}

}  // namespace veltrane::platform
