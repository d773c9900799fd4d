// Loading registry files: regedit exports (UTF-16, UTF-8, REGEDIT4) and Wine hives, and
// the faults that must leave an empty tree with a precise diagnosis.

// The portable backend exists only where the Win32 registry does not.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "modem/modem_strings.h"
#include "platform/portable/registry_file.h"
#include "platform/registry.h"

namespace veltrane::platform {
namespace {

const std::filesystem::path kFixtures =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "fixtures" / "registry" /
    "loader";

using Value = RegistryTree::Value;

RegistryFileResult Parse(std::string_view text) {
    return ParseRegistryText(text, "t.reg");
}

// UTF-16LE with a byte-order mark, from text whose non-ASCII characters are \u escapes.
std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

std::u16string Widen(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

const RegistryTree::Key* Find(const RegistryTree& tree, std::u16string_view path) {
    const RegistryTree::Key* key = tree.Root();
    while (key && !path.empty()) {
        const std::size_t cut = path.find(u'\\');
        key = tree.OpenChild(key, path.substr(0, cut));
        path = cut == std::u16string_view::npos ? std::u16string_view{} : path.substr(cut + 1);
    }
    return key;
}

const Value* FindValue(const RegistryTree& tree, std::u16string_view path,
                       std::u16string_view name) {
    const RegistryTree::Key* key = Find(tree, path);
    return key ? tree.FindValue(key, name) : nullptr;
}

// The data of a value as UTF-16 code units, NULs included.
std::u16string Units(const Value* value) {
    std::u16string units;
    if (!value) return u"<missing>";
    for (std::uint32_t i = 0; i + 1 < value->data_size; i += 2) {
        units.push_back(static_cast<char16_t>(value->data[i] | (value->data[i + 1] << 8)));
    }
    return units;
}

std::vector<std::uint8_t> Data(const Value* value) {
    if (!value) return {};
    return {value->data, value->data + value->data_size};
}

std::vector<std::u16string> ValueNames(const RegistryTree::Key* key) {
    if (!key) return {u"<missing key>"};
    std::vector<std::u16string> names;
    for (const Value& v : key->values) names.emplace_back(v.Name());
    return names;
}

std::vector<std::u16string> SubkeyNames(const RegistryTree::Key* key) {
    if (!key) return {u"<missing key>"};
    std::vector<std::u16string> names;
    for (const RegistryTree::Key* k : key->subkeys) names.emplace_back(k->Name());
    return names;
}

void ExpectRejected(const RegistryFileResult& result, std::size_t line, const std::string& reason) {
    ASSERT_TRUE(result.error.has_value()) << "accepted";
    EXPECT_EQ(result.error->file, "t.reg");
    EXPECT_EQ(result.error->line, line) << result.error->reason;
    EXPECT_NE(result.error->reason.find(reason), std::string::npos) << result.error->reason;
    ASSERT_NE(result.tree, nullptr);
    EXPECT_TRUE(result.tree->Root()->subkeys.empty());
    EXPECT_TRUE(result.tree->Root()->values.empty());
}

constexpr std::string_view kRegedit5 =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; exported by hand\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\Test]\r\n"
    "@=\"default\"\r\n"
    "\"Quoted\"=\"say \\\"hi\\\" to C:\\\\dir\"\r\n"
    "\"Count\"=dword:0000002a\r\n"
    "\"Bin\"=hex:01,02,ff\r\n"
    "\"Gone\"=\"soon\"\r\n"
    "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
    "\"Multi\"=hex(7):61,00,00,00,62,00,\\\r\n"
    "  00,00,00,00\r\n"
    "\"Q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
    "\"Gone\"=-\r\n"
    "\"Empty\"=hex(0):\r\n"
    "\r\n"
    "[HKLM\\SYSTEM\\Test\\Sub]\r\n"
    "\"v\"=\"1\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Ignored]\r\n"
    "\"u\"=\"1\"\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\Doomed\\Child]\r\n"
    "[-HKEY_LOCAL_MACHINE\\SYSTEM\\Doomed]\r\n"
    "[-HKEY_LOCAL_MACHINE\\SYSTEM\\NeverThere]\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\Reborn]\r\n"
    "\"old\"=\"1\"\r\n"
    "[-HKEY_LOCAL_MACHINE\\SYSTEM\\Reborn]\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\Reborn]\r\n"
    "\"new\"=\"2\"\r\n";

void ExpectRegedit5Content(const RegistryFileResult& result) {
    ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
    const RegistryTree& tree = *result.tree;
    const RegistryTree::Key* test = Find(tree, u"system\\TEST");
    ASSERT_NE(test, nullptr);
    EXPECT_EQ(ValueNames(test), (std::vector<std::u16string>{u"", u"Quoted", u"Count", u"Bin",
                                                             u"Expand", u"Multi", u"Q", u"Empty"}));
    EXPECT_EQ(Units(tree.FindValue(test, u"")), std::u16string(u"default\0", 8));
    EXPECT_EQ(Units(tree.FindValue(test, u"quoted")),
              std::u16string(u"say \"hi\" to C:\\dir\0", 19));
    EXPECT_EQ(tree.FindValue(test, u"Quoted")->type, kRegSz);
    EXPECT_EQ(Data(tree.FindValue(test, u"Count")), (std::vector<std::uint8_t>{42, 0, 0, 0}));
    EXPECT_EQ(tree.FindValue(test, u"Count")->type, kRegDword);
    EXPECT_EQ(Data(tree.FindValue(test, u"Bin")), (std::vector<std::uint8_t>{1, 2, 0xFF}));
    EXPECT_EQ(tree.FindValue(test, u"Bin")->type, kRegBinary);
    EXPECT_EQ(Units(tree.FindValue(test, u"Expand")), std::u16string(u"%A%\0", 4));
    EXPECT_EQ(tree.FindValue(test, u"Expand")->type, kRegExpandSz);
    EXPECT_EQ(Units(tree.FindValue(test, u"Multi")), std::u16string(u"a\0b\0\0", 5));
    EXPECT_EQ(tree.FindValue(test, u"Multi")->type, kRegMultiSz);
    EXPECT_EQ(tree.FindValue(test, u"Q")->type, 11u);
    EXPECT_EQ(tree.FindValue(test, u"Empty")->data_size, 0u);
    EXPECT_EQ(tree.FindValue(test, u"Empty")->type, 0u);
    EXPECT_EQ(Units(FindValue(tree, u"SYSTEM\\Test\\Sub", u"v")), std::u16string(u"1\0", 2));

    EXPECT_EQ(SubkeyNames(tree.Root()), std::vector<std::u16string>{u"SYSTEM"});
    EXPECT_EQ(SubkeyNames(Find(tree, u"SYSTEM")),
              (std::vector<std::u16string>{u"Reborn", u"Test"}));
    EXPECT_EQ(ValueNames(Find(tree, u"SYSTEM\\Reborn")), std::vector<std::u16string>{u"new"});
}

TEST(RegistryFileRegeditTest, ReadsEveryConstructOfAnExport) {
    ExpectRegedit5Content(Parse(kRegedit5));
}

TEST(RegistryFileRegeditTest, ReadsTheExportAsUtf16AndAsUtf8WithAMark) {
    ExpectRegedit5Content(Parse(Utf16File(Widen(kRegedit5))));
    ExpectRegedit5Content(Parse(std::string("\xEF\xBB\xBF") + std::string(kRegedit5)));
}

TEST(RegistryFileRegeditTest, KeepsNonAsciiNamesAndTextOfUtf16Files) {
    const auto result = Parse(
        Utf16File(u"Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\\u03A9mega]\n"
                  u"\"\u0416\"=\"\u00E9t\u00E9 \U0001F600\"\n"));
    ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
    EXPECT_EQ(Units(FindValue(*result.tree, u"\u03C9MEGA", u"\u0436")),
              std::u16string(u"\u00E9t\u00E9 \U0001F600\0", 7));
}

TEST(RegistryFileRegeditTest, TakesRegedit4AsWindows1252AndWidensItsStringHex) {
    const auto result = Parse(
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Caf\xE9]\r\n"
        "\"Price\"=\"\x80 5\"\r\n"
        "\"Path\"=hex(2):25,57,49,4e,44,49,52,25,00\r\n"
        "\"Raw\"=hex:80,00\r\n");
    ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
    EXPECT_EQ(Units(FindValue(*result.tree, u"Software\\CAF\u00C9", u"Price")),
              std::u16string(u"\u20AC 5\0", 4));
    EXPECT_EQ(Units(FindValue(*result.tree, u"Software\\Caf\u00E9", u"Path")),
              std::u16string(u"%WINDIR%\0", 9));
    // Binary data stays as the bytes that were written.
    EXPECT_EQ(Data(FindValue(*result.tree, u"Software\\Caf\u00E9", u"Raw")),
              (std::vector<std::uint8_t>{0x80, 0x00}));
}

TEST(RegistryFileRegeditTest, KeepsWindowsOrderWhenManyKeysArriveShuffled) {
    // Enough subkeys and values that the loader's indexes take over from plain scans.
    std::string text = "REGEDIT4\n";
    std::vector<int> order(60);
    for (int i = 0; i < 60; ++i) order[i] = (i * 37) % 60;
    for (int i : order) {
        text += "[HKLM\\Wide\\k" + std::to_string(100 + i) + "]\n";
        text += "[HKLM\\Values]\n\"v" + std::to_string(100 + i) + "\"=dword:1\n";
    }
    text += "[-HKLM\\Wide\\K105]\n[-HKLM\\Wide\\k120]\n[HKLM\\Wide\\K120]\n\"back\"=\"1\"\n";
    text += "[HKLM\\Values]\n\"V107\"=-\n\"v100\"=dword:2\n\"added\"=\"1\"\n";
    const auto result = Parse(text);
    ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);

