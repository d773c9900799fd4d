#include "inf_decoration.h"

#include <charconv>
#include <string>
#include <tuple>

namespace veltrane::inf {
namespace {

// The system the profile is for: Windows 10 (22H2) on a workstation.
constexpr unsigned kTargetMajor = 10;
constexpr unsigned kTargetMinor = 0;
constexpr unsigned kTargetBuild = 19045;
constexpr unsigned kWorkstation = 1;

struct ArchNames {
    Arch arch;
    const char* name;
};
constexpr ArchNames kArchNames[] = {{Arch::kAmd64, "amd64"}, {Arch::kX86, "x86"}};

// A number field of a decoration: decimal, or hex with 0x; empty counts as absent.
std::optional<unsigned> Number(const std::string& text, bool& bad) {
    if (text.empty()) return std::nullopt;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    unsigned value = 0;
    const char* begin = text.data() + (hex ? 2 : 0);
    const auto [end, error] =
        std::from_chars(begin, text.data() + text.size(), value, hex ? 16 : 10);
    bad = bad || error != std::errc() || end != text.data() + text.size();
    return value;
}

// How well a decoration fits the target: higher is better; nothing when it does not fit.
std::optional<std::tuple<unsigned, unsigned, unsigned, bool>> Fit(const std::string& decoration,
                                                                  Arch arch) {
    std::vector<std::string> parts(1);
    for (char c : decoration) {
        if (c == '.') {
            parts.emplace_back();
        } else {
            parts.back() += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
    }
    if (!parts[0].starts_with("nt")) return std::nullopt;
    const std::string platform = parts[0].substr(2);
    if (!platform.empty() && platform != ArchName(arch)) return std::nullopt;
    parts.resize(6);
    bool bad = false;
    const auto major = Number(parts[1], bad);
    const auto minor = Number(parts[2], bad);
    const auto product = Number(parts[3], bad);
    const auto suite = Number(parts[4], bad);
    const auto build = Number(parts[5], bad);
    if (bad) return std::nullopt;
    const unsigned want_major = major.value_or(0), want_minor = minor.value_or(0);
    if (std::tie(want_major, want_minor) > std::tie(kTargetMajor, kTargetMinor))
        return std::nullopt;
    if (product.value_or(kWorkstation) != kWorkstation) return std::nullopt;
    if (suite.value_or(0) != 0) return std::nullopt;  // a suite (server, embedded...) is not ours
    if (build.value_or(0) > kTargetBuild) return std::nullopt;
    return std::make_tuple(want_major, want_minor, build.value_or(0), !platform.empty());
}

}  // namespace

const char* ArchName(Arch arch) {
    for (const ArchNames& entry : kArchNames)
        if (entry.arch == arch) return entry.name;
    return "";
}

std::optional<WideString> ChooseModelsSection(WideStringView models,
                                              const std::vector<WideString>& decorations, Arch arch,
                                              std::size_t line, InfNotes& notes) {
    if (decorations.empty()) {
        notes.push_back({line, "models section [" + Utf8(models) +
                                   "] has no platform decorations: read as it stands"});
        return WideString(models);
    }
    std::optional<WideString> best;
    std::tuple<unsigned, unsigned, unsigned, bool> best_fit{};
    for (const WideString& decoration : decorations) {
        const auto fit = Fit(Utf8(decoration), arch);
        if (fit && (!best || *fit > best_fit)) {
            best = WideString(models) + u"." + decoration;
            best_fit = *fit;
        }
    }
    // 32-bit Windows still takes the undecorated section when no decoration fits; 64-bit
    // Windows never does.
    if (!best && arch == Arch::kX86) best = WideString(models);
    return best;
}

const InfSection* ChooseInstallSection(const InfFile& file, WideStringView base, Arch arch,
                                       std::size_t line, InfNotes& notes) {
    const WideString plain(base);
    for (const WideString& name : {plain + u".NT" + Widen(ArchName(arch)), plain + u".NT"}) {
        if (const InfSection* section = file.Find(name)) return section;
    }
    const InfSection* section = file.Find(plain);
    if (section)
        notes.push_back({line, "install section [" + Utf8(plain) + "] has no .NT" + ArchName(arch) +
                                   " or .NT form: read as it stands"});
    return section;
}

}  // namespace veltrane::inf
