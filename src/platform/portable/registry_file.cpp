// The loader: a file's lines are read one by one into a map of each key's subkeys and a list
// of its values' edits, and the tree is built from them once the last line is read.
#include "platform/portable/registry_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <memory_resource>
#include <new>
#include <unordered_map>

#include "common/registry_path.h"
#include "common/utf16le.h"
#include "common/windows1252.h"

namespace veltrane::platform {

namespace {

using Text = std::u16string_view;

struct FileFault {  // why a file is refused, on the line being read
    std::string reason;
};
[[noreturn]] void Fault(std::string reason) {
    throw FileFault{std::move(reason)};
}
RegistryFileResult Refused(const std::string& file, std::size_t line, const std::string& reason) {
    return {std::make_shared<const RegistryTree>(), RegistryFileError{file, line, reason}};
}
struct FileDescriptor {  // an open file, closed when it goes
    int fd;
    ~FileDescriptor() { ::close(fd); }
};

// The kinds of file by their first lines: regedit 5; REGEDIT4, 8-bit text whose string data
// is in the code page; Wine's hive, keys below the machine root, its own escapes, no deletions.
enum Dialect { kRegedit5, kRegedit4, kWine };
constexpr Text kHeaders[] = {u"Windows Registry Editor Version 5.00", u"REGEDIT4",
                             u"WINE REGISTRY Version 2"};
constexpr Text kMachineRoots[] = {u"HKEY_LOCAL_MACHINE", u"HKLM"};
constexpr Text kLinkTargetPrefix = u"\\Registry\\Machine\\";
constexpr Text kWineEscapes = u"[]abefnrtv", kWineEscaped = u"[]\a\b\x1b\f\n\r\t\v";

Text TrimLeft(Text s) {
    return s.substr(std::min(s.find_first_not_of(u" \t"), s.size()));
}
Text TrimRight(Text s) {
    return s.substr(0, s.find_last_not_of(u" \t") + 1);
}
std::uint32_t DigitValue(char16_t c) {  // 16 when it is no digit
    if (c >= u'0' && c <= u'9') return c - u'0';
    c |= 0x20;  // a letter in lower case
    return c >= u'a' && c <= u'f' ? c - u'a' + 10 : 16;
}
// How many digits in `base` (16 or 8) `s` starts with, up to `most`; their value in `value`.
std::size_t Digits(Text s, std::size_t most, std::uint32_t& value, std::uint32_t base = 16) {
    std::size_t n = 0;
    for (value = 0; n < most && n < s.size() && DigitValue(s[n]) < base; ++n)
        value = value * base + DigitValue(s[n]);
    return n;
}

// A piece of the file for a fault's reason: printable ASCII kept, the rest as '?'.
std::string Quote(Text text) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < 24; ++i)
        out.push_back(text[i] >= 0x20 && text[i] < 0x7F ? static_cast<char>(text[i]) : '?');
    return text.size() > 24 ? out + "..." : out;
}

void ExpectEnd(Text rest) {  // only blanks or a comment
    rest = TrimLeft(rest);
    if (!rest.empty() && rest.front() != u';')
        Fault("unexpected text '" + Quote(rest) + "' at the end of the line");
}

void CheckName(Text name, bool key) {
    const std::size_t longest = key ? kMaxKeyNameLength : kMaxValueNameLength;
    const char* what = key ? "key" : "value";
    if (key && name.empty()) Fault("empty key name in the path");
    if (name.size() > longest)
        Fault(what + (" name longer than " + std::to_string(longest)) + " characters");
    if (name.find(u'\0') != Text::npos) Fault(std::string("NUL character in a ") + what + " name");
}