    const auto subkeys = SubkeyNames(Find(*result.tree, u"Wide"));
    ASSERT_EQ(subkeys.size(), 59u);
    EXPECT_EQ(subkeys.front(), u"k100");
    EXPECT_EQ(subkeys[5], u"k106");
    EXPECT_EQ(subkeys[19], u"K120");  // re-created under its new spelling
    EXPECT_EQ(Units(FindValue(*result.tree, u"Wide\\k120", u"back")), std::u16string(u"1\0", 2));

    const RegistryTree::Key* values = Find(*result.tree, u"Values");
    const auto names = ValueNames(values);
    ASSERT_EQ(names.size(), 60u);
    EXPECT_EQ(names.front(), u"v" + Widen(std::to_string(100 + order[0])));
    EXPECT_EQ(names.back(), u"added");
    EXPECT_EQ(std::count(names.begin(), names.end(), u"v107"), 0);
    EXPECT_EQ(Data(result.tree->FindValue(values, u"V100")),
              (std::vector<std::uint8_t>{2, 0, 0, 0}));
}

constexpr std::string_view kWine =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n"
    "#arch=win32\n"
    "\n"
    "[Software\\\\Classes\\\\AppId] 1796582927\n"
    "#time=1dd85b26d7e47c4\n"
    "\"x\"=\"1\"\n"
    "\n"
    "[Software\\\\Classes\\\\Wow6432Node\\\\AppId] 1796582927\n"
    "#time=1dd85b26d7e47c4\n"
    "#link\n"
    "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,\\\n"
    "  00,5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,6f,00,66,00,\\\n"
    "  74,00,77,00,61,00,72,00,65,00,5c,00,43,00,6c,00,61,00,73,00,73,00,65,00,73,\\\n"
    "  00,5c,00,41,00,70,00,70,00,49,00,64,00\n"
    "\n"
    "[System\\\\CurrentControlSet\\\\Enum\\\\Root\\\\*PNP0F13\\\\0000] 1796582932\n"
    "#time=1dd85b2706b15ca\n"
    "#class=\"Mouse\"\n"
    "@=\"default\"\n"
    "\"Escapes\"=\"a\\\\b\\\"c\\n\\t\\x00e9\\0end\\x20ac\"\n"
    "\"Exp\"=str(2):\"%SystemRoot%\\\\x\"\n"
    "\"Multi\"=str(7):\"one\\0two\\0\"\n"
    "\"Dw\"=dword:00000010\n"
    "\"Long\"=hex:00,01,02,\\\n"
    "  03,04\n";

