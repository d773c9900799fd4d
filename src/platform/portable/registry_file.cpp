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
#include "platform/portable/registry_syntax.h"
#include "platform/portable/registry_text.h"
#include "platform/portable/registry_value_data.h"

namespace veltrane::platform {

namespace {

constexpr std::array<std::u16string_view, 2> kMachineRoots = {u"HKEY_LOCAL_MACHINE", u"HKLM"};
constexpr std::string_view kLinkDirective = "#link";

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
    template <class Ch>
    void Line(Text<Ch> line);
    template <class Ch>
    void KeyLine(Text<Ch> line);
    template <class Ch>
    void ValueLine(Text<Ch> line);

    RegistryTextLines& lines_;
    RegistryBuilder builder_;
    Dialect dialect_ = Dialect::kRegedit5;
    State state_ = State::kNoKey;
    WideText path_;                   // of the current key, below the machine root
    RegistryBuilder::KeyId key_ = 0;  // the current key, once created
    WideText name_;
    std::optional<ValueDataDecoder> data_;
};

std::shared_ptr<const RegistryTree> Parser::Run() {
    ReadHeader();
    TextLine line;
    while (NextLine(lines_, line)) {
        Visit(line, [this](auto text) { Line(text); });
    }
    return builder_.Freeze();
}

template <class Ch>
void Parser::Line(Text<Ch> line) {
    line = TrimRight(TrimLeft(line));
    if (line.empty() || line.front() == Ch(';')) return;
    switch (line.front()) {
        case Ch('['):
            KeyLine(line);
            break;
        case Ch('@'):
        case Ch('"'):
            ValueLine(line);
            break;
        case Ch('#'):
            if (dialect_ != Dialect::kWine) Fault("unexpected line '" + Quote(line) + "'");
            // Wine's #time, #arch, #class lines say nothing a reader needs; #link makes the
            // current key a symbolic link.
            if (IsText(line, kLinkDirective) && state_ == State::kInKey) builder_.MarkLink(key_);
            break;
        default:
            Fault("unexpected line '" + Quote(line) + "': expected a [key], a value or a comment");
    }
}

void Parser::ReadHeader() {
    TextLine line;
    if (!NextLine(lines_, line)) Fault("empty file: no header line");
    WideText header;
    Visit(line, [&header](auto text) { header.Append(TrimRight(text)); });
    if (!DialectOfHeader(header.view(), dialect_)) {
        Fault("not a registry file: the first line is '" + Quote(header.view()) + "'");
    }
    data_.emplace(dialect_, lines_);
}

template <class Ch>
void Parser::KeyLine(Text<Ch> line) {
    path_.clear();
    bool deleting = false;
    if (dialect_ == Dialect::kWine) {
        // [Software\\Wine] 1700000000: an escaped path, then the time of the last change.
        Text<Ch> rest =
            TrimLeft(line.substr(ReadQuoted(dialect_, line, 1, ']', path_, "key name")));
        while (!rest.empty() && rest.front() >= Ch('0') && rest.front() <= Ch('9')) {
            rest.remove_prefix(1);
        }
        ExpectEnd(rest);
    } else {
        const std::size_t close = line.rfind(Ch(']'));
        if (close == Text<Ch>::npos) Fault("key line without a closing ']'");
        ExpectEnd(line.substr(close + 1));
        Text<Ch> inner = line.substr(1, close - 1);
        if (!inner.empty() && inner.front() == Ch('-')) {
            deleting = true;
            inner.remove_prefix(1);
        }
        if (inner.empty()) Fault("empty key path");
        const std::size_t cut = inner.find(Ch('\\'));
        path_.Append(inner.substr(0, cut));  // the root's name, for now
        bool machine = false;
        for (std::u16string_view name : kMachineRoots)
            machine = machine || NamesEqual(path_.view(), name);
        if (!machine) {
            // Keys of the other roots (HKEY_CURRENT_USER, ...) are read and left out.
            state_ = State::kSkipping;
            return;
        }
        path_.clear();
        if (cut != Text<Ch>::npos) path_.Append(inner.substr(cut + 1));
    }
    if (deleting) {
        if (path_.view().empty()) Fault("the root key cannot be deleted");
        const TreeEditStatus status = builder_.DeleteKey(path_.view());
        if (status != TreeEditStatus::kOk && status != TreeEditStatus::kNotFound) {
            NameFault(status, "key");
        }
        state_ = State::kSkipping;
        return;
    }
    const TreeEditStatus status = builder_.CreateKey(path_.view(), key_);
    if (status != TreeEditStatus::kOk) NameFault(status, "key");
    state_ = State::kInKey;
}

template <class Ch>
void Parser::ValueLine(Text<Ch> line) {
    if (state_ == State::kNoKey) Fault("value before any [key] line");
    name_.clear();
    std::size_t pos = 1;
    if (line.front() == Ch('"')) pos = ReadQuoted(dialect_, line, 1, '"', name_, "value name");
    Text<Ch> data = TrimLeft(line.substr(pos));
    if (data.empty() || data.front() != Ch('=')) Fault("expected '=' after the value name");
    data = TrimLeft(data.substr(1));

    TreeEditStatus status = TreeEditStatus::kOk;
    if (!data.empty() && data.front() == Ch('-') && dialect_ != Dialect::kWine) {
        ExpectEnd(data.substr(1));
        if (state_ == State::kInKey) status = builder_.DeleteValue(key_, name_.view());
        if (status == TreeEditStatus::kNotFound) status = TreeEditStatus::kOk;
    } else {
        const std::uint32_t type = data_->Decode(data);
        if (state_ == State::kInKey)
            status = builder_.SetValue(key_, name_.view(), type, data_->bytes());
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
