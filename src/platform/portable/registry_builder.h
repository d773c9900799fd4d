// Building a registry tree: keys are created and deleted by path below the root
// ("SYSTEM\\Setup"), in any order, as a registry file lists them, and their values set and
// deleted through the key as CreateKey gives it; Freeze() then yields the tree that readers
// use.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
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

    // A key as CreateKey gives it, for the edits of its values that follow; it lasts until
    // the key is deleted.
    using KeyId = std::uint32_t;

    // Missing keys on the way are created.
    TreeEditStatus CreateKey(std::u16string_view path, KeyId& key) { return Walk(path, true, key); }
    // Setting an existing value keeps its place among the key's values.
    TreeEditStatus SetValue(KeyId key, std::u16string_view name, std::uint32_t type,
                            std::span<const std::uint8_t> data);
    TreeEditStatus DeleteKey(std::u16string_view path);
    TreeEditStatus DeleteValue(KeyId key, std::u16string_view name);
    // Wine's symbolic link: opening the key opens the key its REG_LINK value
    // "SymbolicLinkValue" names ("\Registry\Machine\...").
    void MarkLink(KeyId key) { keys_[key].link = true; }

    // The finished tree: what was deleted is gone, links are resolved (one that would lead
    // a walk round in a loop is dropped). The builder may go on to build another.
    std::shared_ptr<const RegistryTree> Freeze() const;

  private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    // Folded name hash -> key or value, kept for a key once its list is too long to scan.
    using NameIndex = std::unordered_multimap<std::size_t, std::uint32_t>;
    // Records that grow a chunk at a time: nothing is copied as they grow.
    template <typename T>
    class Chunked {
      public:
        T& operator[](std::size_t i) { return chunks_[i >> kShift][i & (kSize - 1)]; }
        const T& operator[](std::size_t i) const { return chunks_[i >> kShift][i & (kSize - 1)]; }
        std::uint32_t size() const { return size_; }
        std::size_t bytes() const { return chunks_.size() * kSize * sizeof(T); }
        static bool SameChunk(std::size_t a, std::size_t b) { return a >> kShift == b >> kShift; }
        T& emplace_back() {
            if ((size_ >> kShift) == chunks_.size())
                chunks_.push_back(std::make_unique<T[]>(kSize));
            return (*this)[size_++];
        }

      private:
        static constexpr std::size_t kShift = 12;
        static constexpr std::size_t kSize = std::size_t{1} << kShift;
        std::vector<std::unique_ptr<T[]>> chunks_;
        std::uint32_t size_ = 0;
    };
    // Subkeys or values chained in the order they came, deleted ones included.
    struct List {
        std::uint32_t first = kNone;
        std::uint32_t last = kNone;
        std::uint32_t count = 0;
    };
    struct Key {
        const char16_t* name = u"";
        std::uint16_t name_length = 0;
        bool in_order = true;  // every subkey came after the last in Windows order
        bool link = false;
        bool deleted = false;
        std::uint32_t next = kNone;  // on its parent's list
        List subkeys;
        List values;

        std::u16string_view Name() const { return {name, name_length}; }
    };
    struct Value {
        std::uint32_t record;  // what the tree is given
        std::uint32_t next = kNone;
        bool deleted = false;
    };
    using Records = Chunked<RegistryTree::Value>;
    std::u16string_view NameOf(const Key& key) const { return key.Name(); }
    std::u16string_view NameOf(const Value& value) const {
        return (*records_)[value.record].Name();
    }

    // A copy of names or data in the tree's text; one copy serves pieces stored alike.
    const std::uint8_t* Store(std::span<const std::uint8_t> bytes);
    const char16_t* StoreName(std::u16string_view name);
    TreeEditStatus Walk(std::u16string_view path, bool create, std::uint32_t& key);
    // The indexes of the lists that have one, by the key they belong to.
    using Indexes = std::unordered_map<std::uint32_t, NameIndex>;
    // The live subkey or value of that name, or kNone.
    std::uint32_t FindSubkey(std::uint32_t parent, std::u16string_view name);
    template <typename Chain>
    std::uint32_t Find(const Chain& chain, const List& list, Indexes& indexes, std::uint32_t owner,
                       std::u16string_view name) const;
    template <typename Chain>
    void Append(Chain& chain, List& list, Indexes& indexes, std::uint32_t owner, std::uint32_t id);
    // A key's live values where they lie, if side by side in one chunk as a file lists them.
    std::optional<std::span<const RegistryTree::Value>> ValuesInPlace(const Key& key) const;
    std::uint32_t AddSubkey(std::uint32_t parent, std::u16string_view name);
    static void ResolveLinks(RegistryTree& tree, const std::vector<RegistryTree::Key*>& links);

    Chunked<Key> keys_;  // the root first; a deleted key stays here, unreachable
    Chunked<Value> values_;
    std::shared_ptr<Records> records_ = std::make_shared<Records>();  // shared with trees
    Indexes subkey_indexes_;
    Indexes value_indexes_;
    std::shared_ptr<TextArena> text_ = std::make_shared<TextArena>();
    // Pieces stored lately, by a hash of their size and ends: many keys have subkeys,
    // values and data alike.
    std::vector<std::span<const std::uint8_t>> recent_;
    // The path walked last, where each of its names ends, and the key of each: a file
    // lists a key's values and subkeys right after it, so most walks repeat all or most of
    // the last.
    std::u16string last_path_;
    std::vector<std::uint32_t> last_ends_;
    std::vector<std::uint32_t> last_keys_;
};

}  // namespace veltrane::platform
