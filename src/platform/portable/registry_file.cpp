#include "platform/portable/registry_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <new>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/portable/registry_builder.h"
#include "platform/portable/registry_text.h"
#include "platform/portable/registry_value_data.h"

namespace veltrane::platform {

namespace {

constexpr std::array<std::u16string_view, 2> kMachineRoots = {u"HKEY_LOCAL_MACHINE", u"HKLM"};
constexpr std::u16string_view kLinkDirective = u"#link";

// The reason for a name the registry cannot hold; `what` is "key" or "value".
[[noreturn]] void NameFault(TreeEditStatus status, const std::string& what) {
    switch (status) {
        case TreeEditStatus::kEmptyName:
            Fault("empty key name in the path");
        case TreeEditStatus::kNameTooLong:
            Fault(what + " name longer than " +
                  std::to_string(what == "key" ? kMaxKeyNameLength : kMaxValueNameLength) +
                  " characters");
        case TreeEditStatus::kInvalidName:
            Fault("NUL character in a " + what + " name");
        case TreeEditStatus::kTooDeep:
            Fault("keys nested deeper than " + std::to_string(kMaxKeyDepth) + " levels");
        default:
            Fault("cannot hold the " + what);
    }
}

// Reads a file's lines into a builder.
class Parser {
  public:
    explicit Parser(RegistryTextLines& lines) : lines_(lines) {}

    std::shared_ptr<const RegistryTree> Run();

  private:
    enum class State { kNoKey, kInKey, kSkipping };

    void ReadHeader();
    void KeyLine(std::u16string_view line);
    void ValueLine(std::u16string_view line);

    RegistryTextLines& lines_;
    RegistryBuilder builder_;
    Dialect dialect_ = Dialect::kRegedit5;
    State state_ = State::kNoKey;
    std::u16string path_;  // of the current key, below the machine root
    std::u16string name_;
    std::optional<ValueDataDecoder> data_;
};

std::shared_ptr<const RegistryTree> Parser::Run() {
    ReadHeader();
    std::u16string_view line;
    while (NextLine(lines_, line)) {
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
                if (dialect_ != Dialect::kWine) Fault("unexpected line '" + Quote(line) + "'");
                // Wine's #time, #arch, #class lines say nothing a reader needs; #link
                // makes the current key a symbolic link.
                if (line == kLinkDirective && state_ == State::kInKey) builder_.MarkLink(path_);
                break;
            default:
                Fault("unexpected line '" + Quote(line) +
                      "': expected a [key], a value or a comment");
        }
    }
    return builder_.Freeze();
}

void Parser::ReadHeader() {
    std::u16string_view line;
    if (!NextLine(lines_, line)) Fault("empty file: no header line");
    line = TrimRight(line);
    if (!DialectOfHeader(line, dialect_)) {
        Fault("not a registry file: the first line is '" + Quote(line) + "'");
    }
    data_.emplace(dialect_, lines_);
}

void Parser::KeyLine(std::u16string_view line) {
    std::u16string_view inner;
    path_.clear();
    if (dialect_ == Dialect::kWine) {
        // [Software\\Wine] 1700000000: an escaped path, then the time of the last change.
        std::u16string_view rest =
            line.substr(ReadQuoted(dialect_, line, 1, u']', path_, "key name"));
        rest = TrimLeft(rest);
        while (!rest.empty() && rest.front() >= u'0' && rest.front() <= u'9') rest.remove_prefix(1);
        ExpectEnd(rest);
        inner = path_;
    } else {
        const std::size_t close = line.rfind(u']');
        if (close == std::u16string_view::npos) Fault("key line without a closing ']'");
        ExpectEnd(line.substr(close + 1));
        inner = line.substr(1, close - 1);
    }

    bool deleting = false;
    if (dialect_ != Dialect::kWine) {
        if (!inner.empty() && inner.front() == u'-') {
            deleting = true;
            inner.remove_prefix(1);
        }
        if (inner.empty()) Fault("empty key path");
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
        path_.assign(inner);  // the line's text lasts only until the next line is read
    }
    if (deleting) {
        if (path_.empty()) Fault("the root key cannot be deleted");
        const TreeEditStatus status = builder_.DeleteKey(path_);
        if (status != TreeEditStatus::kOk && status != TreeEditStatus::kNotFound) {
            NameFault(status, "key");
        }
        state_ = State::kSkipping;
        return;
    }
    const TreeEditStatus status = builder_.CreateKey(path_);
    if (status != TreeEditStatus::kOk) NameFault(status, "key");
    state_ = State::kInKey;
}

void Parser::ValueLine(std::u16string_view line) {
    if (state_ == State::kNoKey) Fault("value before any [key] line");
    name_.clear();
    std::size_t pos = 1;
    if (line.front() == u'"') pos = ReadQuoted(dialect_, line, 1, u'"', name_, "value name");
    std::u16string_view data = TrimLeft(line.substr(pos));
    if (data.empty() || data.front() != u'=') Fault("expected '=' after the value name");
    data = TrimLeft(data.substr(1));

    TreeEditStatus status = TreeEditStatus::kOk;
    if (data.starts_with(u'-') && dialect_ != Dialect::kWine) {
        ExpectEnd(data.substr(1));
        if (state_ == State::kInKey) status = builder_.DeleteValue(path_, name_);
        if (status == TreeEditStatus::kNotFound) status = TreeEditStatus::kOk;
    } else {
        const std::uint32_t type = data_->Decode(data);
        if (state_ == State::kInKey) status = builder_.SetValue(path_, name_, type, data_->bytes());
    }
    if (status != TreeEditStatus::kOk) NameFault(status, "value");
}

}  // namespace

