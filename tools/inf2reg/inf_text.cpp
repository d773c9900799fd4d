#include "inf_text.h"

#include <algorithm>

#include "common/windows1252.h"
#include "platform/portable/registry_tree.h"

namespace veltrane::inf {
namespace {

constexpr char16_t kEndOfFile = 0x1A;  // Ctrl-Z, which old editors put at the end

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

WideString Decode(std::string_view bytes) {
    WideString text;
    if (bytes.starts_with("\xFF\xFE")) {
        bytes.remove_prefix(2);
        if (bytes.size() % 2 != 0) throw InfError(0, "UTF-16 text with an odd number of bytes");
        text.resize(bytes.size() / 2);
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                            static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    } else if (bytes.starts_with("\xFE\xFF")) {
        throw InfError(0, "UTF-16 big-endian text is not an INF encoding");
    } else {
        text.resize(bytes.size());
        std::transform(bytes.begin(), bytes.end(), text.begin(),
                       [](char c) { return Windows1252Unit(static_cast<unsigned char>(c)); });
    }
    if (const auto end = text.find(kEndOfFile); end != WideString::npos) text.resize(end);
    if (text.find(u'\0') != WideString::npos)
        throw InfError(0, "not an INF file: it holds binary data");
    return text;
}

// Builds one entry from its physical lines: quotes, "" for a quote, fields, the key.
class EntryLexer {
  public:
    explicit EntryLexer(bool commas_split) : commas_split_(commas_split) {}

    // Takes one physical line without its comment; false while the entry goes on.
    bool Take(WideStringView content, std::size_t number) {
        if (line_.number == 0) line_.number = number;
        // A backslash at the end, outside quotes, continues the entry on the next line.
        std::size_t end = content.size();
        while (end > 0 && IsBlank(content[end - 1])) --end;
        const bool continues = end > 0 && content[end - 1] == u'\\' && !QuotedAt(content, end - 1);
        if (continues) --end;
        for (std::size_t i = 0; i < end; ++i) Put(content, i);
        if (continues) return false;
        if (quoted_) throw InfError(line_.number, "a quoted string is not closed");
        return true;
    }

    // The finished entry; nothing when it holds no text at all.
    std::optional<InfLine> Finish() {
        EndField();
        if (!any_text_) return std::nullopt;
        return std::move(line_);
    }

  private:
    // Whether position `at` of this line lies inside quotes, given the state so far.
    bool QuotedAt(WideStringView content, std::size_t at) const {
        bool quoted = quoted_;
        for (std::size_t i = 0; i < at; ++i)
            if (content[i] == u'"') quoted = !quoted;  // "" toggles twice
        return quoted;
    }

    void Put(WideStringView content, std::size_t& i) {
        const char16_t c = content[i];
        if (quoted_) {
            if (c != u'"') {
                Keep(c);
            } else if (i + 1 < content.size() && content[i + 1] == u'"') {
                Keep(u'"');
                ++i;
            } else {
                quoted_ = false;
            }
            return;
        }
        if (c == u'"') {
            quoted_ = started_ = any_text_ = true;
        } else if (c == u'=' && !line_.key && line_.fields.empty()) {
            EndField();
            line_.key = std::move(line_.fields.back());
            line_.fields.clear();
        } else if (c == u',' && commas_split_) {
            EndField();
        } else if (IsBlank(c)) {
            if (started_) field_ += c;
        } else {
            Keep(c);
        }
    }

    void Keep(char16_t c) {
        field_ += c;
        kept_ = field_.size();
        started_ = any_text_ = true;
    }

    void EndField() {
        field_.resize(kept_);  // unquoted blanks at the end do not count
        line_.fields.push_back(std::move(field_));
        field_.clear();
        kept_ = 0;
        started_ = false;
        any_text_ = any_text_ || line_.fields.size() > 1 || line_.key.has_value();
    }

    bool commas_split_;
    InfLine line_{0, std::nullopt, {}};
    WideString field_;
    std::size_t kept_ = 0;
    bool quoted_ = false;
    bool started_ = false;
    bool any_text_ = false;
};

// Where the comment starts: the first ';' outside quotes.
std::size_t CommentStart(WideStringView line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == u'"') quoted = !quoted;
        if (line[i] == u';' && !quoted) return i;
    }
    return line.size();
}

bool IsStringsSection(WideStringView name) {
    return SameName(name.substr(0, 7), u"Strings") && (name.size() == 7 || name[7] == u'.');
}

}  // namespace

bool SameName(WideStringView a, WideStringView b) {
    return platform::NamesEqual(a, b);
}

WideString Widen(std::string_view ascii) {
    return WideString(ascii.begin(), ascii.end());
}

std::string Utf8(WideStringView text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

WideString FromUtf8(std::string_view text) {
    WideString out;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        char32_t cp = length == 1 ? byte : byte & (0x3F >> (length - 1));
        bool ok = i + length <= text.size();
        for (std::size_t k = 1; ok && k < length; ++k) {
            ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        if (!ok) cp = byte;
        i += ok ? length : 1;
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

InfFile InfFile::Parse(std::string_view bytes) {
    const WideString text = Decode(bytes);
    InfFile file;
    std::optional<std::size_t> section;  // lines before the first section belong to none
    std::optional<EntryLexer> entry;
    std::size_t number = 0;
    for (std::size_t start = 0; start <= text.size(); ++number) {
        std::size_t end = text.find(u'\n', start);
        if (end == WideString::npos) end = text.size();
        WideStringView line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        const std::size_t first = line.find_first_not_of(u" \t");
        if (!entry && first != WideStringView::npos && line[first] == u'[') {
            const std::size_t close = line.find(u']', first);
            if (close == WideStringView::npos)
                throw InfError(number + 1, "a section name without its closing ']'");
            WideStringView name = line.substr(first + 1, close - first - 1);
            while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
            while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
            auto same = std::find_if(file.sections_.begin(), file.sections_.end(),
                                     [&](const InfSection& s) { return SameName(s.name, name); });
            // A second section of the same name continues the first.
            section = static_cast<std::size_t>(same - file.sections_.begin());
            if (same == file.sections_.end()) file.sections_.push_back({WideString(name), {}});
            continue;
        }
        if (!section) continue;
        InfSection& into = file.sections_[*section];
        if (!entry) entry.emplace(!IsStringsSection(into.name));
        // An entry never continues inside quotes, so each physical line starts outside them.
        if (!entry->Take(line.substr(0, CommentStart(line)), number + 1)) continue;
        if (auto done = entry->Finish()) into.lines.push_back(std::move(*done));
        entry.reset();
    }
    if (entry) {  // a continuation on the last line
        if (auto done = entry->Finish()) file.sections_[*section].lines.push_back(std::move(*done));
    }
    return file;
}

const InfSection* InfFile::Find(WideStringView name) const {
    for (const InfSection& section : sections_)
        if (SameName(section.name, name)) return &section;
    return nullptr;
}

}  // namespace veltrane::inf
