#include "platform/portable/registry_builder.h"

#include <algorithm>
#include <cstring>

#include "common/registry_path.h"
#include "common/utf16le.h"

namespace veltrane::platform {

namespace {

constexpr std::u16string_view kLinkValueName = u"SymbolicLinkValue";
constexpr std::u16string_view kLinkTargetPrefix = u"\\Registry\\Machine\\";

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

// The key a link's value names, or null when it names none.
const RegistryTree::Key* LinkTarget(const RegistryTree& tree, const RegistryTree::Key* link) {
    const RegistryTree::Value* value = tree.FindValue(link, kLinkValueName);
    if (!value || value->type != kRegLink) return nullptr;
    std::u16string target(value->data_size / 2, u'\0');
    std::memcpy(target.data(), value->data, target.size() * 2);
    while (!target.empty() && target.back() == u'\0') target.pop_back();
    std::u16string_view path = target;
    if (!NamesEqual(path.substr(0, kLinkTargetPrefix.size()), kLinkTargetPrefix)) return nullptr;
    path.remove_prefix(kLinkTargetPrefix.size());
    const RegistryTree::Key* node = tree.Root();
    while (node && !path.empty()) node = tree.OpenChild(node, TakeKeyName(path));
    return node;
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

// Where `name` is or would be among the parent's subkeys.
std::uint32_t RegistryBuilder::FindSubkey(const Key& parent, std::u16string_view name,
                                          bool& found) const {
    const auto& subkeys = parent.subkeys;
    found = false;
    // A name past the last one, as files list them, needs no search.
    if (subkeys.empty() || CompareNames(keys_[subkeys.back()].name, name) < 0) {
        return static_cast<std::uint32_t>(subkeys.size());
    }
    const auto it = std::lower_bound(subkeys.begin(), subkeys.end(), name,
                                     [this](std::uint32_t k, std::u16string_view n) {
                                         return CompareNames(keys_[k].name, n) < 0;
                                     });
    found = it != subkeys.end() && NamesEqual(keys_[*it].name, name);
    return static_cast<std::uint32_t>(it - subkeys.begin());
}

TreeEditStatus RegistryBuilder::Walk(std::u16string_view path, bool create, std::uint32_t& key) {
    // The names this path shares with the last one walked are known already; a value
    // line repeats the whole of it.
    if (path.size() == last_path_.size() &&
        std::memcmp(path.data(), last_path_.data(), path.size() * sizeof(char16_t)) == 0) {
        key = last_keys_.empty() ? 0 : last_keys_.back();
        return TreeEditStatus::kOk;
    }
    const std::size_t same = static_cast<std::size_t>(
        std::mismatch(path.begin(), path.end(), last_path_.begin(), last_path_.end()).first -
        path.begin());
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
        bool found = false;
        const std::uint32_t at = FindSubkey(keys_[key], name, found);
        if (found) {
            key = keys_[key].subkeys[at];
        } else if (create) {
            const auto child = static_cast<std::uint32_t>(keys_.size());
            keys_.emplace_back().name = Store(name);
            auto& subkeys = keys_[key].subkeys;
            subkeys.insert(subkeys.begin() + at, child);
            key = child;
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

std::uint32_t* RegistryBuilder::FindValueLink(std::uint32_t key, std::u16string_view name) {
    std::uint32_t* link = &keys_[key].first_value;
    while (*link != kNone && !NamesEqual(values_[*link].value.Name(), name)) {
        link = &values_[*link].next;
    }
    return link;
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
    std::uint32_t* link = FindValueLink(key, name);
    if (*link != kNone) {
        value.name = values_[*link].value.name;
        values_[*link].value = value;
        return TreeEditStatus::kOk;
    }
    value.name = Store(name).data();
    *link = static_cast<std::uint32_t>(values_.size());  // before the vector may move
    values_.push_back({value, kNone});
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
    bool found = false;
    const std::uint32_t at = FindSubkey(keys_[parent], name, found);
    if (!found) return TreeEditStatus::kNotFound;
    auto& subkeys = keys_[parent].subkeys;
    subkeys.erase(subkeys.begin() + at);
    // The keys below it are no longer reachable, and no longer known to the last walk.
    last_path_.clear();
    last_keys_.clear();
    return TreeEditStatus::kOk;
}

TreeEditStatus RegistryBuilder::DeleteValue(std::u16string_view path, std::u16string_view name) {
    std::uint32_t key = 0;
    const TreeEditStatus status = Walk(path, false, key);
    if (status != TreeEditStatus::kOk) return status;
    std::uint32_t* link = FindValueLink(key, name);
    if (*link == kNone) return TreeEditStatus::kNotFound;
    *link = values_[*link].next;
    return TreeEditStatus::kOk;
}

TreeEditStatus RegistryBuilder::Mark(std::u16string_view path, bool Key::*flag) {
    std::uint32_t key = 0;
    const TreeEditStatus status = Walk(path, true, key);
    if (status == TreeEditStatus::kOk) keys_[key].*flag = true;
    return status;
}

// Points each link at its target, where it has one. A link is kept only where it cannot
// lead back into the walk that reached it: a loop would send a depth-first walk round
// forever.
void RegistryBuilder::ResolveLinks(RegistryTree& tree,
                                   const std::vector<RegistryTree::Key*>& links) {
    if (links.empty()) return;
    for (RegistryTree::Key* link : links) {
        const RegistryTree::Key* target = LinkTarget(tree, link);
        if (target != link) link->link = target;
    }
    // Depth-first over the tree as a reader sees it; a link that reaches a key still on
    // the walk's path is dropped.
    enum : char { kUnseen, kOnPath, kDone };
    std::vector<char> state(tree.keys_.size(), kUnseen);
    auto index_of = [&](const RegistryTree::Key* key) {
        return static_cast<std::size_t>(key - tree.Root());
    };
    auto state_of = [&](const RegistryTree::Key* key) -> char& { return state[index_of(key)]; };
    struct Frame {
        const RegistryTree::Key* key;
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
        const RegistryTree::Key* child = top.key->subkeys[top.next++];
        const RegistryTree::Key* seen = tree.OpenChild(top.key, child->Name());
        if (seen != child && state_of(seen) == kOnPath) {
            tree.keys_[index_of(child)].link = nullptr;
            seen = child;
        }
        if (char& s = state_of(seen); s == kUnseen) {
            s = kOnPath;
            stack.push_back({seen, 0});
        }
    }
}

std::shared_ptr<const RegistryTree> RegistryBuilder::Freeze() const {
    // The keys still reachable, each key's subkeys side by side in Windows order.
    std::vector<std::uint32_t> order{0};
    std::vector<std::uint32_t> index(keys_.size(), kNone);
    index[0] = 0;
    std::size_t values = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Key& key = keys_[order[i]];
        for (std::uint32_t s : key.subkeys) {
            index[s] = static_cast<std::uint32_t>(order.size());
            order.push_back(s);
        }
        for (std::uint32_t v = key.first_value; v != kNone; v = values_[v].next) ++values;
    }

    auto tree = std::make_shared<RegistryTree>();
    tree->keys_.resize(order.size());
    tree->subkeys_.resize(order.size() - 1);
    tree->values_.reserve(values);
    std::size_t next_subkey = 0;
    std::vector<RegistryTree::Key*> links;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Key& from = keys_[order[i]];
        RegistryTree::Key& to = tree->keys_[i];
        to = {from.name.data(),
              static_cast<std::uint32_t>(from.name.size()),
              from.denied,
              nullptr,
              {},
              {}};
        const std::size_t first_value = tree->values_.size();
        for (std::uint32_t v = from.first_value; v != kNone; v = values_[v].next) {
            tree->values_.push_back(values_[v].value);
        }
        to.values =
            std::span(tree->values_).subspan(first_value, tree->values_.size() - first_value);
        for (std::uint32_t s : from.subkeys) tree->subkeys_[next_subkey++] = &tree->keys_[index[s]];
        to.subkeys = std::span<const RegistryTree::Key* const>(tree->subkeys_)
                         .subspan(next_subkey - from.subkeys.size(), from.subkeys.size());
        if (from.link) links.push_back(&to);
    }
    tree->keys_[0].name = u"";
    tree->text_ = text_;
    ResolveLinks(*tree, links);
    return tree;
}

}  // namespace veltrane::platform