namespace {

// Parses a file of `size` bytes as `read_more` reads it.
RegistryFileResult Parse(const RegistryTextLines::ReadMore& read_more, std::size_t size,
                         const std::string& name_for_errors) {
    RegistryFileResult result;
    RegistryTextLines lines;
    try {
        TextDecodeFailure failure;
        if (!lines.Open(read_more, size, failure)) {
            result.error = RegistryFileError{name_for_errors, failure.line, failure.reason};
        } else {
            result.tree = Parser(lines).Run();
        }
    } catch (const FileFault& e) {
        result.error = RegistryFileError{name_for_errors,
                                         std::max<std::size_t>(1, lines.line_number()), e.reason};
    } catch (const std::bad_alloc&) {
        result.error = RegistryFileError{name_for_errors, lines.line_number(), "out of memory"};
    }
    if (result.error) result.tree = std::make_shared<const RegistryTree>();
    return result;
}

}  // namespace

RegistryFileResult ParseRegistryText(std::string_view bytes, const std::string& name_for_errors) {
    const std::size_t size = bytes.size();
    auto read_more = [&bytes](char* to, std::size_t room) {
        const std::size_t n = std::min(room, bytes.size());
        std::copy_n(bytes.data(), n, to);
        bytes.remove_prefix(n);
        return n;
    };
    return Parse(read_more, size, name_for_errors);
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
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        // Not a plain file (a pipe, for instance): read until the end, then parse.
        std::string bytes;
        try {
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } catch (const std::bad_alloc&) {
            return failed("cannot read: out of memory");
        }
        if (in.bad()) return failed("cannot read: input error");
        return ParseRegistryText(bytes, name);
    }
    // A plain file is parsed as it is read, a piece at a time, up to the size it had when
    // opened.
    std::size_t left = static_cast<std::size_t>(size);
    auto read_more = [&](char* to, std::size_t room) -> std::size_t {
        if (in.bad()) return 0;
        in.read(to, static_cast<std::streamsize>(std::min(room, left)));
        const auto got = static_cast<std::size_t>(in.gcount());
        left -= got;
        return got;
    };
    RegistryFileResult result = Parse(read_more, static_cast<std::size_t>(size), name);
    if (in.bad()) return failed("cannot read: input error");
    return result;
}

std::string DescribeRegistryFileError(const RegistryFileError& error) {
    return error.file + ":" + std::to_string(error.line) + ": " + error.reason;
}

}  // namespace veltrane::platform
