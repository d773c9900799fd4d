// Building a registry tree: keys and values are created, changed and deleted by path
// below the root ("SYSTEM\\Setup"), in any order, as a registry file or a test lists them;
// Freeze() then yields the tree that readers use.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
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
    // Opening the key fails with access denied, as for a key whose security forbids it.
    TreeEditStatus Deny(std::u16string_view path) { return Mark(path, &Key::denied); }

    // The finished tree: what was deleted is gone, links are resolved (one that would lead
    // a walk round in a loop is dropped). The builder may go on to build another.
    std::shared_ptr<const RegistryTree> Freeze() const;

  private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    struct Key {
        std::u16string_view name;
        std::vector<std::uint32_t> subkeys;  // in Windows order
        std::uint32_t first_value = kNone;   // the key's values, chained in creation order
        bool denied = false;
        bool link = false;
    };
    struct Value {
        RegistryTree::Value value;
        std::uint32_t next;
    };

    TreeEditStatus Mark(std::u16string_view path, bool Key::*flag);
    std::u16string_view Store(std::u16string_view text);
    TreeEditStatus Walk(std::u16string_view path, bool create, std::uint32_t& key);
    std::uint32_t FindSubkey(const Key& parent, std::u16string_view name, bool& found) const;
    // The link to the value called `name`, or the one at the end of the chain (kNone).
    std::uint32_t* FindValueLink(std::uint32_t key, std::u16string_view name);
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