// A line of 8-bit text as UTF-16 into `text`: in the code page, or UTF-8.
void Decode(std::string_view bytes, bool code_page, std::u16string& text) {
    text.resize(bytes.size());  // never more code units than bytes
    if (code_page) {
        std::ranges::transform(bytes, text.begin(), [](char c) { return Windows1252Unit(c); });
        return;
    }
    std::size_t n = 0;
    for (std::size_t i = 0; i < bytes.size(); ++n) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {  // ASCII, most of any file
            text[n] = b, ++i;
            continue;
        }
        const int ones = std::countl_one(b);  // 2 to 4: the sequence's length
        const std::size_t length = ones >= 2 && ones <= 4 ? ones : 0;
        char32_t cp = b & (0x7F >> ones);
        bool ok = length != 0 && i + length <= bytes.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            ok = (bytes[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (bytes[i + k] & 0x3F);
        }
        constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};  // by length: no overlong form
        if (!ok || cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            Fault(std::string("invalid UTF-8: byte 0x") + "0123456789ABCDEF"[b >> 4] +
                  "0123456789ABCDEF"[b & 15] + " starts no valid sequence");
        if (cp >= 0x10000) text[n++] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        text[n] = static_cast<char16_t>(cp >= 0x10000 ? 0xDC00 + ((cp - 0x10000) & 0x3FF) : cp);
        i += length;
    }
    text.resize(n);
}

}  // namespace

class RegistryFileReader {
  public:
    static RegistryFileResult Parse(std::string bytes, const std::string& name) {
        RegistryFileReader reader;
        reader.bytes_ = std::move(bytes);
        try {
            return {reader.Run(), std::nullopt};
        } catch (const FileFault& fault) {
            return Refused(name, std::max<std::size_t>(1, reader.number_), fault.reason);
        } catch (const std::bad_alloc&) {
            return Refused(name, reader.number_, "out of memory");
        }
    }

  private:
    using KeyId = std::uint32_t;
    using Value = RegistryTree::Value;
    using Key = RegistryTree::Key;
    static constexpr KeyId kNone = UINT32_MAX;

    std::shared_ptr<const RegistryTree> Run() {
        if (bytes_.starts_with("\xFF\xFE")) {  // UTF-16LE, as regedit writes it: the text at once
            wide_.resize((bytes_.size() - 2) / 2);
            std::memcpy(wide_.data(), bytes_.data() + 2, 2 * wide_.size());  // UTF-16LE in memory
            if (bytes_.size() % 2 != 0) {  // refused on the line after its last
                number_ = std::count(wide_.begin(), wide_.end(), u'\n') + 1;
                Fault("UTF-16 text with an odd number of bytes (" + std::to_string(bytes_.size()) +
                      "): the file is truncated");
            }
            std::string().swap(bytes_);
        } else if (bytes_.starts_with("\xFE\xFF")) {
            Fault("UTF-16 big-endian text is not a registry file format");
        }
        code_page_ = bytes_.starts_with("REGEDIT4");  // 8-bit text in the code page, else UTF-8
        pos_ = bytes_.starts_with("\xEF\xBB\xBF") ? 3 : 0;
        if (!NextLine()) Fault("empty file: no header line");
        const auto known = std::find(std::begin(kHeaders), std::end(kHeaders), TrimRight(line_));
        if (known == std::end(kHeaders))
            Fault("not a registry file: the first line is '" + Quote(TrimRight(line_)) + "'");
        dialect_ = static_cast<Dialect>(known - std::begin(kHeaders));
        while (NextLine()) Line(TrimRight(TrimLeft(line_)));
        std::string().swap(bytes_);  // no longer read: the tree needs the room
        return Build();
    }

    // The next line into line_, without its line end (LF or CR LF); false after the last.
    // 8-bit text is decoded a line at a time, so a line that cannot be is refused when it comes.
    bool NextLine() {
        const bool wide = !wide_.empty();
        const std::size_t size = wide ? wide_.size() : bytes_.size();
        if (pos_ >= size) return false;
        ++number_;
        const std::size_t end =
            std::min(wide ? wide_.find(u'\n', pos_) : bytes_.find('\n', pos_), size);
        if (!wide) Decode(bytes_.substr(pos_, end - pos_), code_page_, decoded_);
        line_ = wide ? Text(wide_).substr(pos_, end - pos_) : Text(decoded_);
        pos_ = end + 1;
        if (line_.ends_with(u'\r')) line_.remove_suffix(1);
        return true;
    }

