#include "platform/portable/registry_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "common/utf16le.h"
#include "platform/portable/registry_text.h"

namespace veltrane::platform {

namespace {

using Text = std::u16string_view;
using Status = RegistryTree::Builder::Status;

// The kinds of registry file, named by their first line.
enum class Dialect {
    kRegedit5,  // keys below HKEY_LOCAL_MACHINE
    kRegedit4,  // the same, string data in the 8-bit code page
    kWine,      // keys relative to the machine root; other escapes; no deletions
};
struct Header {
    Text line;
    Dialect dialect;
};
constexpr std::array<Header, 3> kHeaders = {{
    {u"Windows Registry Editor Version 5.00", Dialect::kRegedit5},
    {u"REGEDIT4", Dialect::kRegedit4},
    {u"WINE REGISTRY Version 2", Dialect::kWine},
}};
constexpr std::array<Text, 2> kMachineRoots = {u"HKEY_LOCAL_MACHINE", u"HKLM"};

// Wine's one-letter string escapes and what each stands for.
struct Escape {
    char16_t letter;
    char16_t value;
};
constexpr Escape kWineEscapes[] = {
    {u'[', u'['},  {u']', u']'},  {u'a', u'\a'}, {u'b', u'\b'}, {u'e', u'\x1b'},
    {u'f', u'\f'}, {u'n', u'\n'}, {u'r', u'\r'}, {u't', u'\t'}, {u'v', u'\v'},
};

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}
Text TrimLeft(Text s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}
Text TrimRight(Text s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}
int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// A piece of the file for a fault's reason: printable ASCII kept, the rest as '?'.
std::string Quote(Text text) {
    constexpr std::size_t kShown = 24;
    std::string out;
    for (std::size_t i = 0; i < text.size() && i < kShown; ++i)
        out.push_back(text[i] >= 0x20 && text[i] < 0x7F ? static_cast<char>(text[i]) : '?');
    return text.size() > kShown ? out + "..." : out;
}

// Only blanks or a comment may follow.
void ExpectEnd(Text rest) {
    rest = TrimLeft(rest);
    if (!rest.empty() && rest.front() != u';')
        Fault("unexpected text '" + Quote(rest) + "' at the end of the line");
}

// The reason for a name the registry cannot hold; `what` is "key" or "value".
[[noreturn]] void NameFault(Status status, const std::string& what) {
    switch (status) {
        case Status::kEmptyName:
            Fault("empty key name in the path");
        case Status::kNameTooLong:
            Fault(what + " name longer than " +
                  std::to_string(what == "key" ? kMaxKeyNameLength : kMaxValueNameLength) +
                  " characters");
        case Status::kInvalidName:
            Fault("NUL character in a " + what + " name");
        case Status::kTooDeep:
            Fault("keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        default:
            Fault("cannot hold the " + what);
    }
}

// Reads a file's lines into a tree.
class Parser {
  public:
    explicit Parser(RegistryLines& lines) : lines_(lines) {}
    std::shared_ptr<const RegistryTree> Run();

  private:
    enum class State { kNoKey, kInKey, kSkipping };

    void Line(Text line);
    void KeyLine(Text line);
    void ValueLine(Text line);
    // An escaped text from `pos` up to `closing` into `out`; the position after `closing`.
    std::size_t ReadQuoted(Text line, std::size_t pos, char16_t closing, std::u16string& out,
                           const char* what) const;
    // The data after a value's '=' into data_; its registry type.
    std::uint32_t ValueData(Text data);
    void StringData(Text data);
    void HexData(Text data);
    bool HexLine(Text data);  // true when a trailing backslash continues it

    RegistryLines& lines_;
    RegistryTree::Builder builder_;
    Dialect dialect_ = Dialect::kRegedit5;
    State state_ = State::kNoKey;
    RegistryTree::Builder::KeyId key_ = 0;  // the current key, once created
    std::u16string line_, path_, name_, text_;
    std::vector<std::uint8_t> data_;
};

std::shared_ptr<const RegistryTree> Parser::Run() {
    if (!lines_.Next(line_)) Fault("empty file: no header line");
    const Text header = TrimRight(line_);
    bool known = false;
    for (const Header& h : kHeaders) {
        if (header == h.line) dialect_ = h.dialect, known = true;
    }
    if (!known) Fault("not a registry file: the first line is '" + Quote(header) + "'");
    while (lines_.Next(line_)) Line(TrimRight(TrimLeft(line_)));
    return builder_.Build();
}

void Parser::Line(Text line) {
    if (line.empty() || line.front() == u';') return;
    switch (line.front()) {
        case u'[':
            return KeyLine(line);
        case u'@':
        case u'"':
            return ValueLine(line);
        case u'#':
            if (dialect_ != Dialect::kWine) Fault("unexpected line '" + Quote(line) + "'");
            // Wine's #time, #arch, #class lines say nothing a reader needs; #link makes the
            // current key a symbolic link.
            if (line == u"#link" && state_ == State::kInKey) builder_.MarkLink(key_);
            return;
        default:
            Fault("unexpected line '" + Quote(line) + "': expected a [key], a value or a comment");
    }
}

void Parser::KeyLine(Text line) {
    path_.clear();
    bool deleting = false;
    if (dialect_ == Dialect::kWine) {
        // [Software\\Wine] 1700000000: an escaped path, then the time of the last change.
        Text rest = TrimLeft(line.substr(ReadQuoted(line, 1, u']', path_, "key name")));
        while (!rest.empty() && rest.front() >= u'0' && rest.front() <= u'9') rest.remove_prefix(1);
        ExpectEnd(rest);
    } else {
        const std::size_t close = line.rfind(u']');
        if (close == Text::npos) Fault("key line without a closing ']'");
        ExpectEnd(line.substr(close + 1));
        Text inner = line.substr(1, close - 1);
        if (!inner.empty() && inner.front() == u'-') {
            deleting = true;
            inner.remove_prefix(1);
        }
        if (inner.empty()) Fault("empty key path");
        const std::size_t cut = inner.find(u'\\');
        bool machine = false;
        for (Text root : kMachineRoots) machine = machine || NamesEqual(inner.substr(0, cut), root);
        if (!machine) {
            // Keys of the other roots (HKEY_CURRENT_USER, ...) are read and left out.
            state_ = State::kSkipping;
            return;
        }
        if (cut != Text::npos) path_.assign(inner.substr(cut + 1));
    }
    if (deleting) {
        if (path_.empty()) Fault("the root key cannot be deleted");
        const Status status = builder_.DeleteKey(path_);
        if (status != Status::kOk && status != Status::kNotFound) NameFault(status, "key");
        state_ = State::kSkipping;
        return;
    }
    const Status status = builder_.CreateKey(path_, key_);
    if (status != Status::kOk) NameFault(status, "key");
    state_ = State::kInKey;
}

void Parser::ValueLine(Text line) {
    if (state_ == State::kNoKey) Fault("value before any [key] line");
    name_.clear();
    const std::size_t pos =
        line.front() == u'"' ? ReadQuoted(line, 1, u'"', name_, "value name") : 1;
    Text data = TrimLeft(line.substr(pos));
    if (data.empty() || data.front() != u'=') Fault("expected '=' after the value name");
    data = TrimLeft(data.substr(1));
    if (!data.empty() && data.front() == u'-' && dialect_ != Dialect::kWine) {
        ExpectEnd(data.substr(1));
        if (state_ == State::kInKey) builder_.DeleteValue(key_, name_);
        return;
    }
    const std::uint32_t type = ValueData(data);
    if (state_ != State::kInKey) return;
    const Status status = builder_.SetValue(key_, name_, type, data_);
    if (status != Status::kOk) NameFault(status, "value");
}

std::size_t Parser::ReadQuoted(Text line, std::size_t pos, char16_t closing, std::u16string& out,
                               const char* what) const {
    auto unknown = [what](char16_t letter) {
        Fault("unknown escape '\\" + Quote(Text(&letter, 1)) + "' in " + what);
    };
    while (pos < line.size()) {
        const char16_t c = line[pos++];
        if (c == closing) return pos;
        if (c != u'\\') {
            out.push_back(c);
            continue;
        }
        if (pos == line.size()) break;
        const char16_t e = line[pos++];
        if (e == u'\\' || e == u'"') {
            out.push_back(e);
        } else if (dialect_ != Dialect::kWine) {
            unknown(e);
        } else if (const auto* plain =
                       std::find_if(std::begin(kWineEscapes), std::end(kWineEscapes),
                                    [e](const Escape& x) { return x.letter == e; });
                   plain != std::end(kWineEscapes)) {
            out.push_back(plain->value);
        } else if (e == u'x') {
            // \xNNNN: one UTF-16 code unit in up to four hex digits.
            unsigned value = 0, digits = 0;
            for (; digits < 4 && pos < line.size() && HexValue(line[pos]) >= 0; ++digits)
                value = value * 16 + static_cast<unsigned>(HexValue(line[pos++]));
            if (digits == 0) Fault(std::string("'\\x' without hex digits in ") + what);
            out.push_back(static_cast<char16_t>(value));
        } else if (e >= u'0' && e <= u'7') {
            // Octal, up to three digits: \0 is a NUL.
            unsigned value = e - u'0';
            for (int k = 0; k < 2 && pos < line.size() && line[pos] >= u'0' && line[pos] <= u'7';
                 ++k)
                value = value * 8 + (line[pos++] - u'0');
            out.push_back(static_cast<char16_t>(value));
        } else {
            unknown(e);
        }
    }
    Fault(std::string("unterminated ") + what);
}

// "N):" after "hex(" or "str(": the type in hex.
std::uint32_t ReadType(Text& data) {
    std::uint32_t type = 0;
    std::size_t digits = 0;
    for (; digits < data.size() && HexValue(data[digits]) >= 0; ++digits) {
        if (digits == 8) Fault("value type over 32 bits");
        type = type * 16 + static_cast<std::uint32_t>(HexValue(data[digits]));
    }
    if (digits == 0 || !data.substr(digits).starts_with(u"):"))
        Fault("bad value type '" + Quote(data) + "'");
    data.remove_prefix(digits + 2);
    return type;
}

std::uint32_t Parser::ValueData(Text data) {
    data_.clear();
    if (data.starts_with(u'"')) {
        StringData(data);
        return kRegSz;
    }
    if (dialect_ == Dialect::kWine && data.starts_with(u"str(")) {
        data.remove_prefix(4);
        const std::uint32_t type = ReadType(data);
        if (!data.starts_with(u'"')) Fault("expected a quoted string after 'str(...):'");
        StringData(data);
        return type;
    }
    if (data.starts_with(u"dword:")) {
        data.remove_prefix(6);
        std::uint32_t value = 0;
        std::size_t digits = 0;
        for (; digits < data.size() && HexValue(data[digits]) >= 0; ++digits)
            value = (value << 4) | static_cast<std::uint32_t>(HexValue(data[digits]));
        if (digits == 0 || digits > 8) Fault("bad dword '" + Quote(data) + "'");
        ExpectEnd(data.substr(digits));
        for (int shift = 0; shift < 32; shift += 8)
            data_.push_back(static_cast<std::uint8_t>(value >> shift));
        return kRegDword;
    }
    if (data.starts_with(u"hex:")) {
        HexData(data.substr(4));
        return kRegBinary;
    }
    if (!data.starts_with(u"hex(")) Fault("unknown value data '" + Quote(data) + "'");
    data.remove_prefix(4);
    const std::uint32_t type = ReadType(data);
    HexData(data);
    if (dialect_ == Dialect::kRegedit4 &&
        (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
        // REGEDIT4 wrote the text of string types in the 8-bit code page; the registry
        // keeps them as UTF-16.
        text_.resize(data_.size());
        for (std::size_t i = 0; i < data_.size(); ++i) text_[i] = Windows1252Unit(data_[i]);
        const auto bytes = Utf16LeView(text_);
        data_.assign(bytes.begin(), bytes.end());
    }
    return type;
}

void Parser::StringData(Text data) {
    text_.clear();
    ExpectEnd(data.substr(ReadQuoted(data, 1, u'"', text_, "string")));
    text_.push_back(u'\0');
    const auto bytes = Utf16LeView(text_);
    data_.assign(bytes.begin(), bytes.end());
}

// Hex bytes from `data` on, through every continued line.
void Parser::HexData(Text data) {
    for (bool more = HexLine(data); more; more = HexLine(line_)) {
        if (!lines_.Next(line_)) Fault("the file ends inside a continued value");
    }
}

// The comma-separated bytes of one line.
bool Parser::HexLine(Text data) {
    const std::size_t n = data.size();
    for (std::size_t i = 0;;) {
        while (i < n && IsBlank(data[i])) ++i;
        if (i == n || data[i] == u';') return false;
        if (data[i] == u'\\') {
            if (!TrimLeft(data.substr(i + 1)).empty())
                Fault("unexpected text after the continuation '\\'");
            return true;
        }
        std::size_t j = i;
        while (j < n && data[j] != u',' && data[j] != u'\\' && data[j] != u';' && !IsBlank(data[j]))
            ++j;
        const Text token = data.substr(i, j - i);
        if (token.empty()) Fault("missing hex byte before ','");
        const int high = HexValue(token[0]);
        const int low = token.size() == 2 ? HexValue(token[1]) : 0;
        if (token.size() > 2 || high < 0 || low < 0) Fault("bad hex byte '" + Quote(token) + "'");
        data_.push_back(static_cast<std::uint8_t>(token.size() == 2 ? high * 16 + low : high));
        for (i = j; i < n && IsBlank(data[i]);) ++i;
        if (i < n && data[i] == u',') {
            ++i;
        } else if (i < n && data[i] != u'\\' && data[i] != u';') {
            Fault("expected ',' between hex bytes");
        }
    }
}

// A descriptor closed when it goes.
struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

RegistryFileResult ParseRegistryText(std::string_view bytes, const std::string& name_for_errors) {
    RegistryFileResult result;
    std::size_t line = 0;
    try {
        RegistryLines lines(bytes);
        try {
            result.tree = Parser(lines).Run();
        } catch (...) {
            line = std::max<std::size_t>(1, lines.number());
            throw;
        }
    } catch (const FileFault& fault) {
        result.error =
            RegistryFileError{name_for_errors, fault.line ? fault.line : line, fault.reason};
    } catch (const std::bad_alloc&) {
        result.error = RegistryFileError{name_for_errors, line, "out of memory"};
    }
    if (result.error) result.tree = std::make_shared<const RegistryTree>();
    return result;
}

RegistryFileResult LoadRegistryFile(const std::filesystem::path& path) {
    const std::string name = path.string();
    auto refused = [&](const std::string& reason) {
        return RegistryFileResult{std::make_shared<const RegistryTree>(),
                                  RegistryFileError{name, 0, reason}};
    };
    // Without blocking: opening a FIFO that nobody writes must not stop the load.
    const FileDescriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (file.fd < 0) return refused(std::string("cannot open: ") + std::strerror(errno));
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return refused(std::string("cannot read: ") + std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return refused("cannot read: it is a directory");
    if (!S_ISREG(info.st_mode)) return refused("cannot read: not a regular file");
    if (static_cast<std::uint64_t>(info.st_size) > kMaxRegistryFileSize) {
        return refused("cannot read: larger than " + std::to_string(kMaxRegistryFileSize >> 20) +
                       " MiB");
    }
    // Read up to the size it had when opened: a file that grows meanwhile ends there.
    std::string bytes;
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        return refused("cannot read: out of memory");
    }
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return refused(std::string("cannot read: ") + std::strerror(errno));
        if (n == 0) break;  // it shrank
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return ParseRegistryText(bytes, name);
}

std::string DescribeRegistryFileError(const RegistryFileError& error) {
    return error.file + ":" + std::to_string(error.line) + ": " + error.reason;
}

}  // namespace veltrane::platform
