// The strings of an INF: the one strings section chosen for a language, and %key%
// substitution from it.
#pragma once

#include <cstddef>

#include "inf_text.h"

namespace veltrane::inf {

class InfStrings {
  public:
    // `language` is a language identifier of four hex digits ("0409"), or empty for the
    // plain [Strings]. Windows' order: the exact identifier, then the section of its primary
    // language alone ("0009" for every English), then [Strings].
    InfStrings(const InfFile& file, WideStringView language, InfNotes& notes);

    // `text` with each %key% replaced by its string and %% by a percent sign; directory ids
    // (%10%, %11%...) stay as written, with a note. Throws InfError for a key with no string.
    WideString Substitute(WideStringView text, std::size_t line) const;

    const InfSection* section() const { return section_; }

  private:
    const InfSection* section_ = nullptr;
    InfNotes& notes_;
};

}  // namespace veltrane::inf