TEST(RegistryFileWineTest, ReadsAWineHive) {
    const auto result = Parse(kWine);
    ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
    const RegistryTree& tree = *result.tree;
    const std::u16string device = u"SYSTEM\\CurrentControlSet\\Enum\\Root\\*PNP0F13\\0000";
    EXPECT_EQ(ValueNames(Find(tree, device)),
              (std::vector<std::u16string>{u"", u"Escapes", u"Exp", u"Multi", u"Dw", u"Long"}));
    EXPECT_EQ(Units(FindValue(tree, device, u"")), std::u16string(u"default\0", 8));
    EXPECT_EQ(Units(FindValue(tree, device, u"Escapes")),
              std::u16string(u"a\\b\"c\n\t\u00E9\0end\u20AC\0", 14));
    EXPECT_EQ(Units(FindValue(tree, device, u"Exp")), std::u16string(u"%SystemRoot%\\x\0", 15));
    EXPECT_EQ(FindValue(tree, device, u"Exp")->type, kRegExpandSz);
    EXPECT_EQ(Units(FindValue(tree, device, u"Multi")), std::u16string(u"one\0two\0\0", 9));
    EXPECT_EQ(FindValue(tree, device, u"Multi")->type, kRegMultiSz);
    EXPECT_EQ(Data(FindValue(tree, device, u"Dw")), (std::vector<std::uint8_t>{16, 0, 0, 0}));
    EXPECT_EQ(Data(FindValue(tree, device, u"Long")), (std::vector<std::uint8_t>{0, 1, 2, 3, 4}));
}

