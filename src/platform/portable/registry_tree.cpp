#include "platform/portable/registry_tree.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "common/registry_path.h"

namespace veltrane::platform {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;  // names and data are kept in blocks this large
// A link may point at another link; a chain this long is cut off rather than followed.
constexpr int kMaxLinkHops = 16;
constexpr std::u16string_view kLinkValueName = u"SymbolicLinkValue";
constexpr std::u16string_view kLinkTargetPrefix = u"\\Registry\\Machine\\";
constexpr std::uint32_t kFreeSlot = UINT32_MAX;

using Status = RegistryTree::Builder::Status;

Status CheckName(std::u16string_view name, std::size_t longest) {
    if (name.size() > longest) return Status::kNameTooLong;
    if (name.find(u'\0') != std::u16string_view::npos) return Status::kInvalidName;
    return Status::kOk;
}

Status CheckKeyName(std::u16string_view name) {
    return name.empty() ? Status::kEmptyName : CheckName(name, kMaxKeyNameLength);
}

std::size_t FoldedHash(std::u16string_view name) {
    std::size_t hash = 14695981039346656037ull;
    for (char16_t unit : name) hash = (hash ^ FoldNameUnit(unit)) * 1099511628211ull;
    return hash;
}

// The key a link's value names, or null when it names none.
const RegistryTree::Key* LinkTarget(const RegistryTree& tree, const RegistryTree::Key* link) {
    const RegistryTree::Value* value = tree.FindValue(link, kLinkValueName);
    if (!value || value->type != kRegLink) return nullptr;
    std::u16string target(value->data_size / 2, u'\0');
    if (!target.empty()) std::memcpy(target.data(), value->data, target.size() * 2);
    while (!target.empty() && target.back() == u'\0') target.pop_back();
    std::u16string_view path = target;
    if (!NamesEqual(path.substr(0, kLinkTargetPrefix.size()), kLinkTargetPrefix)) return nullptr;
    path.remove_prefix(kLinkTargetPrefix.size());
    const RegistryTree::Key* node = tree.Root();
    while (node && !path.empty()) node = tree.OpenChild(node, TakeKeyName(path));
    return node;
}

}  // namespace

char16_t FoldNameUnit(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
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
    return a.size() == b.size() && CompareNames(a, b) == 0;
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

RegistryTree::RegistryTree() {
    keys_.push_back(Key{u"", 0, nullptr, {}, {}});
}

const RegistryTree::Key* RegistryTree::OpenChild(const Key* parent,
                                                 std::u16string_view name) const {
    const auto it = std::lower_bound(
        parent->subkeys.begin(), parent->subkeys.end(), name,
        [](const Key* k, std::u16string_view n) { return CompareNames(k->Name(), n) < 0; });
    if (it == parent->subkeys.end() || !NamesEqual((*it)->Name(), name)) return nullptr;
    const Key* child = *it;
    for (int hops = 0; child->link && hops < kMaxLinkHops; ++hops) child = child->link;
    return child;
}

const RegistryTree::Value* RegistryTree::FindValue(const Key* key, std::u16string_view name) const {
    for (const Value& v : key->values) {
        if (NamesEqual(v.Name(), name)) return &v;
    }
    return nullptr;
}

std::size_t RegistryTree::MemoryUsed() const {
    return sizeof(*this) + text_bytes_ + keys_.capacity() * sizeof(Key) +
           subkeys_.capacity() * sizeof(const Key*) + values_.capacity() * sizeof(Value) +
           text_.capacity() * sizeof(text_[0]);
}

RegistryTree::Builder::Builder() {
    keys_.emplace_back();
}

const std::uint8_t* RegistryTree::Builder::Keep(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return nullptr;
    const std::size_t size = (bytes.size() + 1) & ~std::size_t{1};  // names stay 2-aligned
    auto& text = tree_->text_;
    std::uint8_t* at;
    if (size > kBlockSize / 4) {  // a large piece gets a block of its own
        text.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(size));
        tree_->text_bytes_ += size;
        at = text.back().get();
    } else {
        if (!block_ || kBlockSize - used_ < size) {
            text.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize));
            tree_->text_bytes_ += kBlockSize;
            block_ = text.back().get();
            used_ = 0;
        }
        at = block_ + used_;
        used_ += size;
    }
    return static_cast<std::uint8_t*>(std::memcpy(at, bytes.data(), bytes.size()));
}