    // A copy in the tree's storage: aligned for code units, never at null (deleted data is).
    std::span<const std::uint8_t> Keep(std::span<const std::uint8_t> bytes) {
        auto* at = static_cast<std::uint8_t*>(
            tree_->text_.allocate(std::max<std::size_t>(bytes.size(), 1), 2));
        std::ranges::copy(bytes, at);
        return {at, bytes.size()};
    }
    Text Keep(Text name) {
        return {reinterpret_cast<const char16_t*>(Keep(Utf16LeView(name)).data()), name.size()};
    }

    // The key at `path`, created with the keys on the way when `create`; kNone when it is
    // missing. Every name is checked. The keys of the path walked last are kept: files list a
    // key's subkeys after it, so most of the next path was walked just before.
    KeyId Walk(Text path, bool create) {
        KeyId key = 0;
        for (std::size_t depth = 0; !path.empty(); ++depth) {
            const Text name = TakeKeyName(path);
            if (depth < walked_.size() && tree_->keys_[walked_[depth]].name == name) {
                key = walked_[depth];  // its name was checked when it was made
                continue;
            }
            walked_.resize(std::min(depth, walked_.size()));
            CheckName(name, true);
            if (depth >= kMaxKeyDepth)
                Fault("keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
            if (key == kNone) continue;
            auto& subkeys = subkeys_[key];
            const auto at = subkeys.lower_bound(name);
            if (at != subkeys.end() && NamesEqual(at->first, name)) {
                walked_.push_back(key = at->second);
            } else if (create) {
                walked_.push_back(key = static_cast<KeyId>(subkeys_.size()));
                subkeys.emplace_hint(at, tree_->keys_.emplace_back().name = Keep(name), key);
                subkeys_.emplace_back();
            } else {
                key = kNone;
            }
        }
        return key;
    }

    void Line(Text line) {
        if (line.empty() || line.front() == u';') return;
        if (line.front() == u'[') return KeyLine(line);
        if (line.front() == u'@' || line.front() == u'"') return ValueLine(line);
        if (line.front() != u'#')
            Fault("unexpected line '" + Quote(line) + "': expected a [key], a value or a comment");
        if (dialect_ != kWine) Fault("unexpected line '" + Quote(line) + "'");
        // Of Wine's #time, #arch, #class and #link, only #link matters: the key is a link.
        if (line == u"#link" && key_.value_or(kNone) != kNone) links_.push_back(*key_);
    }

    void KeyLine(Text line) {
        path_.clear();
        bool deleting = false;
        if (dialect_ == kWine) {  // [Software\\Wine] 1700000000: escaped, then a time
            Text rest = TrimLeft(line.substr(ReadQuoted(line, 1, u']', path_, "key name")));
            ExpectEnd(rest.substr(std::min(rest.find_first_not_of(u"0123456789"), rest.size())));
        } else {
            const std::size_t close = line.rfind(u']');
            if (close == Text::npos) Fault("key line without a closing ']'");
            ExpectEnd(line.substr(close + 1));
            Text inner = line.substr(1, close - 1);
            deleting = inner.starts_with(u'-');
            inner.remove_prefix(deleting);
            if (inner.empty()) Fault("empty key path");
            const Text root = TakeKeyName(inner);  // `inner` keeps the path below the root
            key_ = kNone;                          // keys of the other roots are read and left out
            if (std::ranges::none_of(kMachineRoots, [&](Text r) { return NamesEqual(root, r); }))
                return;
            path_.assign(inner);
        }
        key_ = deleting ? kNone : Walk(path_, true);
        if (!deleting) return;
        if (path_.empty()) Fault("the root key cannot be deleted");
        const std::size_t cut = path_.rfind(u'\\');
        const KeyId parent = Walk(cut == Text::npos ? Text() : Text(path_).substr(0, cut), false);
        const Text name = cut == Text::npos ? Text(path_) : Text(path_).substr(cut + 1);
        CheckName(name, true);
        if (parent != kNone) subkeys_[parent].erase(name);
        walked_.clear();  // it may hold the key that went
    }

    void ValueLine(Text line) {
        if (!key_) Fault("value before any [key] line");
        name_.clear();
        const std::size_t pos =
            line.front() == u'"' ? ReadQuoted(line, 1, u'"', name_, "value name") : 1;
        Text data = TrimLeft(line.substr(pos));
        if (!data.starts_with(u'=')) Fault("expected '=' after the value name");
        data = TrimLeft(data.substr(1));
        const bool deleting = data.starts_with(u'-') && dialect_ != kWine;  // "name"=-
        if (deleting) ExpectEnd(data.substr(1));
        const std::uint32_t type = deleting ? 0 : ValueData(data);
        if (*key_ == kNone) return;
        if (!deleting) CheckName(name_, false);
        const auto kept = deleting ? std::span<const std::uint8_t>() : Keep(data_);
        tree_->keys_[*key_].values.push_back({Keep(name_), kept, type});
    }

    // An escaped text from `pos` up to `closing` into `out`; the position after `closing`.
    std::size_t ReadQuoted(Text line, std::size_t pos, char16_t closing, std::u16string& out,
                           const char* what) const {
        while (pos < line.size()) {
            std::size_t stop = pos;
            while (stop < line.size() && line[stop] != closing && line[stop] != u'\\') ++stop;
            out.append(line.substr(pos, stop - pos));
            if (stop < line.size() && line[stop] == closing) return stop + 1;
            if ((pos = stop + 2) > line.size()) break;
            const char16_t e = line[pos - 1];
            const std::size_t simple = kWineEscapes.find(e);
            std::uint32_t unit;
            if (e == u'\\' || e == u'"') {
                out.push_back(e);
            } else if (dialect_ == kWine && simple != Text::npos) {
                out.push_back(kWineEscaped[simple]);
            } else if (dialect_ == kWine && e == u'x') {  // one code unit in up to 4 hex digits
                const std::size_t digits = Digits(line.substr(pos), 4, unit);
                if (digits == 0) Fault(std::string("'\\x' without hex digits in ") + what);
                out.push_back(static_cast<char16_t>(unit));
                pos += digits;
            } else if (dialect_ == kWine && e >= u'0' && e <= u'7') {  // octal, up to 3 digits
                pos += Digits(line.substr(pos - 1), 3, unit, 8) - 1;
                out.push_back(static_cast<char16_t>(unit));
            } else {
                Fault("unknown escape '\\" + Quote(Text(&e, 1)) + "' in " + what);
            }
        }
        Fault(std::string("unterminated ") + what);
    }

    // "hex(N):" or "str(N):": the type N in hex.
    static std::uint32_t ReadType(Text& data) {
        data.remove_prefix(4);
        std::uint32_t type;
        const std::size_t digits = Digits(data, 9, type);
        if (digits > 8) Fault("value type over 32 bits");
        if (digits == 0 || !data.substr(digits).starts_with(u"):"))
            Fault("bad value type '" + Quote(data) + "'");
        data.remove_prefix(digits + 2);
        return type;
    }

    // The data after a value's '=' into data_; its registry type.
    std::uint32_t ValueData(Text data) {
        data_.clear();
        std::uint32_t type = kRegSz;
        if (dialect_ == kWine && data.starts_with(u"str(")) {
            type = ReadType(data);
            if (!data.starts_with(u'"')) Fault("expected a quoted string after 'str(...):'");
        }
        if (data.starts_with(u'"')) {
            text_.clear();
            ExpectEnd(data.substr(ReadQuoted(data, 1, u'"', text_, "string")));
            text_.push_back(u'\0');
            AppendUtf16Le(data_, text_);
            return type;
        }
        if (data.starts_with(u"dword:")) {
            std::uint32_t value;
            const std::size_t digits = Digits(data.substr(6), 9, value);
            if (digits == 0 || digits > 8) Fault("bad dword '" + Quote(data.substr(6)) + "'");
            ExpectEnd(data.substr(6 + digits));
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);  // little-endian
            data_.assign(bytes, bytes + 4);
            return kRegDword;
        }
        const bool binary = data.starts_with(u"hex:");
        if (!binary && !data.starts_with(u"hex("))
            Fault("unknown value data '" + Quote(data) + "'");
        type = binary ? kRegBinary : ReadType(data);
        if (binary) data.remove_prefix(4);
        for (bool more = HexLine(data); more; more = HexLine(line_)) {  // on continued lines
            if (!NextLine()) Fault("the file ends inside a continued value");
        }
        if (dialect_ != kRegedit4 ||
            (type != kRegSz && type != kRegExpandSz && type != kRegMultiSz))
            return type;
        // REGEDIT4 wrote the text of string types in the code page; the registry holds UTF-16.
        Decode({reinterpret_cast<const char*>(data_.data()), data_.size()}, true, text_);
        data_.clear();
        AppendUtf16Le(data_, text_);
        return type;
    }

