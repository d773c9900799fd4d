// The registry seam over an in-memory tree, with the Win32 functions' results and buffer
// rules. A key handle is a node of the tree; closing it releases nothing.
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/portable/registry_file.h"
#include "platform/portable/registry_tree.h"
#include "platform/registry.h"

namespace veltrane::platform {

namespace {

using Key = RegistryTree::Key;

const RegistryTree& Tree(const std::shared_ptr<const void>& backend) {
    return *static_cast<const RegistryTree*>(backend.get());
}

const Key* NodeOf(void* handle) {
    return static_cast<const Key*>(handle);
}

std::u16string_view NullTerminated(const char16_t* text) {
    return text ? std::u16string_view(text) : std::u16string_view{};
}

// A name into a caller's buffer of `*size` code units, terminator included.
RegStatus CopyName(std::u16string_view name, char16_t* buffer, std::uint32_t* size) {
    if (*size < name.size() + 1) return RegStatus::kMoreData;
    std::memcpy(buffer, name.data(), name.size() * sizeof(char16_t));
    buffer[name.size()] = u'\0';
    *size = static_cast<std::uint32_t>(name.size());
    return RegStatus::kSuccess;
}

// Data into a caller's buffer; with no buffer, only the size. Too small a buffer is
// kMoreData with the size needed.
RegStatus CopyData(const RegistryTree::Value& value, std::uint8_t* data, std::uint32_t* size) {
    if (!size) return RegStatus::kSuccess;
    if (data) {
        if (*size < value.data_size) {
            *size = value.data_size;
            return RegStatus::kMoreData;
        }
        if (value.data_size) std::memcpy(data, value.data, value.data_size);
    }
    *size = value.data_size;
    return RegStatus::kSuccess;
}

}  // namespace

void RegKey::Close() {
    handle_ = nullptr;
    owned_ = false;
}

// The backend's state is a tree; a registry given none is empty.
Registry::Registry(std::shared_ptr<const void> backend) : backend_(std::move(backend)) {
    if (!backend_) backend_ = std::make_shared<const RegistryTree>();
}

Registry Registry::Machine() {
    const char* file = std::getenv("VELTRANE_REGISTRY");
    if (!file || !*file) return Registry(nullptr);
    return Registry(LoadRegistryFile(file).tree);
}

RegKey Registry::Root() const {
    return RegKey(const_cast<Key*>(Tree(backend_).Root()), false);
}

RegStatus Registry::OpenKey(const RegKey& parent, const char16_t* subkey, RegKey& key) const {
    if (!parent.is_open()) return RegStatus::kInvalidParameter;
    const Key* node = NodeOf(parent.handle_);
    // The names between backslashes, read in one pass. A backslash or two at the end name
    // the same key; an empty name anywhere else names none.
    const char16_t* next = subkey ? subkey : u"";
    while (*next) {
        const char16_t* name = next;
        while (*next && *next != u'\\') ++next;
        const std::u16string_view element(name, static_cast<std::size_t>(next - name));
        if (*next) ++next;  // past the backslash
        if (element.empty()) {
            if (*next) return RegStatus::kFileNotFound;
            break;
        }
        node = Tree(backend_).OpenChild(node, element);
        if (!node) return RegStatus::kFileNotFound;
    }
    key = RegKey(const_cast<Key*>(node), true);
    return RegStatus::kSuccess;
}

RegStatus Registry::QueryInfoKey(const RegKey& key, std::uint32_t* subkeys,
                                 std::uint32_t* values) const {
    if (!key.is_open()) return RegStatus::kInvalidParameter;
    const Key* node = NodeOf(key.handle_);
    if (subkeys) *subkeys = static_cast<std::uint32_t>(node->subkeys.size());
    if (values) *values = static_cast<std::uint32_t>(node->values.size());
    return RegStatus::kSuccess;
}

RegStatus Registry::EnumKey(const RegKey& key, std::uint32_t index, char16_t* name,
                            std::uint32_t* name_size) const {
    if (!key.is_open() || !name || !name_size) return RegStatus::kInvalidParameter;
    const Key* node = NodeOf(key.handle_);
    if (index >= node->subkeys.size()) return RegStatus::kNoMoreItems;
    return CopyName(node->subkeys[index]->Name(), name, name_size);
}

RegStatus Registry::EnumValue(const RegKey& key, std::uint32_t index, char16_t* name,
                              std::uint32_t* name_size, std::uint8_t* data,
                              std::uint32_t* data_size) const {
    if (!key.is_open() || !name || !name_size) return RegStatus::kInvalidParameter;
    if (data && !data_size) return RegStatus::kInvalidParameter;
    const Key* node = NodeOf(key.handle_);
    if (index >= node->values.size()) return RegStatus::kNoMoreItems;
    const RegistryTree::Value& value = node->values[index];
    // Checked before anything is written, so a failed call leaves both buffers alone.
    if (*name_size < value.name_length + 1) return RegStatus::kMoreData;
    if (data && *data_size < value.data_size) {
        *data_size = value.data_size;
        return RegStatus::kMoreData;
    }
    CopyName(value.Name(), name, name_size);
    return CopyData(value, data, data_size);
}

RegStatus Registry::QueryValue(const RegKey& key, const char16_t* name, std::uint8_t* data,
                               std::uint32_t* data_size) const {
    if (!key.is_open()) return RegStatus::kInvalidParameter;
    if (data && !data_size) return RegStatus::kInvalidParameter;
    const RegistryTree::Value* value =
        Tree(backend_).FindValue(NodeOf(key.handle_), NullTerminated(name));
    if (!value) return RegStatus::kFileNotFound;
    return CopyData(*value, data, data_size);
}

}  // namespace veltrane::platform