TEST(RegistryFileWineTest, FollowsSymbolicLinksButNeverIntoALoop) {
    const auto result = Parse(kWine);
    ASSERT_FALSE(result.error);
    // Opening the link opens its target; the parent still lists the link under its name.
    EXPECT_EQ(Units(FindValue(*result.tree, u"Software\\Classes\\Wow6432Node\\AppId", u"x")),
              std::u16string(u"1\0", 2));
    EXPECT_EQ(SubkeyNames(Find(*result.tree, u"Software\\Classes\\Wow6432Node")),
              std::vector<std::u16string>{u"AppId"});

    // A\Loop points back at A: followed, it would make the tree endless.
    std::string text = "WINE REGISTRY Version 2\n[A\\\\Loop]\n#link\n\"SymbolicLinkValue\"=hex(6):";
    for (char c : std::string("\\Registry\\Machine\\A")) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02x,00,", c);
        text += hex;
    }
    text += "00,00\n[A\\\\Other]\n";
    const auto loop = Parse(text);
    ASSERT_FALSE(loop.error) << DescribeRegistryFileError(*loop.error);
    const RegistryTree::Key* a = Find(*loop.tree, u"A");
    ASSERT_NE(a, nullptr);
    const RegistryTree::Key* link = loop.tree->OpenChild(a, u"Loop");
    ASSERT_NE(link, nullptr);
    EXPECT_NE(link, a);
    EXPECT_TRUE(link->subkeys.empty());
}

TEST(RegistryFileWineTest, ReadsAnExcerptOfAFreshPrefix) {
    const auto result = LoadRegistryFile(kFixtures / "wine-system-excerpt.reg");
    ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
    const Value* link = FindValue(*result.tree,
                                  u"Software\\Microsoft\\Windows NT\\CurrentVersion"
                                  u"\\FontLink\\SystemLink",
                                  u"Meiryo");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->type, kRegMultiSz);
    EXPECT_EQ(Units(link).substr(0, 21), std::u16string(u"SEGOEUI.TTF,Segoe UI\0", 21));
}

