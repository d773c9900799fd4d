#include "modem_machine.h"

namespace veltrane::inf {
namespace {

const std::vector<WideString> kInstanceKey = {
    u"SYSTEM", u"CurrentControlSet", u"Enum", u"ROOT", u"MODEM", u"0000"};
const std::vector<WideString> kModemClassKey = {u"SYSTEM", u"CurrentControlSet", u"Control",
                                                u"Class",
                                                u"{4D36E96D-E325-11CE-BFC1-08002BE10318}"};
constexpr WideStringView kDriverKeyName = u"0000";
constexpr WideStringView kDriverLink = u"{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000";
constexpr WideStringView kModemClassGuid = u"{4D36E96D-E325-11CE-BFC1-08002BE10318}";

RegValue Text(WideStringView name, WideStringView text) {
    return {WideString(name), kRegSz, StringData(text)};
}

}  // namespace

std::vector<RegKey> MachineKeys(Installation installation, InfNotes& notes) {
    const ModemModel& model = installation.model;
    RegKey& driver = installation.driver.values.Key({});
    // What setup records once the AddReg sections have run.
    const std::pair<WideStringView, WideString> recorded[] = {
        {u"DriverDesc", model.description},
        {u"ProviderName", installation.inf.Version(u"Provider")},
        {u"DriverDate", installation.inf.Version(u"DriverVer", 0)},
        {u"DriverVersion", installation.inf.Version(u"DriverVer", 1)},
        {u"InfPath", installation.inf_name},
        {u"InfSection", installation.driver.install_section},
        {u"MatchingDeviceId", model.ids.front()},
    };
    for (const auto& [name, text] : recorded)
        if (!text.empty()) RegModel::SetValue(driver, Text(name, text));
    // The modem class installer names the modem and records its port.
    if (!RegModel::FindValue(driver, u"FriendlyName"))
        RegModel::SetValue(driver, Text(u"FriendlyName", model.description));
    if (installation.port.empty()) {
        notes.push_back({0, "no --port: AttachedTo is left out"});
    } else {
        RegModel::SetValue(driver, Text(u"AttachedTo", installation.port));
    }

    std::vector<RegKey> keys;
    keys.push_back({kInstanceKey,
                    {Text(u"Class", u"Modem"),
                     Text(u"ClassGUID", kModemClassGuid),
                     Text(u"Driver", kDriverLink),
                     {u"HardwareID", kRegMultiSz, MultiStringData({model.ids.front()})},
                     Text(u"DeviceDesc", model.description),
                     Text(u"Mfg", model.manufacturer)}});
    keys.push_back({kModemClassKey, {Text(u"Class", u"Modem")}});
    for (const RegKey& key : installation.driver.values.keys()) {
        RegKey placed{kModemClassKey, key.values};
        placed.path.emplace_back(kDriverKeyName);
        placed.path.insert(placed.path.end(), key.path.begin(), key.path.end());
        keys.push_back(std::move(placed));
    }
    return keys;
}

}  // namespace veltrane::inf
