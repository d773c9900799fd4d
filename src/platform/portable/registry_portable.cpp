// The registry seam over an in-memory tree, with the Win32 functions' results and buffer
// rules. A key handle is a key of the tree; closing it releases nothing.
#include <algorithm>
#include <cstdlib>

#include "common/registry_path.h"
#include "platform/portable/registry_file.h"
#include "platform/registry.h"

namespace veltrane::platform {

namespace {

using Key = RegistryTree::Key;

// A name into a caller's buffer of `*size` code units, terminator included.
RegStatus CopyName(std::u16string_view name, char16_t* buffer, std::uint32_t* size) {
    if (*size < name.size() + 1) return RegStatus::kMoreData;
    *std::copy(name.begin(), name.end(), buffer) = u'\0';
    *size = static_cast<std::uint32_t>(name.size());
    return RegStatus::kSuccess;
}

// Data into a caller's buffer, or with none only its size; too small a buffer is kMoreData
// with the size needed.
RegStatus CopyData(const RegistryTree::Value& value, std::uint8_t* data, std::uint32_t* size) {
    if (!size) return RegStatus::kSuccess;
    const bool fits = !data || *size >= value.data.size();
    if (data && fits) std::ranges::copy(value.data, data);
    *size = static_cast<std::uint32_t>(value.data.size());
    return fits ? RegStatus::kSuccess : RegStatus::kMoreData;
}

}  // namespace

void RegKey::Close() {
    handle_ = nullptr;
    owned_ = false;
}

Registry::Registry(std::shared_ptr<const void> backend) : backend_(std::move(backend)) {
    if (!backend_) backend_ = std::make_shared<const RegistryTree>();  // an empty registry
}

Registry Registry::Machine() {
    const char* file = std::getenv("VELTRANE_REGISTRY");
    return Registry(file && *file ? LoadRegistryFile(file).tree : nullptr);
}

RegKey Registry::Root() const {
    return RegKey(const_cast<Key*>(static_cast<const RegistryTree*>(backend_.get())->Root()),
                  false);
}

RegStatus Registry::OpenKey(const RegKey& parent, const char16_t* subkey, RegKey& key) const {
    if (!parent.is_open()) return RegStatus::kInvalidParameter;
    const Key* node = static_cast<const Key*>(parent.handle_);
    // A backslash or two at the end name the same key; an empty name anywhere else none.
    for (std::u16string_view rest = subkey ? subkey : u""; !rest.empty();) {
        const std::u16string_view name = TakeKeyName(rest);
        if (name.empty() && !rest.empty()) return RegStatus::kFileNotFound;
        if (!name.empty() && !(node = RegistryTree::OpenChild(node, name)))
            return RegStatus::kFileNotFound;
    }
    key = RegKey(const_cast<Key*>(node), true);
    return RegStatus::kSuccess;
}

RegStatus Registry::QueryInfoKey(const RegKey& key, std::uint32_t* subkeys,
                                 std::uint32_t* values) const {
    if (!key.is_open()) return RegStatus::kInvalidParameter;
    const Key& node = *static_cast<const Key*>(key.handle_);
    if (subkeys) *subkeys = static_cast<std::uint32_t>(node.subkeys.size());
    if (values) *values = static_cast<std::uint32_t>(node.values.size());
    return RegStatus::kSuccess;
}

RegStatus Registry::EnumKey(const RegKey& key, std::uint32_t index, char16_t* name,
                            std::uint32_t* name_size) const {
    if (!key.is_open() || !name || !name_size) return RegStatus::kInvalidParameter;
    const Key& node = *static_cast<const Key*>(key.handle_);
    if (index >= node.subkeys.size()) return RegStatus::kNoMoreItems;
    return CopyName(node.subkeys[index]->name, name, name_size);
}

RegStatus Registry::EnumValue(const RegKey& key, std::uint32_t index, char16_t* name,
                              std::uint32_t* name_size, std::uint8_t* data,
                              std::uint32_t* data_size) const {
    if (!key.is_open() || !name || !name_size || (data && !data_size))
        return RegStatus::kInvalidParameter;
    const Key& node = *static_cast<const Key*>(key.handle_);
    if (index >= node.values.size()) return RegStatus::kNoMoreItems;
    const RegistryTree::Value& value = node.values[index];
    // Both checked before anything is written, so a failed call leaves both buffers alone.
    if (*name_size < value.name.size() + 1) return RegStatus::kMoreData;
    if (!data || *data_size >= value.data.size()) CopyName(value.name, name, name_size);
    return CopyData(value, data, data_size);
}

RegStatus Registry::QueryValue(const RegKey& key, const char16_t* name, std::uint8_t* data,
                               std::uint32_t* data_size) const {
    if (!key.is_open() || (data && !data_size)) return RegStatus::kInvalidParameter;
    const RegistryTree::Value* value =
        RegistryTree::FindValue(static_cast<const Key*>(key.handle_), name ? name : u"");
    return value ? CopyData(*value, data, data_size) : RegStatus::kFileNotFound;
}

}  // namespace veltrane::platform