std::u16string_view RegistryTree::Builder::KeepName(std::u16string_view name) {
    if (name.empty()) return u"";  // readers copy names out: never a null pointer
    const auto* at = reinterpret_cast<const std::uint8_t*>(name.data());
    return {reinterpret_cast<const char16_t*>(Keep({at, name.size() * 2})), name.size()};
}

Status RegistryTree::Builder::Walk(std::u16string_view path, bool create, KeyId& key) {
    // A file lists a key's subkeys right after it: the names this path shares with the
    // last one walked are known already.
    std::size_t depth = 0, start = 0;
    while (depth < last_.size()) {
        const std::size_t end = last_[depth].end;
        if (end > path.size() || (end < path.size() && path[end] != u'\\') ||
            path.substr(start, end - start) !=
                std::u16string_view(last_path_).substr(start, end - start)) {
            break;
        }
        start = std::min(end + 1, path.size());
        ++depth;
    }
    last_.resize(depth);
    key = depth ? last_.back().key : 0;
    std::u16string_view rest = path.substr(start);
    Status status = Status::kOk;
    bool missing = false;  // past a missing key, the rest of the names is only checked
    while (!rest.empty() && status == Status::kOk) {
        const std::u16string_view name = TakeKeyName(rest);
        status = CheckKeyName(name);
        if (status == Status::kOk && ++depth > kMaxKeyDepth) status = Status::kTooDeep;
        if (missing || status != Status::kOk) continue;
        auto& subkeys = keys_[key].subkeys;
        if (const auto found = subkeys.find(name); found != subkeys.end()) {
            key = found->second;
        } else if (create) {
            const auto id = static_cast<KeyId>(keys_.size());
            const std::u16string_view kept = KeepName(name);
            keys_[key].subkeys.emplace(kept, id);
            keys_.emplace_back().name = kept;
            key = id;
        } else {
            missing = true;
            continue;
        }
        last_.push_back({static_cast<std::size_t>(name.data() + name.size() - path.data()), key});
    }
    if (missing && status == Status::kOk) status = Status::kNotFound;
    if (status != Status::kOk) last_.clear();
    last_path_.assign(path);
    return status;
}

Status RegistryTree::Builder::CreateKey(std::u16string_view path, KeyId& key) {
    return Walk(path, true, key);
}

Status RegistryTree::Builder::DeleteKey(std::u16string_view path) {
    const std::size_t cut = std::min(path.rfind(u'\\'), path.size());
    const std::u16string_view name = path.substr(cut == path.size() ? 0 : cut + 1);
    KeyId parent = 0;
    Status status = Walk(path.substr(0, cut == path.size() ? 0 : cut), false, parent);
    if (status == Status::kOk) status = CheckKeyName(name);
    if (status != Status::kOk) return status;
    last_.clear();  // the keys below it are no longer reachable
    return keys_[parent].subkeys.erase(name) ? Status::kOk : Status::kNotFound;
}

Status RegistryTree::Builder::SetValue(KeyId key, std::u16string_view name, std::uint32_t type,
                                       std::span<const std::uint8_t> data) {
    if (const Status status = CheckName(name, kMaxValueNameLength); status != Status::kOk) {
        return status;
    }
    const std::u16string_view kept = KeepName(name);
    keys_[key].edits.push_back({{kept.data(), Keep(data), static_cast<std::uint32_t>(name.size()),
                                 static_cast<std::uint32_t>(data.size()), type},
                                false});
    return Status::kOk;
}

void RegistryTree::Builder::DeleteValue(KeyId key, std::u16string_view name) {
    const std::u16string_view kept = KeepName(name);
    keys_[key].edits.push_back(
        {{kept.data(), nullptr, static_cast<std::uint32_t>(name.size()), 0, 0}, true});
}

