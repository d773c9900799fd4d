// One AddReg entry as setup carries it out on the modem's driver key (root HKR):
//   root, [subkey], [value name], [flags], [value[, value...]]
#pragma once

#include "inf_text.h"
#include "reg_model.h"

namespace veltrane::inf {

// `fields` are the entry's fields with strings substituted. Entries with another root are
// skipped with a note; a malformed entry throws InfError.
void ApplyAddReg(const std::vector<WideString>& fields, std::size_t line, RegModel& model,
                 InfNotes& notes);

}  // namespace veltrane::inf