    // The comma-separated bytes of one line; true when a trailing backslash continues them.
    bool HexLine(Text data) {
        for (data = TrimLeft(data); !data.empty() && data.front() != u';';) {
            if (data.front() == u'\\') {
                if (!TrimLeft(data.substr(1)).empty())
                    Fault("unexpected text after the continuation '\\'");
                return true;
            }
            const Text token =
                data.substr(0, std::min(data.find_first_of(u",\\; \t"), data.size()));
            if (token.empty()) Fault("missing hex byte before ','");
            std::uint32_t byte;
            if (Digits(token, 2, byte) != token.size())
                Fault("bad hex byte '" + Quote(token) + "'");
            data_.push_back(static_cast<std::uint8_t>(byte));
            data = TrimLeft(data.substr(token.size()));
            if (!data.empty() && Text(u",\\;").find(data.front()) == Text::npos)
                Fault("expected ',' between hex bytes");
            if (data.starts_with(u',')) data = TrimLeft(data.substr(1));
        }
        return false;
    }

    // The tree: each key's subkeys in Windows order, its values as its edits (held in its values
    // in the order they came; no data: deleted) leave them, and links resolved.
    std::shared_ptr<const RegistryTree> Build() {
        RegistryTree& tree = *tree_;
        for (std::size_t i = 0; i < subkeys_.size(); ++i) {
            Key& key = tree.keys_[i];
            for (const auto& [name, id] : subkeys_[i]) key.subkeys.push_back(&tree.keys_[id]);
            ApplyEdits(key.values);
            subkeys_[i].clear();  // spent: its nodes go back to the pool at once
        }
        for (KeyId id : links_) tree.keys_[id].link = LinkTarget(tree, tree.keys_[id]);
        DropLoops(tree);
        return std::move(tree_);
    }

