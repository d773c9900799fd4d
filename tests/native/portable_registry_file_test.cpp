// Loading registry files: regedit exports (UTF-16, UTF-8, REGEDIT4) and Wine hives, and
// the faults that must leave an empty tree with a precise diagnosis.

// The portable backend exists only where the Win32 registry does not.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "common/registry_path.h"
#include "platform/portable/registry_file.h"

namespace veltrane::platform {
namespace {

const std::filesystem::path kFixtures =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "fixtures/registry/loader";

std::string Fixture(const char* name) {
    std::ifstream in(kFixtures / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// UTF-16LE with a byte-order mark.
std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return bytes;
}

// Latin-1 text, byte for code unit.
std::u16string Widen(std::string_view text) {
    std::u16string wide;
    for (unsigned char c : text) wide.push_back(c);
    return wide;
}

const RegistryTree::Key* Find(const RegistryTree& tree, std::u16string_view path) {
    const RegistryTree::Key* key = tree.Root();
    while (key && !path.empty()) key = tree.OpenChild(key, TakeKeyName(path));
    return key;
}

// The names of a key's subkeys (`subkeys`) or values, in the order a reader sees them.
std::vector<std::u16string> Names(const RegistryTree& tree, std::u16string_view path,
                                  bool subkeys) {
    const RegistryTree::Key* key = Find(tree, path);
    if (!key) return {u"<missing>"};
    std::vector<std::u16string> names;
    for (const auto* k : key->subkeys) {
        if (subkeys) names.emplace_back(k->Name());
    }
    for (const auto& v : key->values) {
        if (!subkeys) names.emplace_back(v.Name());
    }
    return names;
}

// A value as "type:bytes", the bytes as two hex digits each.
std::string Dump(const RegistryTree& tree, std::u16string_view path, std::u16string_view name) {
    const RegistryTree::Key* key = Find(tree, path);
    const RegistryTree::Value* value = key ? tree.FindValue(key, name) : nullptr;
    if (!value) return "<missing>";
    std::string out = std::to_string(value->type) + ":";
    for (std::uint8_t byte : value->Data())
        out += "0123456789abcdef"[byte >> 4], out += "0123456789abcdef"[byte & 15];
    return out;
}

// Every value of values.tsv (file, key, name, "type:hex bytes"), from each form of its file.
TEST(RegistryFileTest, ReadsEveryKindOfValueOfEachDialect) {
    std::istringstream rows(Fixture("values.tsv"));
    for (std::string row; std::getline(rows, row);) {
        if (row.starts_with("#")) continue;
        std::vector<std::string> cell(1);
        for (char c : row) c == '\t' ? (void)cell.emplace_back() : cell.back().push_back(c);
        const std::string text = Fixture(cell[0].c_str());
        std::vector<std::string> forms = {text};
        if (cell[0] == "regedit5.reg")
            forms = {text, Utf16File(Widen(text)), "\xEF\xBB\xBF" + text};
        for (const std::string& form : forms) {
            const auto result = ParseRegistryText(form, cell[0]);
            ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
            EXPECT_EQ(Dump(*result.tree, Widen(cell[1]), Widen(cell[2])), cell[3])
                << row << " form " << (&form - forms.data());
        }
    }
}

TEST(RegistryFileTest, KeepsOrderAppliesDeletesAndFollowsLinksOutsideLoops) {
    const auto r5 = ParseRegistryText(Fixture("regedit5.reg"), "r5");
    const auto& tree = *r5.tree;
    EXPECT_EQ(Names(tree, u"SYSTEM\\Test", false),
              (std::vector<std::u16string>{u"", u"Quoted", u"Count", u"Bin", u"Expand", u"Multi",
                                           u"Q", u"Empty", u"Wide"}));
    EXPECT_EQ(Names(tree, u"", true), std::vector<std::u16string>{u"SYSTEM"});
    EXPECT_EQ(Names(tree, u"SYSTEM", true), (std::vector<std::u16string>{u"Reborn", u"Test"}));
    EXPECT_EQ(Names(tree, u"SYSTEM\\Reborn", false), std::vector<std::u16string>{u"new"});

    const auto wine = ParseRegistryText(Fixture("wine-constructs.reg"), "wine");
    ASSERT_FALSE(wine.error) << DescribeRegistryFileError(*wine.error);
    // The parent lists a link under its own name; A\Loop points back at A and is dropped.
    EXPECT_EQ(Names(*wine.tree, u"Software\\Classes\\Wow6432Node", true),
              std::vector<std::u16string>{u"AppId"});
    const RegistryTree::Key* loop = Find(*wine.tree, u"A\\Loop");
    ASSERT_NE(loop, nullptr);
    EXPECT_NE(loop, Find(*wine.tree, u"A"));
    EXPECT_TRUE(loop->subkeys.empty());
    // An excerpt of a fresh prefix's system.reg.
    const auto excerpt = LoadRegistryFile(kFixtures / "wine-system-excerpt.reg");
    EXPECT_FALSE(excerpt.error) << DescribeRegistryFileError(*excerpt.error);
}

TEST(RegistryFileTest, KeepsWindowsOrderWhenManyKeysAndValuesArriveShuffled) {
    // Enough subkeys and values that lookups go through the builder's indexes.
    std::string text = "REGEDIT4\n";
    for (int i = 0; i < 60; ++i) {
        const std::string n = std::to_string(100 + (i * 37) % 60);
        text += "[HKLM\\Wide\\k" + n + "]\n[HKLM\\Values]\n\"v" + n + "\"=dword:1\n";
    }
    text += "[-HKLM\\Wide\\K105]\n[-HKLM\\Wide\\k120]\n[HKLM\\Wide\\K120]\n";
    text += "[HKLM\\Values]\n\"V107\"=-\n\"v100\"=dword:2\n\"v107\"=dword:3\n";
    const auto result = ParseRegistryText(text, "t.reg");
    const auto subkeys = Names(*result.tree, u"Wide", true);
    ASSERT_EQ(subkeys.size(), 59u);
    EXPECT_EQ(subkeys.front() + subkeys[5] + subkeys[19], u"k100k106K120");
    const auto values = Names(*result.tree, u"Values", false);
    ASSERT_EQ(values.size(), 60u);
    EXPECT_EQ(values.front() + values[59], u"v100v107");  // a value set again keeps its place
    EXPECT_EQ(Dump(*result.tree, u"Values", u"V100"), "4:02000000");
}

struct FaultCase {
    std::string text;
    std::size_t line;
    const char* reason;
};

TEST(RegistryFileTest, RefusesABrokenFileWholeNamingTheLineAndTheFault) {
    const std::string head = "REGEDIT4\n\n[HKLM\\SYSTEM\\Ok]\n\"fine\"=\"1\"\n";
    const std::string wine = "WINE REGISTRY Version 2\n[A]\n";
    const std::string deep = [] {
        std::string path = "REGEDIT4\n[HKLM";
        for (int i = 0; i < 512; ++i) path += "\\d";
        return path;
    }();
    const std::string big(10 * 1024 * 1024, 'a');
    const FaultCase cases[] = {
        {"", 1, "empty file"},
        {"[HKLM\\A]\n", 1, "not a registry file"},
        {std::string("\xFE\xFFW\0", 4), 1, "big-endian"},
        {"WINE REGISTRY Version 2\n\n\xC3\x28\n", 3, "invalid UTF-8"},
        {head + "\"a\"=\"abc\n", 5, "unterminated string"},
        {head + "\"a\"=hex:01,zz,03\n", 5, "bad hex byte 'zz'"},
        {head + "\"a\"=hex:01,02,\\\n  03,1ff\n", 6, "bad hex byte '1ff'"},
        {head + "\"a\"=hex:01,02,\\\n", 5, "ends inside a continued value"},
        {head + "\"a\"=dword:123456789\n", 5, "bad dword"},
        {head + "\"a\"=\"C:\\dir\"\n", 5, "unknown escape '\\d'"},
        {head + "\"a\"=\"x\" trailing\n", 5, "unexpected text"},
        {head + "\"a\"=qword:1\n", 5, "unknown value data"},
        {head + "\"a\"\n", 5, "expected '='"},
        {head + "[HKLM\\SYSTEM\\Broken\n", 5, "closing ']'"},
        {head + "[HKLM\\SYSTEM\\\\Twice]\n", 5, "empty key name"},
        {"REGEDIT4\n\"early\"=\"1\"\n", 2, "before any [key]"},
        {wine + "\"a\"=str(zz):\"x\"\n", 3, "bad value type"},
        {wine + "\"a\"=\"\\q\"\n", 3, "unknown escape"},
        // A NUL cannot be part of a name any Win32 call passes.
        {"WINE REGISTRY Version 2\n[A\\\\B\\0C]\n", 2, "NUL character in a key"},
        {wine + "\"a\\0b\"=\"x\"\n", 3, "NUL character in a value"},
        {Utf16File(std::u16string(u"REGEDIT4\n[HKLM\\A\0B]\n", 20)), 2, "NUL character in a key"},
        {Utf16File(Widen(head + "\"a\"=\"abc\n")), 5, "unterminated string"},
        {Utf16File(Widen(head + "\"a\"=\"abc\"\n")) + "\x22", 6, "odd number of bytes"},
        {"REGEDIT4\n[HKLM\\" + std::string(256, 'k') + "]\n", 2, "longer than 255 characters"},
        {"REGEDIT4\n[HKLM\\V]\n\"" + std::string(16384, 'n') + "\"=\"\"\n", 3,
         "value name longer than 16383 characters"},
        {deep + "\\d]\n", 2, "deeper than 512 levels"},
        {"REGEDIT4\n[HKLM\\Big]\n\"v\"=\"" + big + "\n", 3, "unterminated string"},
    };
    for (const FaultCase& c : cases) {
        const auto result = ParseRegistryText(c.text, "t.reg");
        ASSERT_TRUE(result.error) << c.reason;
        EXPECT_EQ(DescribeRegistryFileError(*result.error).find("t.reg:" + std::to_string(c.line)),
                  0u)
            << DescribeRegistryFileError(*result.error);
        EXPECT_NE(result.error->reason.find(c.reason), std::string::npos) << result.error->reason;
        EXPECT_TRUE(result.tree->Root()->subkeys.empty() && result.tree->Root()->values.empty());
    }
    // Right at the limits, and a line of ten megabytes, load.
    for (const std::string& text :
         {"REGEDIT4\n[HKLM\\" + std::string(255, 'k') + "]\n",
          "REGEDIT4\n[HKLM\\V]\n\"" + std::string(16383, 'n') + "\"=\"\"\n", deep + "]\n",
          "REGEDIT4\n[HKLM\\Big]\n\"v\"=\"" + big + "\"\n"}) {
        EXPECT_FALSE(ParseRegistryText(text, "t.reg").error) << text.substr(0, 40);
    }
    const auto missing = LoadRegistryFile(kFixtures / "no-such-file.reg");
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->line, 0u);
    EXPECT_NE(missing.error->reason.find("cannot open"), std::string::npos);
    EXPECT_TRUE(LoadRegistryFile(kFixtures).error);
}

// UTF-8 of text without surrogates.
std::string Utf8(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        }
    }
    return out;
}

