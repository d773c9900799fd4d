// An in-memory registry below HKEY_LOCAL_MACHINE that behaves like the Win32 one: names
// are matched without regard to letter case, subkeys are enumerated in Windows order
// (ascending by upper-cased name, code unit by code unit) and values in the order they were
// created. A Builder makes a tree once, as a registry file lists its edits; it never
// changes afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "common/registry_value_types.h"

namespace veltrane::platform {

// Limits of the Win32 registry.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;

// The upper-case form Windows compares names by (ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic); other code units compare as they are.
char16_t FoldNameUnit(char16_t unit);
bool NamesEqual(std::u16string_view a, std::u16string_view b);
// Windows order of subkey names: <0, 0, >0.
int CompareNames(std::u16string_view a, std::u16string_view b);

class RegistryTree {
  public:
    struct Value {
        const char16_t* name;
        const std::uint8_t* data;
        std::uint32_t name_length;  // code units
        std::uint32_t data_size;    // bytes
        std::uint32_t type;

        std::u16string_view Name() const { return {name, name_length}; }
        std::span<const std::uint8_t> Data() const { return {data, data_size}; }
    };
    struct Key {
        const char16_t* name;
        std::uint32_t name_length;
        const Key* link;  // a symbolic link key: opening it opens this one
        std::span<const Key* const> subkeys;
        std::span<const Value> values;

        std::u16string_view Name() const { return {name, name_length}; }
    };
    class Builder;

    // An empty registry: a root without subkeys or values.
    RegistryTree();
    RegistryTree(const RegistryTree&) = delete;
    RegistryTree& operator=(const RegistryTree&) = delete;

    const Key* Root() const { return &keys_.front(); }
    // The subkey called `name`, following a link as opening a key does on Windows.
    const Key* OpenChild(const Key* parent, std::u16string_view name) const;
    const Value* FindValue(const Key* key, std::u16string_view name) const;
    // Bytes held by the tree, for measurements.
    std::size_t MemoryUsed() const;

  private:
    std::vector<Key> keys_;  // breadth first from the root, so each key's subkeys lie together
    std::vector<const Key*> subkeys_;
    std::vector<Value> values_;
    std::vector<std::unique_ptr<std::uint8_t[]>> text_;  // names and data
    std::size_t text_bytes_ = 0;
};

// Keys are created and deleted by path below the root ("SYSTEM\\Setup") and their values
// set and deleted through the key CreateKey gave, in the order a file lists them.
class RegistryTree::Builder {
  public:
    enum class Status {
        kOk,
        kEmptyName,    // a path with an empty element
        kNameTooLong,  // a key name over 255 or a value name over 16383 characters
        kInvalidName,  // a name with a NUL in it, which no Win32 call can name
        kTooDeep,      // a key more than 512 levels below the root
        kNotFound,     // a key to delete, or one on the way to it, does not exist
    };
    using KeyId = std::uint32_t;

    Builder();
    // Missing keys on the way are created.
    Status CreateKey(std::u16string_view path, KeyId& key);
    Status DeleteKey(std::u16string_view path);
    // Setting an existing value keeps its place among the key's values.
    Status SetValue(KeyId key, std::u16string_view name, std::uint32_t type,
                    std::span<const std::uint8_t> data);
    void DeleteValue(KeyId key, std::u16string_view name);
    // Wine's symbolic link: opening the key opens the key its REG_LINK value
    // "SymbolicLinkValue" names ("\Registry\Machine\...").
    void MarkLink(KeyId key) { keys_[key].link = true; }

    // The finished tree: what was deleted is gone, links are resolved (one that would lead
    // a walk round in a loop is dropped). The builder is spent.
    std::shared_ptr<const RegistryTree> Build();

  private:
    struct NameLess {
        bool operator()(std::u16string_view a, std::u16string_view b) const {
            return CompareNames(a, b) < 0;
        }
    };
    struct Edit {
        Value value;
        bool deletes;
    };
    struct Node {
        std::u16string_view name;
        std::map<std::u16string_view, KeyId, NameLess> subkeys;  // of names in text_
        std::vector<Edit> edits;                                 // of its values, in order
        bool link = false;
    };
    struct Step {  // a name of the path walked last: where it ends and its key
        std::size_t end;
        KeyId key;
    };

    const std::uint8_t* Keep(std::span<const std::uint8_t> bytes);
    std::u16string_view KeepName(std::u16string_view name);
    Status Walk(std::u16string_view path, bool create, KeyId& key);
    // The key's values as its edits leave them, appended to the tree's.
    void ApplyEdits(const Node& node, std::vector<Value>& values);
    static void ResolveLinks(RegistryTree& tree, const std::vector<Key*>& links);

    std::vector<Node> keys_;  // the root first; a deleted key stays, unreachable
    std::unique_ptr<RegistryTree> tree_ = std::make_unique<RegistryTree>();  // holds the text
    std::uint8_t* block_ = nullptr;  // the block small pieces are cut from
    std::size_t used_ = 0;
    std::u16string last_path_;
    std::vector<Step> last_;
    std::vector<std::uint32_t> slots_;  // ApplyEdits' table of names
    std::vector<bool> gone_;            // and which of the key's values were deleted
};

}  // namespace veltrane::platform
