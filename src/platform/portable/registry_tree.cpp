#include "platform/portable/registry_tree.h"

#include <algorithm>

namespace veltrane::platform {

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;
// A piece this large gets a block of its own rather than wasting the rest of one.
constexpr std::size_t kOwnBlockFrom = kBlockSize / 4;
// A link may point at another link; a chain this long is cut off rather than followed.
constexpr int kMaxLinkHops = 16;

}  // namespace

char16_t FoldWideUnit(char16_t c) {
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

std::span<std::uint8_t> TextArena::Allocate(std::size_t size) {
    size = (size + 1) & ~std::size_t{1};  // names are UTF-16: keep everything 2-aligned
    if (size == 0) return {};
    if (size >= kOwnBlockFrom) {
        blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(size));
        bytes_ += size;
        return {blocks_.back().get(), size};
    }
    if (kBlockSize - used_ < size || !current_) {
        blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(kBlockSize));
        current_ = blocks_.back().get();
        used_ = 0;
        bytes_ += kBlockSize;
    }
    const std::span<std::uint8_t> piece{current_ + used_, size};
    used_ += size;
    return piece;
}

RegistryTree::RegistryTree() {
    keys_.push_back(Key{u"", 0, nullptr, {}, {}});
}

const RegistryTree::Key* RegistryTree::OpenChild(const Key* parent, std::u16string_view name,
                                                 std::size_t hint) const {
    const auto& subkeys = parent->subkeys;
    auto it = subkeys.begin() + static_cast<std::ptrdiff_t>(std::min(hint, subkeys.size()));
    if (it == subkeys.end() || !NamesEqual((*it)->Name(), name)) {
        it = std::lower_bound(
            subkeys.begin(), subkeys.end(), name,
            [](const Key* k, std::u16string_view n) { return CompareNames(k->Name(), n) < 0; });
        if (it == subkeys.end() || !NamesEqual((*it)->Name(), name)) return nullptr;
    }
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
    return sizeof(*this) + (text_ ? text_->bytes() : 0) + builder_value_bytes_ +
           keys_.capacity() * sizeof(Key) + subkeys_.capacity() * sizeof(const Key*) +
           values_.capacity() * sizeof(Value);
}

}  // namespace veltrane::platform
