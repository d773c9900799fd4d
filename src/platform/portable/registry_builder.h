// Building a registry tree: keys and values are created, changed and deleted by path
// below the root ("SYSTEM\\Setup"), in any order, as a registry file or a test lists them;
// Freeze() then yields the tree that readers use.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/portable/registry_tree.h"

namespace veltrane::platform {

enum class TreeEditStatus {
    kOk,
    kEmptyName,    // a path with an empty element
    kNameTooLong,  // a key name over 255 or a value name over 16383 characters
    kInvalidName,  // a name with a NUL in it, which no Win32 call can name
    kTooDeep,      // a key more than 512 levels below the root
    kNotFound,     // a key to change or delete from does not exist
};

class RegistryBuilder {
  public:
    RegistryBuilder();

    // Missing keys on the way are created.
    TreeEditStatus CreateKey(std::u16string_view path) {
        std::uint32_t key = 0;
        return Walk(path, true, key);
    }
    // Setting an existing value keeps its place among the key's values.
    TreeEditStatus SetValue(std::u16string_view path, std::u16string_view name, std::uint32_t type,
                            std::span<const std::uint8_t> data);
    // A string value as regedit stores it: UTF-16LE with its terminating NUL.
    TreeEditStatus SetString(std::u16string_view path, std::u16string_view name,
                             std::u16string_view text, std::uint32_t type = kRegSz);
    TreeEditStatus DeleteKey(std::u16string_view path);
    TreeEditStatus DeleteValue(std::u16string_view path, std::u16string_view name);
    // Wine's symbolic link: opening the key opens the key its REG_LINK value
    // "SymbolicLinkValue" names ("\Registry\Machine\...").
    TreeEditStatus MarkLink(std::u16string_view path) { return Mark(path, &Key::link); }

    // The finished tree: what was deleted is gone, links are resolved (one that would lead
    // a walk round in a loop is dropped). The builder may go on to build another.
    std::shared_ptr<const RegistryTree> Freeze() const;

  private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    // Folded name hash -> key or value, kept for a key once its list is too long to scan.
    using NameIndex = std::unordered_multimap<std::size_t, std::uint32_t>;
    struct Key {
        std::u16string_view name;
        std::vector<std::uint32_t> subkeys;  // as they came, deleted ones included
        std::uint32_t first_value = kNone;   // the values, chained in creation order
        std::uint32_t last_value = kNone;
        std::uint32_t value_count = 0;  // the chain's length, deleted ones included
        bool in_order = true;           // every subkey came after the last in Windows order
        bool link = false;
        bool deleted = false;
        std::unique_ptr<NameIndex> subkey_index;
        std::unique_ptr<NameIndex> value_index;
    };
    struct Value {
        RegistryTree::Value value;
        std::uint32_t next = kNone;
        bool deleted = false;
    };

    TreeEditStatus Mark(std::u16string_view path, bool Key::*flag);
    std::u16string_view Store(std::u16string_view text);
    TreeEditStatus Walk(std::u16string_view path, bool create, std::uint32_t& key);
    // The live subkey or value of that name, or kNone.
    std::uint32_t FindSubkey(std::uint32_t parent, std::u16string_view name) const;
    std::uint32_t FindValue(std::uint32_t key, std::u16string_view name) const;
    std::uint32_t AddSubkey(std::uint32_t parent, std::u16string_view name);
    void AddValue(std::uint32_t key, const RegistryTree::Value& value);
    static void ResolveLinks(RegistryTree& tree, const std::vector<RegistryTree::Key*>& links);

    std::vector<Key> keys_;  // the root first; a deleted key stays here, unreachable
    std::vector<Value> values_;
    std::shared_ptr<TextArena> text_ = std::make_shared<TextArena>();
    // The path walked last and the key of each of its elements: a file lists a key's
    // values and subkeys right after it, so most walks repeat all or most of the last.
    std::u16string last_path_;
    std::vector<std::uint32_t> last_keys_;
};

}  // namespace veltrane::platform
