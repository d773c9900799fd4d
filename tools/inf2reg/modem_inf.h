// A modem's INF as Windows setup reads it for one target: its models, and the driver key
// that installing one of them writes (every HKR entry of its AddReg sections, in order).
#pragma once

#include <string_view>

#include "inf_decoration.h"
#include "inf_strings.h"
#include "reg_model.h"

namespace veltrane::inf {

struct ModemModel {
    WideString description;
    WideString manufacturer;
    WideString install;           // the install section's base name
    std::vector<WideString> ids;  // hardware ID first, then compatible IDs
    std::size_t line;
};

struct DriverKey {
    RegModel values;
    WideString install_section;  // as chosen, decoration included
};

class ModemInf {
  public:
    // Throws InfError when the bytes are no INF, not a modem's, or hold no model for `arch`.
    ModemInf(std::string_view bytes, Arch arch, WideStringView language, InfNotes& notes);

    const std::vector<ModemModel>& models() const { return models_; }
    // The model with this hardware or compatible ID; the first one for an empty ID.
    const ModemModel& Choose(WideStringView id) const;
    DriverKey Install(const ModemModel& model) const;
    // A field of a [Version] entry with strings substituted; empty when absent.
    WideString Version(WideStringView key, std::size_t field = 0) const;

  private:
    const InfLine* VersionLine(WideStringView key) const;
    std::vector<WideString> Substituted(const InfLine& line) const;
    void ApplySection(WideStringView name, std::size_t line, bool included, RegModel& model) const;

    InfFile file_;
    Arch arch_;
    InfNotes& notes_;
    InfStrings strings_;
    std::vector<ModemModel> models_;
};

}  // namespace veltrane::inf
