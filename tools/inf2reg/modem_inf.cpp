#include "modem_inf.h"

#include "inf_addreg.h"

namespace veltrane::inf {
namespace {

constexpr WideStringView kSignatures[] = {u"$Windows NT$", u"$Chicago$", u"$Windows 95$"};
constexpr WideStringView kModemClass = u"Modem";
constexpr WideStringView kModemClassGuid = u"{4D36E96D-E325-11CE-BFC1-08002BE10318}";

}  // namespace

ModemInf::ModemInf(std::string_view bytes, Arch arch, WideStringView language, InfNotes& notes)
    : file_(InfFile::Parse(bytes)), arch_(arch), notes_(notes), strings_(file_, language, notes) {
    const InfLine* signature = VersionLine(u"Signature");
    bool signed_ok = false;
    for (WideStringView known : kSignatures)
        signed_ok = signed_ok || (signature && !signature->fields.empty() &&
                                  SameName(signature->fields.front(), known));
    if (!signed_ok)
        throw InfError(signature ? signature->number : 0,
                       "not an INF file: no [Version] Signature of $Windows NT$ or $Chicago$");

    const WideString class_name = Version(u"Class");
    const WideString class_guid = Version(u"ClassGUID");
    if (!SameName(class_name, kModemClass) && !SameName(class_guid, kModemClassGuid)) {
        const InfLine* line = VersionLine(u"Class");
        throw InfError(
            line ? line->number : signature->number,
            "not a modem's INF: [Version] Class is '" + Utf8(class_name) + "', not Modem");
    }

    const InfSection* manufacturers = file_.Find(u"Manufacturer");
    if (!manufacturers) throw InfError(0, "no [Manufacturer] section: the INF installs no device");
    for (const InfLine& entry : manufacturers->lines) {
        std::vector<WideString> fields = Substituted(entry);
        if (fields.empty() || fields.front().empty())
            throw InfError(entry.number, "a manufacturer without its models section");
        const WideString manufacturer =
            entry.key ? strings_.Substitute(*entry.key, entry.number) : fields.front();
        const std::vector<WideString> decorations(fields.begin() + 1, fields.end());
        const auto name =
            ChooseModelsSection(fields.front(), decorations, arch_, entry.number, notes_);
        if (!name) continue;  // this manufacturer's devices are not for this platform
        const InfSection* models = file_.Find(*name);
        if (!models) {
            notes_.push_back({entry.number, "models section [" + Utf8(*name) + "] does not exist"});
            continue;
        }
        for (const InfLine& line : models->lines) {
            std::vector<WideString> model = Substituted(line);
            if (!line.key || model.size() < 2 || model[0].empty() || model[1].empty())
                throw InfError(line.number,
                               "a model needs 'description = install-section, hardware-id'");
            models_.push_back({strings_.Substitute(*line.key, line.number), manufacturer, model[0],
                               std::vector<WideString>(model.begin() + 1, model.end()),
                               line.number});
        }
    }
    if (models_.empty())
        throw InfError(manufacturers->lines.empty() ? 0 : manufacturers->lines.front().number,
                       std::string("no models for ") + ArchName(arch_));
}

const ModemModel& ModemInf::Choose(WideStringView id) const {
    if (id.empty()) {
        if (models_.size() > 1)
            notes_.push_back({models_.front().line,
                              std::to_string(models_.size()) + " models; took the first, " +
                                  Utf8(models_.front().ids.front()) +
                                  " (--model chooses another, --list shows them)"});
        return models_.front();
    }
    for (const ModemModel& model : models_)
        for (const WideString& known : model.ids)
            if (SameName(known, id)) return model;
    throw InfError(0, "no model with the ID " + Utf8(id) + " for " + ArchName(arch_) +
                          " (--list shows the models)");
}

DriverKey ModemInf::Install(const ModemModel& model) const {
    const InfSection* install =
        ChooseInstallSection(file_, model.install, arch_, model.line, notes_);
    if (!install)
        throw InfError(model.line, "install section [" + Utf8(model.install) + "] does not exist");
    DriverKey key{RegModel(), install->name};
    bool included = false;
    for (const InfLine& line : install->lines)
        included = included || (line.key && SameName(*line.key, u"Include"));
    std::vector<std::pair<WideString, std::size_t>> needs;
    for (const InfLine& line : install->lines) {
        if (!line.key) continue;
        if (SameName(*line.key, u"AddReg")) {
            for (const WideString& name : Substituted(line))
                if (!name.empty()) ApplySection(name, line.number, included, key.values);
        } else if (SameName(*line.key, u"Needs")) {
            for (const WideString& name : Substituted(line))
                if (!name.empty()) needs.emplace_back(name, line.number);
        }
    }
    // A needed section in this file adds its own AddReg; one from an included system INF
    // is not here to read.
    for (const auto& [name, number] : needs) {
        const InfSection* needed = file_.Find(name);
        if (!needed) {
            notes_.push_back({number, "section [" + Utf8(name) +
                                          "] comes from an included INF, absent here: skipped"});
            continue;
        }
        for (const InfLine& line : needed->lines) {
            if (!line.key || !SameName(*line.key, u"AddReg")) continue;
            for (const WideString& section : Substituted(line))
                if (!section.empty()) ApplySection(section, line.number, true, key.values);
        }
    }
    return key;
}

void ModemInf::ApplySection(WideStringView name, std::size_t line, bool included,
                            RegModel& model) const {
    const InfSection* section = file_.Find(name);
    if (!section) {
        if (!included) throw InfError(line, "AddReg section [" + Utf8(name) + "] does not exist");
        notes_.push_back({line, "AddReg section [" + Utf8(name) +
                                    "] comes from an included INF, absent here: skipped"});
        return;
    }
    for (const InfLine& entry : section->lines) {
        if (entry.key) throw InfError(entry.number, "an AddReg entry cannot hold '=' in its root");
        ApplyAddReg(Substituted(entry), entry.number, model, notes_);
    }
}

const InfLine* ModemInf::VersionLine(WideStringView key) const {
    const InfSection* version = file_.Find(u"Version");
    if (!version) return nullptr;
    for (const InfLine& line : version->lines)
        if (line.key && SameName(*line.key, key)) return &line;
    return nullptr;
}

WideString ModemInf::Version(WideStringView key, std::size_t field) const {
    const InfLine* line = VersionLine(key);
    if (!line || line->fields.size() <= field) return {};
    return strings_.Substitute(line->fields[field], line->number);
}

std::vector<WideString> ModemInf::Substituted(const InfLine& line) const {
    std::vector<WideString> fields;
    for (const WideString& field : line.fields)
        fields.push_back(strings_.Substitute(field, line.number));
    return fields;
}

}  // namespace veltrane::inf
