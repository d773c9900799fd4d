#include "platform/portable/registry_tree.h"

#include <algorithm>

namespace veltrane::platform {

namespace {

// The upper-case form of a code unit.
char16_t FoldNameUnit(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
        return static_cast<char16_t>(c - 0x20);
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

}  // namespace

int CompareNames(std::u16string_view a, std::u16string_view b) {
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] == b[i]) continue;  // the same unit: no need to fold it
        const char16_t x = FoldNameUnit(a[i]), y = FoldNameUnit(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

const RegistryTree::Key* RegistryTree::OpenChild(const Key* parent, std::u16string_view name) {
    const auto it = std::lower_bound(
        parent->subkeys.begin(), parent->subkeys.end(), name,
        [](const Key* k, std::u16string_view n) { return CompareNames(k->name, n) < 0; });
    return it == parent->subkeys.end() || !NamesEqual((*it)->name, name) ? nullptr : Follow(*it);
}

const RegistryTree::Key* RegistryTree::Follow(const Key* key) {
    constexpr int kMaxLinkHops = 16;  // a longer chain of links to links is not followed
    for (int hops = 0; key->link && hops < kMaxLinkHops; ++hops) key = key->link;
    return key;
}

const RegistryTree::Value* RegistryTree::FindValue(const Key* key, std::u16string_view name) {
    const auto it = std::find_if(key->values.begin(), key->values.end(),
                                 [&](const Value& v) { return NamesEqual(v.name, name); });
    return it == key->values.end() ? nullptr : &*it;
}

}  // namespace veltrane::platform
