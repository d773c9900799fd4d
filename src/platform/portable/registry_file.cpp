#include "platform/portable/registry_file.h"

#include <array>
#include <cstring>
#include <fstream>
#include <new>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/portable/registry_text.h"

namespace veltrane::platform {

namespace {

// Wine's one-letter string escapes and what each stands for.
struct SimpleEscape {
    char16_t letter;
    char16_t value;
};
constexpr SimpleEscape kWineEscapes[] = {
    {u'[', u'['},  {u']', u']'},  {u'a', u'\a'}, {u'b', u'\b'}, {u'e', u'\x1b'},
    {u'f', u'\f'}, {u'n', u'\n'}, {u'r', u'\r'}, {u't', u'\t'}, {u'v', u'\v'},
};

// The character a one-letter Wine escape stands for, or null for any other letter.
const char16_t* WineEscape(char16_t letter) {
    for (const SimpleEscape& escape : kWineEscapes) {
        if (escape.letter == letter) return &escape.value;
    }
    return nullptr;
}

enum class Dialect { kRegedit5, kRegedit4, kWine };

struct Header {
    std::u16string_view line;
    Dialect dialect;
};
constexpr std::array<Header, 3> kHeaders = {{
    {u"Windows Registry Editor Version 5.00", Dialect::kRegedit5},
    {u"REGEDIT4", Dialect::kRegedit4},
    {u"WINE REGISTRY Version 2", Dialect::kWine},
}};

constexpr std::array<std::u16string_view, 2> kMachineRoots = {u"HKEY_LOCAL_MACHINE", u"HKLM"};
constexpr std::u16string_view kLinkDirective = u"#link";
constexpr std::u16string_view kLinkValueName = u"SymbolicLinkValue";
constexpr std::u16string_view kLinkTargetPrefix = u"\\Registry\\Machine\\";

struct ParseError {
    std::size_t line;
    std::string reason;
};

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

std::u16string_view TrimLeft(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::u16string_view TrimRight(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// A piece of the file for an error message: printable ASCII kept, the rest as '?'.
std::string Quote(std::u16string_view text) {
    constexpr std::size_t kShown = 24;
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
        out.push_back(text[i] >= 0x20 && text[i] < 0x7F ? static_cast<char>(text[i]) : '?');
    }
    if (text.size() > kShown) out += "...";
    return out;
}

void AppendUtf16Le(std::vector<std::uint8_t>& bytes, std::u16string_view text) {
    std::size_t at = bytes.size();
    bytes.resize(at + text.size() * 2);
    for (char16_t c : text) {
        bytes[at++] = static_cast<std::uint8_t>(c & 0xFF);
        bytes[at++] = static_cast<std::uint8_t>(c >> 8);
    }
}

// Lines of the file; a line that cannot be decoded is a fault of the file.
class LineReader {
  public:
    explicit LineReader(RegistryTextLines& lines) : lines_(lines) {}

    bool Next(std::u16string_view& line) {
        TextDecodeFailure failure;
        switch (lines_.Next(line, failure)) {
            case RegistryTextLines::Result::kLine:
                return true;
            case RegistryTextLines::Result::kEnd:
                return false;
            case RegistryTextLines::Result::kUndecodable:
                break;
        }
        throw ParseError{failure.line, failure.reason};
    }
    std::size_t number() const { return lines_.line_number(); }

  private:
    RegistryTextLines& lines_;
};

class Parser {
  public:
    explicit Parser(RegistryTextLines& lines) : reader_(lines) { tree_->BeginBulkLoad(); }

    std::shared_ptr<RegistryTree> Run();
    std::size_t line() const { return reader_.number(); }

  private:
    enum class State { kNoKey, kInKey, kSkipping };
    using Key = RegistryTree::Key;

    [[noreturn]] void Fail(std::string reason) const {
        throw ParseError{reader_.number(), std::move(reason)};
    }
    void ReadHeader();
    void KeyLine(std::u16string_view line);
    void SplitPath(std::u16string_view path);
    Key* EnterPath();
    void DeletePath();
    void ValueLine(std::u16string_view line);
    std::size_t ReadQuoted(std::u16string_view line, std::size_t pos, char16_t closing,
                           std::u16string& out, const char* what) const;
    std::uint32_t ReadType(std::u16string_view& data) const;
    void StringData(std::u16string_view data);
    void DwordData(std::u16string_view data);
    void HexData(std::u16string_view data, std::uint32_t type);
    void ExpectEnd(std::u16string_view rest) const;
    void ResolveLinks();

    LineReader reader_;
    std::shared_ptr<RegistryTree> tree_ = std::make_shared<RegistryTree>();
    Dialect dialect_ = Dialect::kRegedit5;
    State state_ = State::kNoKey;
    Key* current_ = nullptr;
    std::vector<std::u16string_view> path_;  // the elements of the last key line
    std::vector<Key*> open_path_;            // the keys of the last key entered
    std::vector<Key*> links_;
    std::u16string key_text_;
    std::u16string name_;
    std::u16string text_;
    std::vector<std::uint8_t> bytes_;
};

std::shared_ptr<RegistryTree> Parser::Run() {
    ReadHeader();
    std::u16string_view line;
    while (reader_.Next(line)) {
        line = TrimRight(TrimLeft(line));
        if (line.empty() || line.front() == u';') continue;
        switch (line.front()) {
            case u'[':
                KeyLine(line);
                break;
            case u'@':
            case u'"':
                ValueLine(line);
                break;
            case u'#':
                if (dialect_ != Dialect::kWine) Fail("unexpected line '" + Quote(line) + "'");
                // Wine's #time, #arch, #class lines say nothing a reader needs; #link
                // makes the current key a symbolic link.
                if (line == kLinkDirective && state_ == State::kInKey) links_.push_back(current_);
                break;
            default:
                Fail("unexpected line '" + Quote(line) +
                     "': expected a [key], a value or a comment");
        }
    }
    tree_->EndBulkLoad();
    ResolveLinks();
    return std::move(tree_);
}

void Parser::ReadHeader() {
    std::u16string_view line;
    if (!reader_.Next(line)) throw ParseError{1, "empty file: no header line"};
    line = TrimRight(line);
    for (const Header& header : kHeaders) {
        if (line == header.line) {
            dialect_ = header.dialect;
            return;
        }
    }
    Fail("not a registry file: the first line is '" + Quote(line) + "'");
}

void Parser::KeyLine(std::u16string_view line) {
    std::u16string_view inner;
    if (dialect_ == Dialect::kWine) {
        // [Software\\Wine] 1700000000: an escaped path, then the time of the last change.
        key_text_.clear();
        std::u16string_view rest = line.substr(ReadQuoted(line, 1, u']', key_text_, "key name"));
        rest = TrimLeft(rest);
        while (!rest.empty() && rest.front() >= u'0' && rest.front() <= u'9') rest.remove_prefix(1);
        ExpectEnd(rest);
        inner = key_text_;
    } else {
        const std::size_t close = line.rfind(u']');
        if (close == std::u16string_view::npos) Fail("key line without a closing ']'");
        ExpectEnd(line.substr(close + 1));
        inner = line.substr(1, close - 1);
    }

    bool deleting = false;
    if (dialect_ != Dialect::kWine) {
        if (!inner.empty() && inner.front() == u'-') {
            deleting = true;
            inner.remove_prefix(1);
        }
        if (inner.empty()) Fail("empty key path");
        const std::size_t cut = inner.find(u'\\');
        const std::u16string_view root = inner.substr(0, cut);
        bool machine = false;
        for (std::u16string_view name : kMachineRoots) machine = machine || NamesEqual(root, name);
        if (!machine) {
            // Keys of the other roots (HKEY_CURRENT_USER, ...) are read and left out.
            state_ = State::kSkipping;
            return;
        }
        inner = cut == std::u16string_view::npos ? std::u16string_view{} : inner.substr(cut + 1);
    }
    SplitPath(inner);
    if (deleting) {
        DeletePath();
        state_ = State::kSkipping;
        return;
    }
    current_ = EnterPath();
    state_ = State::kInKey;
}

void Parser::SplitPath(std::u16string_view path) {
    path_.clear();
    while (!path.empty()) {
        const std::size_t cut = path.find(u'\\');
        const std::u16string_view name = path.substr(0, cut);
        path = cut == std::u16string_view::npos ? std::u16string_view{} : path.substr(cut + 1);
        if (name.empty()) Fail("empty key name in the path");
        // No Win32 call can name such a key.
        if (name.find(u'\0') != std::u16string_view::npos) Fail("NUL character in a key name");
        if (name.size() > kMaxKeyNameLength) {
            Fail("key name longer than " + std::to_string(kMaxKeyNameLength) + " characters");
        }
        if (path_.size() == kMaxKeyDepth) {
            Fail("keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        }
        path_.push_back(name);
    }
}

// Files list a key's subkeys right after it, so the path of the last key entered is kept
// and only the elements that differ are looked up.
Parser::Key* Parser::EnterPath() {
    std::size_t same = 0;
    while (same < open_path_.size() && same < path_.size() &&
           NamesEqual(open_path_[same]->Name(), path_[same])) {
        ++same;
    }
    open_path_.resize(same);
    Key* key = same ? open_path_.back() : tree_->RootForEdit();
    for (std::size_t i = same; i < path_.size(); ++i) {
        key = tree_->Child(key, path_[i]);
        open_path_.push_back(key);
    }
    return key;
}

void Parser::DeletePath() {
    open_path_.clear();
    if (path_.empty()) Fail("the root key cannot be deleted");
    Key* parent = tree_->RootForEdit();
    for (std::size_t i = 0; i + 1 < path_.size() && parent; ++i) {
        parent = tree_->FindChild(parent, path_[i]);
    }
    if (parent) tree_->RemoveChild(parent, path_.back());
}

// Reads an escaped text from `pos` up to `closing`; returns the position after it.
std::size_t Parser::ReadQuoted(std::u16string_view line, std::size_t pos, char16_t closing,
                               std::u16string& out, const char* what) const {
    while (pos < line.size()) {
        // Plain text up to the next backslash or the closing mark, in one piece.
        std::size_t run = pos;
        while (run < line.size() && line[run] != closing && line[run] != u'\\') ++run;
        out.append(line.data() + pos, run - pos);
        pos = run;
        if (pos == line.size()) break;
        const char16_t c = line[pos++];
        if (c == closing) return pos;
        if (pos >= line.size()) break;
        const char16_t e = line[pos++];
        if (e == u'\\' || e == u'"') {
            out.push_back(e);
            continue;
        }
        if (dialect_ != Dialect::kWine) {
            Fail(std::string("unknown escape '\\") + Quote(std::u16string_view(&e, 1)) + "' in " +
                 what);
        }
        if (const char16_t* plain = WineEscape(e)) {
            out.push_back(*plain);
            continue;
        }
        if (e == u'x') {
            // \xNNNN: one UTF-16 code unit in up to four hex digits.
            unsigned value = 0;
            std::size_t digits = 0;
            while (digits < 4 && pos < line.size() && HexValue(line[pos]) >= 0) {
                value = value * 16 + static_cast<unsigned>(HexValue(line[pos++]));
                ++digits;
            }
            if (digits == 0) Fail(std::string("'\\x' without hex digits in ") + what);
            out.push_back(static_cast<char16_t>(value));
            continue;
        }
        if (e >= u'0' && e <= u'7') {
            // Octal, up to three digits: \0 is a NUL.
            unsigned value = e - u'0';
            for (int k = 0; k < 2 && pos < line.size() && line[pos] >= u'0' && line[pos] <= u'7';
                 ++k) {
                value = value * 8 + (line[pos++] - u'0');
            }
            out.push_back(static_cast<char16_t>(value));
            continue;
        }
        Fail(std::string("unknown escape '\\") + Quote(std::u16string_view(&e, 1)) + "' in " +
             what);
    }
    Fail(std::string("unterminated ") + what);
}

void Parser::ExpectEnd(std::u16string_view rest) const {
    rest = TrimLeft(rest);
    if (!rest.empty() && rest.front() != u';') {
        Fail("unexpected text '" + Quote(rest) + "' at the end of the line");
    }
}

void Parser::ValueLine(std::u16string_view line) {
    if (state_ == State::kNoKey) Fail("value before any [key] line");
    name_.clear();
    std::size_t pos = 1;
    if (line.front() == u'"') pos = ReadQuoted(line, 1, u'"', name_, "value name");
    if (name_.find(u'\0') != std::u16string::npos) Fail("NUL character in a value name");
    if (name_.size() > kMaxValueNameLength) {
        Fail("value name longer than " + std::to_string(kMaxValueNameLength) + " characters");
    }
    std::u16string_view data = TrimLeft(line.substr(pos));
    if (data.empty() || data.front() != u'=') Fail("expected '=' after the value name");
    data = TrimLeft(data.substr(1));

    bytes_.clear();
    std::uint32_t type = kRegSz;
    if (data.starts_with(u'-') && dialect_ != Dialect::kWine) {
        ExpectEnd(data.substr(1));
        if (state_ == State::kInKey) tree_->RemoveValue(current_, name_);
        return;
    }
    if (data.starts_with(u'"')) {
        StringData(data);
    } else if (dialect_ == Dialect::kWine && data.starts_with(u"str(")) {
        data.remove_prefix(4);
        type = ReadType(data);
        if (!data.starts_with(u'"')) Fail("expected a quoted string after 'str(...):'");
        StringData(data);
    } else if (data.starts_with(u"dword:")) {
        type = kRegDword;
        DwordData(data.substr(6));
    } else if (data.starts_with(u"hex:")) {
        type = kRegBinary;
        HexData(data.substr(4), type);
    } else if (data.starts_with(u"hex(")) {
        data.remove_prefix(4);
        type = ReadType(data);
        HexData(data, type);
    } else {
        Fail("unknown value data '" + Quote(data) + "'");
    }
    if (state_ == State::kInKey) tree_->PutValue(current_, name_, type, bytes_);
}

// "N):" after "hex(" or "str(": the type in hex.
std::uint32_t Parser::ReadType(std::u16string_view& data) const {
    std::uint32_t type = 0;
    std::size_t digits = 0;
    while (digits < data.size() && HexValue(data[digits]) >= 0) {
        if (digits == 8) Fail("value type over 32 bits");
        type = type * 16 + static_cast<std::uint32_t>(HexValue(data[digits]));
        ++digits;
    }
    if (digits == 0 || !data.substr(digits).starts_with(u"):")) {
        Fail("bad value type '" + Quote(data) + "'");
    }
    data.remove_prefix(digits + 2);
    return type;
}

void Parser::StringData(std::u16string_view data) {
    text_.clear();
    const std::size_t end = ReadQuoted(data, 1, u'"', text_, "string");
    ExpectEnd(data.substr(end));
    AppendUtf16Le(bytes_, text_);
    bytes_.push_back(0);
    bytes_.push_back(0);
}

void Parser::DwordData(std::u16string_view data) {
    std::uint32_t value = 0;
    std::size_t digits = 0;
    while (digits < data.size() && HexValue(data[digits]) >= 0) {
        value = (value << 4) | static_cast<std::uint32_t>(HexValue(data[digits]));
        ++digits;
    }
    if (digits == 0 || digits > 8) Fail("bad dword '" + Quote(data) + "'");
    ExpectEnd(data.substr(digits));
    for (int shift = 0; shift < 32; shift += 8) {
        bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// Comma-separated bytes, continued on the next line after a trailing backslash.
void Parser::HexData(std::u16string_view data, std::uint32_t type) {
    std::size_t i = 0;
    while (true) {
        while (i < data.size() && IsBlank(data[i])) ++i;
        if (i == data.size() || data[i] == u';') break;
        // The usual "xx," in one step.
        if (i + 2 <= data.size() && (i + 2 == data.size() || data[i + 2] == u',')) {
            const int high = HexValue(data[i]);
            const int low = HexValue(data[i + 1]);
            if (high >= 0 && low >= 0) {
                bytes_.push_back(static_cast<std::uint8_t>(high * 16 + low));
                i += i + 2 == data.size() ? 2 : 3;
                continue;
            }
        }
        if (data[i] == u'\\') {
            if (!TrimLeft(data.substr(i + 1)).empty()) {
                Fail("unexpected text after the continuation '\\'");
            }
            if (!reader_.Next(data)) Fail("the file ends inside a continued value");
            i = 0;
            continue;
        }
        std::size_t j = i;
        while (j < data.size() && data[j] != u',' && data[j] != u'\\' && data[j] != u';' &&
               !IsBlank(data[j])) {
            ++j;
        }
        const std::u16string_view token = data.substr(i, j - i);
        if (token.empty()) Fail("missing hex byte before ','");
        const int high = HexValue(token[0]);
        const int low = token.size() == 2 ? HexValue(token[1]) : 0;
        if (token.size() > 2 || high < 0 || low < 0) Fail("bad hex byte '" + Quote(token) + "'");
        bytes_.push_back(static_cast<std::uint8_t>(token.size() == 2 ? high * 16 + low : high));
        i = j;
        while (i < data.size() && IsBlank(data[i])) ++i;
        if (i < data.size() && data[i] == u',') {
            ++i;
        } else if (i < data.size() && data[i] != u'\\' && data[i] != u';') {
            Fail("expected ',' between hex bytes");
        }
    }
    // REGEDIT4 wrote the text of string types in the 8-bit code page; the registry keeps
    // them as UTF-16.
    if (dialect_ == Dialect::kRegedit4 &&
        (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
        std::vector<std::uint8_t> ansi;
        ansi.swap(bytes_);
        for (std::uint8_t b : ansi) {
            const char16_t c = Windows1252Unit(b);
            AppendUtf16Le(bytes_, std::u16string_view(&c, 1));
        }
    }
}

// Wine marks symbolic links with #link and a REG_LINK "SymbolicLinkValue" that names the
// target as "\Registry\Machine\...". A link is followed only where it cannot lead back
// into the walk that reached it: a loop would send a depth-first walk round forever.
void Parser::ResolveLinks() {
    if (links_.empty()) return;
    for (Key* link : links_) {
        const RegistryTree::Value* value = tree_->FindValue(link, kLinkValueName);
        if (!value || value->type != kRegLink) continue;
        std::u16string target;
        for (std::uint32_t i = 0; i + 1 < value->data_size; i += 2) {
            target.push_back(static_cast<char16_t>(value->data[i] | (value->data[i + 1] << 8)));
        }
        while (!target.empty() && target.back() == u'\0') target.pop_back();
        const std::u16string_view prefix = std::u16string_view(target).substr(
            0, std::min(target.size(), kLinkTargetPrefix.size()));
        if (!NamesEqual(prefix, kLinkTargetPrefix)) continue;
        std::u16string_view path = std::u16string_view(target).substr(kLinkTargetPrefix.size());
        const Key* node = tree_->Root();
        while (node && !path.empty()) {
            const std::size_t cut = path.find(u'\\');
            node = tree_->OpenChild(node, path.substr(0, cut));
            path = cut == std::u16string_view::npos ? std::u16string_view{} : path.substr(cut + 1);
        }
        if (node && node != link) tree_->SetLink(link, node);
    }

    // Depth-first over the tree as a reader sees it; a link that reaches a key still on
    // the walk's path is dropped.
    enum : char { kUnseen, kOnPath, kDone };
    std::unordered_map<const Key*, char> state;
    struct Frame {
        const Key* key;
        std::size_t next;
    };
    std::vector<Frame> stack{{tree_->Root(), 0}};
    state[tree_->Root()] = kOnPath;
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.key->subkeys.size()) {
            state[top.key] = kDone;
            stack.pop_back();
            continue;
        }
        Key* child = top.key->subkeys[top.next++];
        const Key* seen = tree_->OpenChild(top.key, child->Name());
        if (seen != child && state[seen] == kOnPath) {
            tree_->SetLink(child, nullptr);
            seen = child;
        }
        char& s = state[seen];
        if (s == kUnseen) {
            s = kOnPath;
            stack.push_back({seen, 0});
        }
    }
}

}  // namespace

RegistryFileResult ParseRegistryText(std::string_view bytes, const std::string& name_for_errors) {
    RegistryFileResult result;
    RegistryTextLines lines;
    try {
        TextDecodeFailure failure;
        if (!lines.Open(bytes, failure)) {
            result.error = RegistryFileError{name_for_errors, failure.line, failure.reason};
        } else {
            result.tree = Parser(lines).Run();
        }
    } catch (const ParseError& e) {
        result.error = RegistryFileError{name_for_errors, e.line, e.reason};
    } catch (const std::bad_alloc&) {
        result.error = RegistryFileError{name_for_errors, lines.line_number(), "out of memory"};
    }
    if (result.error) result.tree = std::make_shared<const RegistryTree>();
    return result;
}

RegistryFileResult LoadRegistryFile(const std::filesystem::path& path) {
    const std::string name = path.string();
    auto failed = [&](const std::string& reason) {
        return RegistryFileResult{std::make_shared<const RegistryTree>(),
                                  RegistryFileError{name, 0, reason}};
    };
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return failed("cannot read: it is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in) return failed(std::string("cannot open: ") + std::strerror(errno));
    std::string bytes;
    try {
        const auto size = std::filesystem::file_size(path, ec);
        if (ec) {
            // Not a plain file (a pipe, for instance): read until the end.
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } else {
            bytes.resize(static_cast<std::size_t>(size));
            in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            bytes.resize(static_cast<std::size_t>(in.gcount()));
        }
    } catch (const std::bad_alloc&) {
        return failed("cannot read: out of memory");
    }
    if (in.bad()) return failed("cannot read: input error");
    return ParseRegistryText(bytes, name);
}

std::string DescribeRegistryFileError(const RegistryFileError& error) {
    return error.file + ":" + std::to_string(error.line) + ": " + error.reason;
}

}  // namespace veltrane::platform