    // A value set again keeps its place; one deleted goes, and comes back last if set again.
    void ApplyEdits(std::vector<Value>& values) {                  // in place: never written ahead
        std::pmr::map<Text, std::size_t, NameLess> index(&pool_);  // where each value is
        std::size_t n = 0;
        for (const Value& edit : values) {
            const auto [it, fresh] = index.try_emplace(edit.name, n);
            if (!edit.data.data()) {
                if (!fresh) values[it->second].name = {};
                index.erase(it);
            } else if (fresh) {
                values[n++] = edit;
            } else {
                values[it->second] = {values[it->second].name, edit.data, edit.type};
            }
        }
        values.resize(n);
        std::erase_if(values, [](const Value& v) { return !v.name.data(); });
    }

    // The key a link's value names ("\Registry\Machine\..."); null for none or itself.
    static const Key* LinkTarget(const RegistryTree& tree, const Key& link) {
        const Value* value = RegistryTree::FindValue(&link, u"SymbolicLinkValue");
        if (!value || value->type != kRegLink) return nullptr;
        Text path(reinterpret_cast<const char16_t*>(value->data.data()), value->data.size() / 2);
        path = path.substr(0, path.find_last_not_of(u'\0') + 1);
        if (!NamesEqual(path.substr(0, kLinkTargetPrefix.size()), kLinkTargetPrefix))
            return nullptr;
        path.remove_prefix(kLinkTargetPrefix.size());
        const Key* key = tree.Root();
        while (key && !path.empty()) key = RegistryTree::OpenChild(key, TakeKeyName(path));
        return key == &link ? nullptr : key;
    }

