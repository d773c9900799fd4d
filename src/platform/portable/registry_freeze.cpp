// Freezing a builder's keys into the tree readers use: Windows order, deleted keys and
// values left out, links resolved.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/registry_path.h"
#include "platform/portable/registry_builder.h"

namespace veltrane::platform {

namespace {

constexpr std::u16string_view kLinkValueName = u"SymbolicLinkValue";
constexpr std::u16string_view kLinkTargetPrefix = u"\\Registry\\Machine\\";

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

std::optional<std::span<const RegistryTree::Value>> RegistryBuilder::ValuesInPlace(
    const Key& key) const {
    std::uint32_t first = 0, count = 0;
    for (std::uint32_t v = key.values.first; v != kNone; v = values_[v].next) {
        if (values_[v].deleted) continue;
        if (count == 0) first = values_[v].record;
        if (values_[v].record != first + count++) return std::nullopt;
    }
    if (count == 0) return std::span<const RegistryTree::Value>{};
    if (!Records::SameChunk(first, first + count - 1)) return std::nullopt;
    return std::span(&(*records_)[first], count);
}

std::shared_ptr<const RegistryTree> RegistryBuilder::Freeze() const {
    // The keys still reachable, breadth first: each key's subkeys side by side in Windows
    // order, from first_child[i] on in `order`.
    std::vector<std::uint32_t> order{0};
    std::vector<std::uint32_t> first_child;
    order.reserve(keys_.size());
    first_child.reserve(keys_.size() + 1);
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Key& key = keys_[order[i]];
        first_child.push_back(static_cast<std::uint32_t>(order.size()));
        for (std::uint32_t s = key.subkeys.first; s != kNone; s = keys_[s].next) {
            if (!keys_[s].deleted) order.push_back(s);
        }
        if (!key.in_order) {
            std::sort(order.begin() + first_child.back(), order.end(),
                      [this](std::uint32_t a, std::uint32_t b) {
                          return CompareNames(keys_[a].Name(), keys_[b].Name()) < 0;
                      });
        }
    }
    first_child.push_back(static_cast<std::uint32_t>(order.size()));

    auto tree = std::make_shared<RegistryTree>();
    tree->keys_.resize(order.size());
    tree->subkeys_.resize(order.size() - 1);
    std::vector<RegistryTree::Key*> links;
    // The keys whose values are copied, and where theirs start: their spans are set once
    // the copies stop moving.
    std::vector<std::pair<std::size_t, std::size_t>> copied;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Key& from = keys_[order[i]];
        RegistryTree::Key& to = tree->keys_[i];
        if (i > 0) tree->subkeys_[i - 1] = &to;  // every key but the root is someone's subkey
        to.name = from.name;
        to.name_length = from.name_length;
        to.subkeys = std::span<const RegistryTree::Key* const>(tree->subkeys_)
                         .subspan(first_child[i] - 1, first_child[i + 1] - first_child[i]);
        if (const auto in_place = ValuesInPlace(from)) {
            to.values = *in_place;
        } else {
            copied.push_back({i, tree->values_.size()});
            for (std::uint32_t v = from.values.first; v != kNone; v = values_[v].next) {
                if (!values_[v].deleted) tree->values_.push_back((*records_)[values_[v].record]);
            }
        }
        if (from.link) links.push_back(&to);
    }
    copied.push_back({order.size(), tree->values_.size()});
    for (std::size_t c = 0; c + 1 < copied.size(); ++c) {
        tree->keys_[copied[c].first].values =
            std::span(tree->values_)
                .subspan(copied[c].second, copied[c + 1].second - copied[c].second);
    }
    tree->keys_[0].name = u"";
    tree->text_ = text_;
    tree->builder_values_ = records_;
    tree->builder_value_bytes_ = records_->bytes();
    ResolveLinks(*tree, links);
    return tree;
}

}  // namespace veltrane::platform
