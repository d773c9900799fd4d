// An INF file as setup reads it: decoded text (ANSI Windows-1252, or UTF-16LE with a
// byte-order mark) cut into sections of lines, each line an optional key and its
// comma-separated fields. Names of sections compare without regard to letter case and
// sections of the same name are merged in file order.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/wide.h"

namespace veltrane::inf {

// A fault in the INF: the line it lies on (0 when it belongs to no line) and why.
class InfError : public std::runtime_error {
  public:
    InfError(std::size_t line, const std::string& reason)
        : std::runtime_error(reason), line_(line) {}
    std::size_t line() const { return line_; }

  private:
    std::size_t line_;
};

// Something the reader did differently from a plain reading, or left out: told, not fatal.
struct InfNote {
    std::size_t line;  // 0 when it belongs to no line
    std::string text;
};
using InfNotes = std::vector<InfNote>;

struct InfLine {
    std::size_t number;              // 1-based physical line where the entry starts
    std::optional<WideString> key;   // the text before the first '=' outside quotes
    std::vector<WideString> fields;  // quotes removed; not yet substituted
};

struct InfSection {
    WideString name;  // as first written
    std::vector<InfLine> lines;
};

class InfFile {
  public:
    // Throws InfError for bytes that cannot be INF text.
    static InfFile Parse(std::string_view bytes);

    const InfSection* Find(WideStringView name) const;
    const std::vector<InfSection>& sections() const { return sections_; }

  private:
    std::vector<InfSection> sections_;
};

// Letter case as INF and registry names ignore it.
bool SameName(WideStringView a, WideStringView b);
WideString Widen(std::string_view ascii);
std::string Utf8(WideStringView text);
WideString FromUtf8(std::string_view text);  // an invalid byte stands for itself

}  // namespace veltrane::inf