// A value set again keeps its place; one deleted goes, and comes back last if set again.
// The names are found through a table of folded hashes, so a long list costs no more
// per value than a short one.
void RegistryTree::Builder::ApplyEdits(const Node& node, std::vector<Value>& values) {
    if (node.edits.empty()) return;
    const std::size_t first = values.size();
    const std::size_t mask = std::bit_ceil(2 * node.edits.size()) - 1;
    slots_.assign(mask + 1, kFreeSlot);
    std::vector<bool>& gone = gone_;
    gone.clear();
    for (const Edit& edit : node.edits) {
        std::size_t slot = FoldedHash(edit.value.Name()) & mask;
        while (slots_[slot] != kFreeSlot &&
               !NamesEqual(values[first + slots_[slot]].Name(), edit.value.Name())) {
            slot = (slot + 1) & mask;
        }
        const std::uint32_t at = slots_[slot];
        if (edit.deletes) {
            if (at != kFreeSlot) gone[at] = true;
        } else if (at != kFreeSlot && !gone[at]) {
            values[first + at] = {values[first + at].name, edit.value.data, edit.value.name_length,
                                  edit.value.data_size, edit.value.type};
        } else {
            slots_[slot] = static_cast<std::uint32_t>(values.size() - first);
            values.push_back(edit.value);
            gone.push_back(false);
        }
    }
    std::size_t kept = first;
    for (std::size_t i = first; i < values.size(); ++i) {
        if (!gone[i - first]) values[kept++] = values[i];
    }
    values.resize(kept);
}

// Points each link at its target, where it has one. A link is kept only where it cannot
// lead back into the walk that reached it: a loop would send a depth-first walk round
// forever.
void RegistryTree::Builder::ResolveLinks(RegistryTree& tree, const std::vector<Key*>& links) {
    if (links.empty()) return;
    for (Key* link : links) {
        const Key* target = LinkTarget(tree, link);
        if (target != link) link->link = target;
    }
    enum : char { kUnseen, kOnPath, kDone };
    std::vector<char> state(tree.keys_.size(), kUnseen);
    auto state_of = [&](const Key* key) -> char& { return state[key - tree.Root()]; };
    struct Frame {
        const Key* key;
        std::size_t next;
    };
    std::vector<Frame> stack{{tree.Root(), 0}};
    state_of(tree.Root()) = kOnPath;
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.key->subkeys.size()) {
            state_of(top.key) = kDone;
            stack.pop_back();
            continue;
        }
        const Key* child = top.key->subkeys[top.next++];
        const Key* seen = tree.OpenChild(top.key, child->Name());
        if (seen != child && state_of(seen) == kOnPath) {
            tree.keys_[child - tree.Root()].link = nullptr;
            seen = child;
        }
        if (char& s = state_of(seen); s == kUnseen) {
            s = kOnPath;
            stack.push_back({seen, 0});
        }
    }
}

std::shared_ptr<const RegistryTree> RegistryTree::Builder::Build() {
    // The keys still reachable, breadth first: each key's subkeys side by side in Windows
    // order, from first_child[i] on.
    std::vector<KeyId> order{0};
    std::vector<std::size_t> first_child;
    for (std::size_t i = 0; i < order.size(); ++i) {
        first_child.push_back(order.size());
        for (const auto& [name, id] : keys_[order[i]].subkeys) order.push_back(id);
    }
    first_child.push_back(order.size());
    std::shared_ptr<RegistryTree> tree = std::move(tree_);
    tree->keys_.resize(order.size());
    tree->subkeys_.resize(order.size() - 1);
    std::vector<std::size_t> value_start;
    std::vector<Key*> links;
    std::size_t edits = 0;
    for (const KeyId id : order) edits += keys_[id].edits.size();
    tree->values_.reserve(edits);  // at most one value per edit: the vector never grows
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Node& from = keys_[order[i]];
        Key& to = tree->keys_[i];
        if (i > 0) tree->subkeys_[i - 1] = &to;  // every key but the root is someone's subkey
        to = {from.name.data(),
              static_cast<std::uint32_t>(from.name.size()),
              nullptr,
              std::span<const Key* const>(tree->subkeys_)
                  .subspan(first_child[i] - 1, first_child[i + 1] - first_child[i]),
              {}};
        value_start.push_back(tree->values_.size());
        ApplyEdits(from, tree->values_);
        if (from.link) links.push_back(&to);
    }
    value_start.push_back(tree->values_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        tree->keys_[i].values = std::span<const Value>(tree->values_)
                                    .subspan(value_start[i], value_start[i + 1] - value_start[i]);
    }
    tree->keys_[0].name = u"";
    keys_.clear();
    ResolveLinks(*tree, links);
    return tree;
}

}  // namespace veltrane::platform
