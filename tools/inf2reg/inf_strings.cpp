#include "inf_strings.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace veltrane::inf {
namespace {

constexpr WideStringView kStrings = u"Strings";

// The language identifier of a section named "Strings.LLLL", or nothing.
std::optional<unsigned> LanguageOf(WideStringView name) {
    if (name.size() != kStrings.size() + 5 ||
        !SameName(name.substr(0, kStrings.size()), kStrings) || name[kStrings.size()] != u'.')
        return std::nullopt;
    const std::string digits = Utf8(name.substr(kStrings.size() + 1));
    unsigned id = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + 4, id, 16);
    if (error != std::errc() || end != digits.data() + 4) return std::nullopt;
    return id;
}

constexpr unsigned kPrimaryLanguageMask = 0x3FF;

}  // namespace

InfStrings::InfStrings(const InfFile& file, WideStringView language, InfNotes& notes)
    : notes_(notes) {
    if (!language.empty()) {
        const unsigned wanted = std::stoul(Utf8(language), nullptr, 16);
        for (const unsigned id : {wanted, wanted & kPrimaryLanguageMask}) {
            for (const InfSection& section : file.sections()) {
                if (!section_ && LanguageOf(section.name) == id) section_ = &section;
            }
        }
    }
    if (!section_) section_ = file.Find(kStrings);
    if (!section_)
        notes_.push_back(
            {0, "no strings section for " +
                    (language.empty() ? std::string("[Strings]") : "language " + Utf8(language))});
}

WideString InfStrings::Substitute(WideStringView text, std::size_t line) const {
    WideString out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t close = text[i] == u'%' ? text.find(u'%', i + 1) : WideStringView::npos;
        if (close == WideStringView::npos) {
            out += text[i];
            continue;
        }
        const WideStringView key = text.substr(i + 1, close - i - 1);
        i = close;
        if (key.empty()) {
            out += u'%';
            continue;
        }
        if (std::all_of(key.begin(), key.end(),
                        [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
            out.append(u"%").append(key).append(u"%");
            notes_.push_back({line, "directory id %" + Utf8(key) + "% left as written"});
            continue;
        }
        const InfLine* found = nullptr;
        if (section_) {
            for (const InfLine& entry : section_->lines)
                if (!found && entry.key && SameName(*entry.key, key)) found = &entry;
        }
        if (!found)
            throw InfError(line, "%" + Utf8(key) + "% has no string in [" +
                                     (section_ ? Utf8(section_->name) : "Strings") + "]");
        if (!found->fields.empty()) out += found->fields.front();
    }
    return out;
}

}  // namespace veltrane::inf