// A whole system.reg of a real prefix, where the run names one (VELTRANE_WINE_SYSTEM_REG)
// or has one (WINEPREFIX).
TEST(RegistryFileWineTest, ReadsAWholePrefixWhenGivenOne) {
    std::filesystem::path file;
    if (const char* named = std::getenv("VELTRANE_WINE_SYSTEM_REG")) {
        file = named;
    } else if (const char* prefix = std::getenv("WINEPREFIX")) {
        file = std::filesystem::path(prefix) / "system.reg";
    }
    if (file.empty() || !std::filesystem::exists(file)) {
        GTEST_SKIP() << "neither VELTRANE_WINE_SYSTEM_REG nor WINEPREFIX names a system.reg";
    }
    const auto result = LoadRegistryFile(file);
    ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
    EXPECT_NE(Find(*result.tree, u"System\\CurrentControlSet\\Control\\Class"), nullptr);
}

TEST(RegistryFileDiscoveryTest, TheProfileComesFromALoadedFile) {
    const auto result = LoadRegistryFile(kFixtures / "modem-machine.reg");
    ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
    const CModemStrings profile{Registry(result.tree)};
    EXPECT_EQ(profile.FriendlyName, u"Loader Test Voice Modem");
    EXPECT_EQ(profile.Init, (StringList{u"AT&F", u"ATE0V1"}));
    EXPECT_EQ(profile.Tone, u"");
    EXPECT_EQ(profile.DialPrefix, u"D");
}

