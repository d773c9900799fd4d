// An in-memory registry below HKEY_LOCAL_MACHINE that behaves like the Win32 one: keys
// hold subkeys and values; names are matched without regard to letter case; subkeys are
// enumerated in Windows order (ascending by upper-cased name, code unit by code unit) and
// values in the order they were created. Names and data live in one chunked arena, so a
// large tree costs little beyond its text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace veltrane::platform {

// Limits of the Win32 registry.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;
inline constexpr std::size_t kMaxKeyDepth = 512;

// Registry value types that this code names.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegLink = 6;
inline constexpr std::uint32_t kRegMultiSz = 7;

// The upper-case form Windows compares names by (ASCII, Latin-1, Latin Extended-A, Greek,
// Cyrillic); other code units compare as they are.
char16_t FoldNameUnit(char16_t unit);
bool NamesEqual(std::u16string_view a, std::u16string_view b);
// Windows order of subkey names: <0, 0, >0.
int CompareNames(std::u16string_view a, std::u16string_view b);

enum class TreeEditStatus {
    kOk,
    kEmptyName,    // a path with an empty element
    kNameTooLong,  // a key name over 255 or a value name over 16383 characters
    kInvalidName,  // a name with a NUL in it, which no Win32 call can name
    kTooDeep,      // a key more than 512 levels below the root
    kNotFound,     // a key to mark or delete from does not exist
};

class RegistryTree {
  public:
    struct Value {
        const char16_t* name;
        const std::uint8_t* data;
        std::uint32_t name_length;  // code units
        std::uint32_t data_size;    // bytes
        std::uint32_t type;
        bool deleted;  // dropped while loading; never seen by readers

        std::u16string_view Name() const { return {name, name_length}; }
        std::span<const std::uint8_t> Data() const { return {data, data_size}; }
    };

    struct Key {
        const char16_t* name;
        std::uint32_t name_length;
        bool denied;
        bool deleted;
        bool unsorted;    // while loading: subkeys arrived out of Windows order
        const Key* link;  // a symbolic link key: opening it opens this one
        std::vector<Key*> subkeys;
        std::vector<Value> values;

        std::u16string_view Name() const { return {name, name_length}; }
    };

    RegistryTree();
    ~RegistryTree();
    RegistryTree(const RegistryTree&) = delete;
    RegistryTree& operator=(const RegistryTree&) = delete;

    // Reading. A key's subkeys and values are reached through these; the link of a link
    // key is followed by OpenChild, as opening a key does on Windows.
    const Key* Root() const { return root_; }
    const Key* OpenChild(const Key* parent, std::u16string_view name) const;
    const Value* FindValue(const Key* key, std::u16string_view name) const;

    // Building, by path below the root ("SYSTEM\\Setup"); missing keys are created.
    TreeEditStatus CreateKey(std::u16string_view path);
    TreeEditStatus SetValue(std::u16string_view path, std::u16string_view name, std::uint32_t type,
                            std::span<const std::uint8_t> data);
    // A string value as regedit stores it: UTF-16LE with its terminating NUL.
    TreeEditStatus SetString(std::u16string_view path, std::u16string_view name,
                             std::u16string_view text, std::uint32_t type = kRegSz);
    TreeEditStatus MarkDenied(std::u16string_view path);
    TreeEditStatus DeleteKey(std::u16string_view path);
    TreeEditStatus DeleteValue(std::u16string_view path, std::u16string_view name);

    // Building by node, for the file loader.
    Key* RootForEdit() { return root_; }
    // The child called `name`, created when missing (nullptr for a name over the limit).
    Key* Child(Key* parent, std::u16string_view name);
    Key* FindChild(const Key* parent, std::u16string_view name) const;
    TreeEditStatus PutValue(Key* key, std::u16string_view name, std::uint32_t type,
                            std::span<const std::uint8_t> data);
    void RemoveValue(Key* key, std::u16string_view name);
    void RemoveChild(Key* parent, std::u16string_view name);
    void SetLink(Key* key, const Key* target) { key->link = target; }

    // A loader adds many keys in file order: subkeys are then appended and indexed, and
    // EndBulkLoad puts every key's subkeys into Windows order and drops what was deleted.
    void BeginBulkLoad();
    void EndBulkLoad();

    // Bytes held by the tree (nodes, vectors, arena), for measurements.
    std::size_t MemoryUsed() const;

  private:
    struct ChildRef {
        const void* owner;
        std::u16string_view name;
        bool operator==(const ChildRef& other) const;
    };
    struct ChildRefHash {
        std::size_t operator()(const ChildRef& ref) const;
    };

    const char16_t* StoreName(std::u16string_view name);
    const std::uint8_t* StoreBytes(std::span<const std::uint8_t> bytes);
    void* Allocate(std::size_t size);
    Key* NewKey(std::u16string_view name);
    TreeEditStatus Walk(std::u16string_view path, bool create, Key** out);
    Value* FindValueForEdit(Key* key, std::u16string_view name);
    void IndexSubkeys(Key* parent);
    void IndexValues(Key* key);

    std::deque<Key> keys_;
    Key* root_;
    std::vector<std::unique_ptr<std::uint8_t[]>> chunks_;
    std::size_t chunk_used_ = 0;
    std::size_t chunk_size_ = 0;
    std::size_t arena_bytes_ = 0;
    bool bulk_ = false;
    // While loading: subkeys and values of the keys that have many, by name.
    std::unordered_map<ChildRef, Key*, ChildRefHash> subkey_index_;
    std::unordered_map<ChildRef, std::size_t, ChildRefHash> value_index_;
};

}  // namespace veltrane::platform