// A file is read in pieces of 256 KiB: one of several pieces, with lines of every length
// up to one longer than a piece, loads whole, and a fault on its last line (in UTF-16, one
// byte too many) is found there.
TEST(RegistryFileTest, ReadsAFileInPieces) {
    struct Form {
        const char16_t* head;  // header and key line
        std::string (*encode)(std::u16string_view);
        const char16_t* odd;  // in UTF-16, bytes 0x0A at either offset that end no line
    };
    auto latin1 = [](std::u16string_view t) { return std::string(t.begin(), t.end()); };
    const Form forms[] = {
        {u"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\Long]", Utf16File,
         u"\x0A00\x0A00\x010A"},
        {u"Windows Registry Editor Version 5.00\n[HKLM\\Long]", Utf8, u"\x0A00\x0A00\x010A"},
        {u"REGEDIT4\n[HKLM\\Long]", latin1, u"\xE9\xFC"},
        {u"WINE REGISTRY Version 2\n[Long] 0", Utf8, u"\x0A00\x0A00\x010A"},
    };
    for (const Form& form : forms) {
        std::u16string text = form.head;
        std::vector<std::pair<std::u16string, std::u16string>> strings;  // name, text
        for (int n = 0; text.size() < 600000; ++n) {
            const std::u16string name = u"v" + Widen(std::to_string(n));
            text += u"\n\"" + name + u"\"=";
            if (n % 50 == 7) {
                text += u"hex:01,02,\\\n  03";
                continue;
            }
            std::u16string data = n == 100 ? std::u16string(300000, u'x') : u"";
            for (int i = n * 37 % 500; i > 0; --i) data += form.odd;
            text += u'"' + data + u'"';
            strings.emplace_back(name, data);
        }
        const std::string bytes = form.encode(text + u"\n");
        const auto whole = ParseRegistryText(bytes, "t.reg");
        ASSERT_FALSE(whole.error) << DescribeRegistryFileError(*whole.error);
        EXPECT_EQ(Dump(*whole.tree, u"Long", u"v7"), "3:010203");
        for (const auto& [name, data] : strings) {
            std::string hex = "1:";
            for (char16_t c : data + u'\0') {
                for (int byte : {c & 0xFF, c >> 8}) {
                    hex += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
                }
            }
            ASSERT_EQ(Dump(*whole.tree, u"Long", name), hex);
        }
        const std::string last =
            "t.reg:" + std::to_string(std::count(text.begin(), text.end(), u'\n') + 2) + ": ";
        for (const std::string& broken :
             {bytes + form.encode(u"\"bad\"=qword:1\n"), bytes + "\x22"}) {
            const auto result = ParseRegistryText(broken, "t.reg");
            ASSERT_TRUE(result.error);
            EXPECT_EQ(DescribeRegistryFileError(*result.error).find(last), 0u)
                << DescribeRegistryFileError(*result.error);
        }
    }
}
}  // namespace
}  // namespace veltrane::platform

#endif  // _WIN32