TEST(RegistryFileFaultTest, RefusesWhatIsNotARegistryFile) {
    ExpectRejected(Parse(""), 1, "empty file");
    ExpectRejected(Parse("[HKLM\\A]\n"), 1, "not a registry file");
    ExpectRejected(Parse("\xFE\xFFW\0"), 1, "big-endian");
    ExpectRejected(Parse("WINE REGISTRY Version 2\n\n\xC3\x28\n"), 3, "invalid UTF-8");

    std::mt19937 random(1234);
    std::string garbage(4096, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    const auto result = Parse(garbage);
    EXPECT_TRUE(result.error);
    EXPECT_TRUE(result.tree->Root()->subkeys.empty());
    const auto after_header = Parse("REGEDIT4\n[HKLM\\Ok]\n" + garbage);
    EXPECT_TRUE(after_header.error);
    EXPECT_TRUE(after_header.tree->Root()->subkeys.empty());
}

TEST(RegistryFileFaultTest, NamesTheLineAndTheFaultOfABrokenFile) {
    const std::string head = "REGEDIT4\n\n[HKLM\\SYSTEM\\Ok]\n\"fine\"=\"1\"\n";
    ExpectRejected(Parse(head + "\"a\"=\"abc\n"), 5, "unterminated string");
    ExpectRejected(Parse(head + "\"a\"=hex:01,zz,03\n"), 5, "bad hex byte 'zz'");
    ExpectRejected(Parse(head + "\"a\"=hex:01,02,\\\n  03,1ff\n"), 6, "bad hex byte '1ff'");
    ExpectRejected(Parse(head + "\"a\"=hex:01,02,\\\n"), 5, "ends inside a continued value");
    ExpectRejected(Parse(head + "\"a\"=dword:123456789\n"), 5, "bad dword");
    ExpectRejected(Parse(head + "\"a\"=\"C:\\dir\"\n"), 5, "unknown escape '\\d'");
    ExpectRejected(Parse(head + "\"a\"=\"x\" trailing\n"), 5, "unexpected text");
    ExpectRejected(Parse(head + "\"a\"=qword:1\n"), 5, "unknown value data");
    ExpectRejected(Parse(head + "\"a\"\n"), 5, "expected '='");
    ExpectRejected(Parse(head + "[HKLM\\SYSTEM\\Broken\n"), 5, "closing ']'");
    ExpectRejected(Parse(head + "[HKLM\\SYSTEM\\\\Twice]\n"), 5, "empty key name");
    ExpectRejected(Parse("REGEDIT4\n\"early\"=\"1\"\n"), 2, "before any [key]");
    ExpectRejected(Parse("WINE REGISTRY Version 2\n[A]\n\"a\"=str(zz):\"x\"\n"), 3,
                   "bad value type");
    ExpectRejected(Parse("WINE REGISTRY Version 2\n[A]\n\"a\"=\"\\q\"\n"), 3, "unknown escape");
    // A NUL cannot be part of a name any Win32 call passes.
    ExpectRejected(Parse("WINE REGISTRY Version 2\n[A\\\\B\\0C]\n"), 2, "NUL character in a key");
    ExpectRejected(Parse("WINE REGISTRY Version 2\n[A]\n\"a\\0b\"=\"x\"\n"), 3,
                   "NUL character in a value");
    ExpectRejected(Parse(Utf16File(std::u16string(u"REGEDIT4\n[HKLM\\A\0B]\n", 20))), 2,
                   "NUL character in a key");
    // The same fault in a UTF-16 export, and a UTF-16 export cut in the middle of a unit.
    ExpectRejected(Parse(Utf16File(Widen(head + "\"a\"=\"abc\n"))), 5, "unterminated string");
    ExpectRejected(Parse(Utf16File(Widen(head + "\"a\"=\"abc\"\n")) + "\x22"), 6,
                   "odd number of bytes");
}

TEST(RegistryFileFaultTest, HoldsNamesAndNestingToTheRegistryLimits) {
    const std::string head = "REGEDIT4\n[HKLM\\";
    EXPECT_FALSE(Parse(head + std::string(255, 'k') + "]\n").error);
    ExpectRejected(Parse(head + std::string(256, 'k') + "]\n"), 2,
                   "key name longer than 255 characters");

    const std::string value = "REGEDIT4\n[HKLM\\V]\n\"";
    EXPECT_FALSE(Parse(value + std::string(16383, 'n') + "\"=\"\"\n").error);
    ExpectRejected(Parse(value + std::string(16384, 'n') + "\"=\"\"\n"), 3,
                   "value name longer than 16383 characters");

    std::string deep;
    for (int i = 0; i < 512; ++i) deep += "\\d";
    EXPECT_FALSE(Parse(head.substr(0, head.size() - 1) + deep + "]\n").error);
    ExpectRejected(Parse(head.substr(0, head.size() - 1) + deep + "\\d]\n"), 2,
                   "deeper than 512 levels");
    std::string wine_deep = "WINE REGISTRY Version 2\n[d";
    for (int i = 0; i < 600; ++i) wine_deep += "\\\\d";
    ExpectRejected(Parse(wine_deep + "]\n"), 2, "deeper than 512 levels");
}

TEST(RegistryFileFaultTest, CopesWithALineOfTenMegabytes) {
    const std::string big(10 * 1024 * 1024, 'a');
    const std::string head = "REGEDIT4\n[HKLM\\Big]\n\"v\"=\"";
    const auto ok = Parse(head + big + "\"\n");
    ASSERT_FALSE(ok.error) << DescribeRegistryFileError(*ok.error);
    EXPECT_EQ(FindValue(*ok.tree, u"Big", u"v")->data_size, (big.size() + 1) * 2);
    ExpectRejected(Parse(head + big + "\n"), 3, "unterminated string");
    ExpectRejected(Parse("REGEDIT4\n[HKLM\\" + big + "]\n"), 2, "longer than 255");
}

TEST(RegistryFileFaultTest, ReportsAFileThatCannotBeRead) {
    const auto result = LoadRegistryFile(kFixtures / "no-such-file.reg");
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->line, 0u);
    EXPECT_NE(result.error->reason.find("cannot open"), std::string::npos);
    EXPECT_TRUE(result.tree->Root()->subkeys.empty());
    EXPECT_TRUE(LoadRegistryFile(kFixtures).error);
}

}  // namespace
}  // namespace veltrane::platform

#endif  // _WIN32