    // Drops each link that would lead a depth-first walk back into a key on its own path,
    // which would send the walk round forever.
    static void DropLoops(RegistryTree& tree) {
        std::unordered_map<const Key*, bool> on_path({{tree.Root(), true}},
                                                     tree.keys_.size());          // each key seen
        std::vector<std::pair<const Key*, std::size_t>> stack{{tree.Root(), 0}};  // next subkey
        while (!stack.empty()) {
            auto& [key, next] = stack.back();
            if (next == key->subkeys.size()) {
                on_path[key] = false;
                stack.pop_back();
                continue;
            }
            Key* child = const_cast<Key*>(key->subkeys[next++]);  // of the tree being built
            const auto it = on_path.find(RegistryTree::Follow(child));
            if (it != on_path.end() && it->second) child->link = nullptr;  // back into the path
            if (const Key* seen = RegistryTree::Follow(child); on_path.emplace(seen, true).second)
                stack.emplace_back(seen, 0);
        }
    }

    std::string bytes_;                 // the file
    std::u16string wide_;               // the whole text of a UTF-16 file, for its bytes
    bool code_page_ = false;            // in the code page, not UTF-8
    std::size_t pos_ = 0, number_ = 0;  // where the next line starts, the line's number
    std::u16string decoded_;            // the current line of an 8-bit file
    Dialect dialect_ = kRegedit5;
    std::optional<KeyId> key_;   // the current key: none before the first, kNone when skipped
    std::vector<KeyId> links_;   // the keys marked as links
    std::vector<KeyId> walked_;  // the keys of the path walked last, the root's subkey first
    Text line_;
    std::u16string path_, name_, text_;
    std::vector<std::uint8_t> data_;
    std::pmr::unsynchronized_pool_resource pool_;  // the nodes of the reader's maps
    // Each key's subkeys by name, at the index of the key in the tree; a deleted key stays.
    std::pmr::deque<std::pmr::map<Text, KeyId, NameLess>> subkeys_ = decltype(subkeys_)(1, &pool_);
    std::shared_ptr<RegistryTree> tree_ = std::make_shared<RegistryTree>();
};

RegistryFileResult ParseRegistryText(std::string_view bytes, const std::string& name_for_errors) {
    return RegistryFileReader::Parse(std::string(bytes), name_for_errors);
}

RegistryFileResult LoadRegistryFile(const std::filesystem::path& path) {
    const std::string name = path.string();
    auto refused = [&name](const std::string& why) {
        return Refused(name, 0, "cannot read: " + why);
    };
    // Without blocking: opening a FIFO that nobody writes must not stop the load.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return Refused(name, 0, std::string("cannot open: ") + std::strerror(errno));
    const FileDescriptor file{fd};
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) return refused(std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return refused("it is a directory");
    if (!S_ISREG(info.st_mode)) return refused("not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > kMaxRegistryFileSize)
        return refused("larger than " + std::to_string(kMaxRegistryFileSize >> 20) + " MiB");
    // Read up to the size it had when opened: a file that grows meanwhile ends there.
    const auto size = static_cast<std::size_t>(info.st_size);
    try {  // the reader refuses what it cannot hold itself, with the line it reached
        std::string bytes(size, '\0');
        std::size_t got = 0;
        for (ssize_t n = 1; got < size && n != 0; got += n > 0 ? n : 0) {
            n = ::read(file.fd, bytes.data() + got, size - got);  // 0: it shrank
            if (n < 0 && errno != EINTR) return refused(std::strerror(errno));
        }
        bytes.resize(got);
        return RegistryFileReader::Parse(std::move(bytes), name);
    } catch (const std::bad_alloc&) {
        return refused("out of memory");
    }
}

}  // namespace veltrane::platform
