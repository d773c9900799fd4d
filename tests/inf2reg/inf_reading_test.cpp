// How veltrane-inf2reg reads a modem's INF, rule by rule. Each row of
// tests/fixtures/inf/rules.tsv is an INF, the driver key its first (or chosen) model's AddReg
// sections write (or the error), a note that must be among those given, and the options.
#include <gtest/gtest.h>

#include <string>

#include "modem_inf.h"
#include "test_paths.h"

namespace veltrane::inf {
namespace {

// The fixture's escapes: \\, \t, \r, \n and \xHH.
std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c == 't' ? '\t' : c == 'r' ? '\r' : c == 'n' ? '\n' : c;
        }
    }
    return out;
}

std::string Render(const RegValue& value) {
    const auto& d = value.data;
    switch (value.type) {
        case kRegSz:
        case kRegExpandSz: {
            std::string text = value.type == kRegSz ? "" : "expand:";
            WideString wide;
            for (std::size_t i = 0; i + 2 < d.size(); i += 2)
                wide += static_cast<char16_t>(d[i] | d[i + 1] << 8);
            return text + Utf8(wide);
        }
        case kRegMultiSz: {
            std::string text = "multi:";
            for (const WideString& entry : MultiStringEntries(d)) text += Utf8(entry) + "|";
            return text;
        }
        case kRegDword:
            return "dword:" + std::to_string(d[0] | d[1] << 8 | d[2] << 16 |
                                             static_cast<unsigned>(d[3]) << 24);
        default: {
            std::string text = "hex(" + std::to_string(value.type) + "):";
            for (std::uint8_t byte : d) text += std::to_string(byte) + " ";
            return text;
        }
    }
}

// The driver key's values, "path\name=data; ...", or "error LINE: text".
std::string DriverKeyOf(const std::vector<std::string>& row, InfNotes& notes) {
    try {
        const ModemInf inf(Unescape(row.at(1)), row.at(4) == "x86" ? Arch::kX86 : Arch::kAmd64,
                           Widen(row.at(5)), notes);
        const DriverKey key = inf.Install(inf.Choose(Widen(row.at(6))));
        std::string out;
        for (const RegKey& k : key.values.keys()) {
            std::string path;
            for (const WideString& name : k.path) path += Utf8(name) + "\\";
            if (k.values.empty() && !k.path.empty()) out += path + "; ";
            for (const RegValue& v : k.values) out += path + Utf8(v.name) + "=" + Render(v) + "; ";
        }
        return out;
    } catch (const InfError& error) {
        return "error " + std::to_string(error.line()) + ": " + error.what();
    }
}

TEST(InfReading, EachRuleAsWindowsSetupReadsIt) {
    const auto rows = testing::FixtureRows("inf/rules.tsv");
    ASSERT_GE(rows.size(), 30u);
    for (const auto& row : rows) {
        InfNotes notes;
        EXPECT_EQ(DriverKeyOf(row, notes), Unescape(row.at(2))) << row[0];
        bool noted = row.at(3).empty();
        for (const InfNote& note : notes)
            noted = noted || note.text.find(row[3]) != std::string::npos;
        EXPECT_TRUE(noted) << row[0] << ": no note '" << row[3] << "'";
    }
}

}  // namespace
}  // namespace veltrane::inf
