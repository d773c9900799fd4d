#include "profile_dump.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace veltrane::testing {

const FieldCode kFieldCodes[35] = {
    {u"AttachedTo", 30, false},
    {u"CompanyName", 31, false},
    {u"FriendlyName", 32, false},
    {u"Reset", 33, false},
    {u"TerminatePlay", 34, false},
    {u"TerminateRecord", 35, false},
    {u"GenerateDigit", 1, true},
    {u"Hangup", 2, true},
    {u"Init", 3, true},
    {u"LineSetPlayFormat", 4, true},
    {u"LineSetRecordFormat", 5, true},
    {u"Monitor", 6, true},
    {u"CallSetupFailTimer", 7, false},
    {u"DialPrefix", 8, false},
    {u"DialSuffix", 9, false},
    {u"Prefix", 10, false},
    {u"SpeakerMode_Dial", 11, false},
    {u"SpeakerMode_Off", 12, false},
    {u"SpeakerMode_On", 13, false},
    {u"SpeakerMode_Setup", 14, false},
    {u"SpeakerVolume_High", 15, false},
    {u"SpeakerVolume_Low", 16, false},
    {u"SpeakerVolume_Med", 17, false},
    {u"Tone", 18, false},
    {u"SpeakerPhoneDisable", 19, true},
    {u"SpeakerPhoneEnable", 20, true},
    {u"SpeakerPhoneMute", 21, true},
    {u"SpeakerPhoneSetVolumeGain", 22, true},
    {u"SpeakerPhoneUnMute", 23, true},
    {u"StartPlay", 24, true},
    {u"StartRecord", 25, true},
    {u"StopPlay", 26, true},
    {u"StopRecord", 27, true},
    {u"VoiceAnswer", 28, true},
    {u"VoiceDialNumberSetup", 29, true},
};

const char* const kWineFixtures[4] = {
    "wine-full-modem.reg",
    "wine-first-modem-without-driver.reg",
    "wine-driver-leads-nowhere.reg",
    "wine-modem-below-instance.reg",
};

namespace {

std::string Narrow(std::u16string_view text) {
    std::string out;
    for (char16_t unit : text) out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    return out;
}

std::u16string Widen(std::string_view text) {
    return std::u16string(text.begin(), text.end());
}

std::string Hex(std::u16string_view text) {
    if (text.empty()) return "-";
    std::string out;
    char unit[5];
    for (char16_t c : text) {
        std::snprintf(unit, sizeof unit, "%04x", static_cast<unsigned>(c));
        out += unit;
    }
    return out;
}

std::optional<std::u16string> Unhex(const std::string& hex) {
    if (hex == "-") return std::u16string();
    if (hex.size() % 4 != 0) return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i < hex.size(); i += 4) {
        text.push_back(static_cast<char16_t>(std::stoul(hex.substr(i, 4), nullptr, 16)));
    }
    return text;
}

ProfileDump EmptyDump() {
    ProfileDump dump;
    for (const FieldCode& field : kFieldCodes) {
        dump[field.name] = DumpedField{
            field.is_list, false,
            field.is_list ? std::vector<std::u16string>{} : std::vector<std::u16string>{u""}};
    }
    return dump;
}

