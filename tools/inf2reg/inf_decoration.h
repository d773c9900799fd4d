// Platform decorations: which models section and which install section Windows setup
// takes for one target, Windows 10 on amd64 or x86.
#pragma once

#include <optional>

#include "inf_text.h"

namespace veltrane::inf {

enum class Arch { kAmd64, kX86 };

const char* ArchName(Arch arch);  // "amd64", "x86"

// A Manufacturer entry's models section for the target: the best matching decoration
// ("Models.NTamd64.10.0...16299"), or, for an entry without decorations, the plain name
// (with a note). When the entry has decorations and none of them fits: the plain name on
// x86, nothing on amd64.
std::optional<WideString> ChooseModelsSection(WideStringView models,
                                              const std::vector<WideString>& decorations, Arch arch,
                                              std::size_t line, InfNotes& notes);

// The install section that setup runs for a model: "Base.NTamd64" (or ".NTx86"), else
// "Base.NT", else "Base" (with a note). Nothing when none of them exists.
const InfSection* ChooseInstallSection(const InfFile& file, WideStringView base, Arch arch,
                                       std::size_t line, InfNotes& notes);

}  // namespace veltrane::inf