// The profile every driver key of the Wine fixtures holds, `tag` telling them apart. Hangup
// has no key, Monitor a key without values, Settings no Tone, Reset is a multi-string,
// Prefix an expandable string, DialSuffix larger than the scratch buffer, and StartPlay has
// a value too large for it between the others.
void FillDriver(ProfileDump& dump, int number, const std::u16string& tag) {
    auto text = [&](const char16_t* name, std::u16string value) { dump[name].entries = {value}; };
    text(u"AttachedTo", u"COM" + Widen(std::to_string(number + 3)));
    text(u"CompanyName", u"Quorindel Telecom");
    text(u"FriendlyName", u"Mod\u00e8m \u03a9 " + tag);
    text(u"Reset", u"ATZ<cr>");
    text(u"TerminatePlay", u"<h10><h03>");
    text(u"TerminateRecord", u"<h10><h21>");
    text(u"CallSetupFailTimer", u"S7=<#>");
    text(u"DialPrefix", u"D");
    text(u"DialSuffix", u";" + std::u16string(9000, u'W'));  // over the 16384-byte buffer
    text(u"Prefix", u"%PREFIX%AT");
    text(u"SpeakerMode_Dial", u"M1");
    text(u"SpeakerMode_Off", u"M0");
    text(u"SpeakerMode_On", u"M2");
    text(u"SpeakerMode_Setup", u"M3");
    text(u"SpeakerVolume_High", u"L3");
    text(u"SpeakerVolume_Low", u"L0");
    text(u"SpeakerVolume_Med", u"L2");
    for (const FieldCode& field : kFieldCodes) {
        if (!field.is_list) continue;
        const std::u16string name = field.name;
        if (name == u"Init") {
            dump[name].entries = {u"AT<cr>", u"", u"AT#CLS=8<cr>"};
        } else if (name == u"StartPlay") {
            // Its third value is too large for the buffer and is left out.
            dump[name].entries = {name + u"-1 " + tag, name + u"-2 " + tag, name + u"-4 " + tag};
        } else if (name != u"Hangup" && name != u"Monitor") {
            dump[name].entries = {name + u"-1 " + tag, name + u"-2 " + tag};
        }
    }
}

}  // namespace

void WriteDump(const ProfileDump& dump, const std::filesystem::path& file) {
    std::ofstream out(file, std::ios::binary);
    for (const auto& [name, field] : dump) {
        out << Narrow(name) << ' ' << (field.is_null ? "null" : field.is_list ? "list" : "text");
        for (const auto& entry : field.entries) out << ' ' << Hex(entry);
        out << '\n';
    }
}

std::optional<ProfileDump> ReadDump(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    ProfileDump dump;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string name, kind, hex;
        if (!(words >> name >> kind)) return std::nullopt;
        DumpedField field{kind == "list", kind == "null", {}};
        while (words >> hex) {
            auto entry = Unhex(hex);
            if (!entry) return std::nullopt;
            field.entries.push_back(*entry);
        }
        dump[Widen(name)] = field;
    }
    return dump;
}

ProfileDump ExpectedDump(const std::string& fixture) {
    ProfileDump dump = EmptyDump();
    if (fixture == "wine-full-modem.reg") {
        FillDriver(dump, 0, u"first");  // the keys walked before it are no modem
    } else if (fixture == "wine-modem-below-instance.reg") {
        FillDriver(dump, 2, u"deep");
    }
    // wine-first-modem-without-driver.reg, wine-driver-leads-nowhere.reg: empty.
    return dump;
}

std::string DescribeDifferences(const ProfileDump& expected, const ProfileDump& actual) {
    std::string out;
    auto show = [](const DumpedField& field) {
        std::string text = field.is_null ? "null" : field.is_list ? "list[" : "text[";
        for (const auto& entry : field.entries) text += "\"" + Narrow(entry) + "\" ";
        return text + "]";
    };
    for (const auto& [name, field] : expected) {
        auto it = actual.find(name);
        if (it == actual.end()) {
            out += Narrow(name) + ": missing\n";
        } else if (it->second.is_list != field.is_list || it->second.is_null != field.is_null ||
                   it->second.entries != field.entries) {
            out += Narrow(name) + ": expected " + show(field) + ", got " + show(it->second) + "\n";
        }
    }
    if (actual.size() != expected.size()) out += "field count differs\n";
    return out;
}

std::filesystem::path FixtureFolder() {
#ifdef _WIN32
    // A Linux path as Wine's drive Z: sees it.
    std::string path = "Z:" VELTRANE_FIXTURE_DIR;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
#else
    return VELTRANE_FIXTURE_DIR;
#endif
}

}  // namespace veltrane::testing
