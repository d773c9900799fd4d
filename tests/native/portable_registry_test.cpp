// The portable registry's files: regedit exports (UTF-16, UTF-8, REGEDIT4) and Wine hives, the
// faults that must leave an empty tree with a precise diagnosis, and what the modem search,
// the profile reads and g401/g402 find in each registry fixture.

// The portable backend exists only where the Win32 registry does not.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/registry_path.h"
#include "common/utf16le.h"
#include "fake_jni.h"
#include "frame/globals.h"
#include "jni/natives.h"
#include "modem/modem_strings.h"
#include "platform/portable/registry_file.h"
#include "platform/registry.h"
#include "test_paths.h"

namespace veltrane::platform {
namespace {

const std::filesystem::path kFixtures = testing::Fixture("registry/loader");

std::string Fixture(const std::string& name) {
    return testing::ReadFileBytes(kFixtures / name);
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
    if (key == nullptr) return {u"<missing>"};
    std::vector<std::u16string> names;
    for (const auto* k : key->subkeys) names.emplace_back(k->name);
    if (subkeys) return names;
    names.clear();
    for (const auto& v : key->values) names.emplace_back(v.name);
    return names;
}

// A value as "type:bytes", the bytes as two hex digits each.
std::string Dump(const RegistryTree& tree, std::u16string_view path, std::u16string_view name) {
    const RegistryTree::Key* key = Find(tree, path);
    const RegistryTree::Value* value = key ? tree.FindValue(key, name) : nullptr;
    if (!value) return "<missing>";
    std::string out = std::to_string(value->type) + ":";
    for (std::uint8_t byte : value->data)
        out += "0123456789abcdef"[byte >> 4], out += "0123456789abcdef"[byte & 15];
    return out;
}

// Every value of values.tsv (file, key, name, "type:hex bytes").
TEST(RegistryFileTest, ReadsEveryKindOfValueOfEachDialect) {
    for (const auto& cell : testing::FixtureRows("registry/loader/values.tsv")) {
        const auto result = ParseRegistryText(Fixture(cell.at(0)), cell[0]);
        ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
        EXPECT_EQ(Dump(*result.tree, Widen(cell[1]), Widen(cell[2])), cell[3])
            << cell[0] << " " << cell[1] << " " << cell[2];
    }
}

TEST(RegistryFileTest, KeepsOrderAppliesDeletesAndFollowsLinksOutsideLoops) {
    const auto r5 = ParseRegistryText(Fixture("regedit5.reg"), "r5");
    const auto& tree = *r5.tree;
    EXPECT_EQ(Names(tree, u"SYSTEM\\Test", false),
              (std::vector<std::u16string>{u"", u"Quoted", u"Count", u"Bin", u"Expand", u"Multi",
                                           u"Q", u"Empty", u"Wide"}));
    EXPECT_EQ(Names(tree, u"", true), std::vector<std::u16string>{u"SYSTEM"});
    EXPECT_EQ(Names(tree, u"SYSTEM", true),
              (std::vector<std::u16string>{u"Reborn", u"Test", u"zed", u"_Last"}));
    EXPECT_EQ(Names(tree, u"SYSTEM\\Reborn", false), std::vector<std::u16string>{u"new"});
    // A name comes before the longer names it begins; a value deleted and set again, last.
    const auto edits = ParseRegistryText(Fixture("edits.reg"), "e");
    EXPECT_EQ(Names(*edits.tree, u"Ext", true), (std::vector<std::u16string>{u"B", u"BC"}));
    EXPECT_EQ(Names(*edits.tree, u"Back", false), (std::vector<std::u16string>{u"B", u"A"}));

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

// Names match and sort by the upper-case form of each code unit (folds.tsv).
TEST(RegistryFileTest, FoldsEachCodeUnitAsWindowsDoes) {
    for (const auto& cell : testing::FixtureRows("registry/loader/folds.tsv"))
        EXPECT_EQ(FoldNameUnit(static_cast<char16_t>(std::stoul(cell.at(0), nullptr, 16))),
                  std::stoul(cell.at(1), nullptr, 16))
            << cell[0];
}

// The seam keeps Win32's rules: a name needs room for its NUL, a value that does not fit
// leaves the name's buffer alone, and after one subkey is enumerated, opening another by name
// opens that one.
TEST(RegistryFileTest, SeamKeepsBufferRulesAndOpensEachSubkeyByName) {
    const Registry registry(ParseRegistryText(Fixture("regedit5.reg"), "r5").tree);
    RegKey system, test;
    char16_t name[8];
    std::uint32_t size = 6, values = 0;  // "Reborn" and "Quoted" have six code units
    ASSERT_EQ(registry.OpenKey(registry.Root(), u"SYSTEM", system), RegStatus::kSuccess);
    EXPECT_EQ(registry.EnumKey(system, 0, name, &size), RegStatus::kMoreData);
    size = 8;
    ASSERT_EQ(registry.EnumKey(system, 0, name, &size), RegStatus::kSuccess);
    ASSERT_EQ(registry.OpenKey(system, u"Test", test), RegStatus::kSuccess);
    ASSERT_EQ(registry.QueryInfoKey(test, nullptr, &values), RegStatus::kSuccess);
    EXPECT_EQ(values, 9u);  // Test's, not the one of Reborn
    size = 6;
    EXPECT_EQ(registry.EnumValue(test, 1, name, &size, nullptr, nullptr), RegStatus::kMoreData);
    std::uint8_t data[4];
    std::uint32_t data_size = 4;  // the default value's "default" needs 16 bytes
    name[0] = u'?';
    EXPECT_EQ(registry.EnumValue(test, 0, name, &size, data, &data_size), RegStatus::kMoreData);
    EXPECT_EQ(name[0], u'?');
    EXPECT_EQ(data_size, 16u);
}

// Each file of loader/faults.tsv is refused whole, naming the line and the fault, or (a row
// without a line) right at a limit, loads; a line of ten megabytes loads, unless unterminated.
TEST(RegistryFileTest, RefusesABrokenFileWholeNamingTheLineAndTheFault) {
    const std::string big = "REGEDIT4\n[HKLM\\Big]\n\"v\"=\"" + std::string(10 << 20, 'a');
    auto rows = testing::FixtureRows("registry/loader/faults.tsv");
    ASSERT_GE(rows.size(), 29u);
    rows.push_back({"", "3", "unterminated string"});
    for (const auto& row : rows) {
        const std::string text = row[0].empty() ? big + "\n" : Fixture("faults/" + row[0]);
        const auto result = ParseRegistryText(text, "t.reg");
        if (row.at(1).empty()) {
            EXPECT_FALSE(result.error) << row[0];
            continue;
        }
        ASSERT_TRUE(result.error) << row[0];
        EXPECT_EQ(DescribeRegistryFileError(*result.error).find("t.reg:" + row[1]), 0u)
            << DescribeRegistryFileError(*result.error);
        EXPECT_NE(result.error->reason.find(row.at(2)), std::string::npos) << result.error->reason;
        EXPECT_TRUE(result.tree->Root()->subkeys.empty() && result.tree->Root()->values.empty());
    }
    EXPECT_FALSE(ParseRegistryText(big + "\"\n", "t.reg").error);
}

// UTF-8 (`utf8`) or UTF-16LE with a byte-order mark of text without surrogates.
std::string Encode(std::u16string_view text, bool utf8) {
    if (utf8) return testing::Utf8(text);
    const auto bytes = Utf16LeView(text);
    return "\xFF\xFE" + std::string(bytes.begin(), bytes.end());
}

// Characters whose bytes look like line ends, a line of 300,000 characters and many values
// in one key, then a fault on the line after the last, in each encoding.
TEST(RegistryFileTest, ReadsEachEncodingLineByLine) {
    const std::pair<const char16_t*, bool> forms[] = {
        // header and key; UTF-8 or UTF-16
        {u"Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\Long]", false},
        {u"Windows Registry Editor Version 5.00\n[HKLM\\Long]", true},
        {u"WINE REGISTRY Version 2\n[Long] 0", true},
    };
    std::vector<std::u16string> texts;  // of the values v0, v1, ...
    for (int n = 0; n < 300; ++n)
        texts.push_back(n == 100 ? std::u16string(300000, u'x')
                                 : std::u16string(n * 37 % 500, u'\x0A00') + u"\x010A");
    for (const auto& [head, utf8] : forms) {
        std::u16string file = head;
        for (std::size_t n = 0; n < texts.size(); ++n)
            file += u"\n\"v" + Widen(std::to_string(n)) + u"\"=\"" + texts[n] + u'"';
        const std::string bytes = Encode(file + u"\n", utf8);
        const auto whole = ParseRegistryText(bytes, "t.reg");
        ASSERT_FALSE(whole.error) << DescribeRegistryFileError(*whole.error);
        for (std::size_t n = 0; n < texts.size(); ++n) {
            const auto* value =
                whole.tree->FindValue(Find(*whole.tree, u"Long"), u"v" + Widen(std::to_string(n)));
            ASSERT_TRUE(value && std::ranges::equal(value->data, Utf16LeView(texts[n] + u'\0')))
                << n;
        }
        // A bad last line, or a byte too many (in UTF-16 an odd size): the line after the last.
        const std::string bad = Encode(u"\"bad\"=qword:1\n", utf8).substr(utf8 ? 0 : 2);
        for (const std::string& tail : {bad, std::string("\x22")}) {
            const auto broken = ParseRegistryText(bytes + tail, "t.reg");
            ASSERT_TRUE(broken.error);
            EXPECT_EQ(broken.error->line, texts.size() + 3);
        }
    }
}

// Only a regular file no larger than the limit is read; anything else is refused unread and
// at once (a FIFO that nobody writes, an endless device), as a missing file is: line 0, an
// empty tree.
TEST(RegistryFileTest, ReadsOnlyARegularFileWithinTheLimit) {
    const std::filesystem::path folder = testing::FreshFolder();
    const std::filesystem::path fifo = folder / "fifo.reg", big = folder / "big.reg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(big) << "x\n";  // were it read, line 1 would be refused
    std::filesystem::resize_file(big, kMaxRegistryFileSize + 1);  // sparse: nothing written
    const std::pair<std::filesystem::path, const char*> rows[] = {
        {kFixtures / "no-such-file.reg", "cannot open: "},
        {folder, "cannot read: it is a directory"},
        {fifo, "cannot read: not a regular file"},
        {"/dev/zero", "cannot read: not a regular file"},
        {big, "cannot read: larger than 2048 MiB"},
    };
    for (const auto& [path, reason] : rows) {
        const auto result = LoadRegistryFile(path);
        ASSERT_TRUE(result.error) << path;
        EXPECT_EQ(result.error->line, 0u);
        EXPECT_EQ(result.error->reason.find(reason), 0u) << result.error->reason;
        EXPECT_TRUE(result.tree->Root()->subkeys.empty() && result.tree->Root()->values.empty());
    }
}

// Each fixture alone in the registry ("": no registry file; then also no profile at all, as
// after an attach that ran out of memory): for codes 1 to 35, which of g401 and g402 serve it
// and each entry; every other code gives null without a JNI call.
TEST(RegistryFixtures, EachGivesTheProfileListedBesideIt) {
    const std::pair<const char*, const char*> rows[] = {
        {"wine-full-modem.reg", "wine-full-modem.profile"},
        {"wine-first-modem-without-driver.reg", "empty.profile"},
        {"wine-driver-leads-nowhere.reg", "empty.profile"},
        {"wine-modem-below-instance.reg", "wine-modem-below-instance.profile"},
        {"walk-rules.reg", "walk-rules.profile"},
        {"walk-root.reg", "walk-root.profile"},
        {"walk-order.reg", "walk-order.profile"},
        {"walk-empty-name.reg", "empty.profile"},
        {"", "empty.profile"},
    };
    CModemStrings* const saved = g_modemStrings;
    for (const auto& [fixture, profile] : rows) {
        SCOPED_TRACE(fixture);
        std::shared_ptr<const RegistryTree> tree;
        if (*fixture != '\0') {
            auto loaded = LoadRegistryFile(testing::Fixture("registry/") / fixture);
            ASSERT_FALSE(loaded.error) << DescribeRegistryFileError(*loaded.error);
            tree = loaded.tree;
        }
        CModemStrings modem{Registry(tree)};
        const auto expected = testing::FixtureRows(std::string("registry/") + profile);
        ASSERT_EQ(expected.size(), 35u);
        for (CModemStrings* object : {&modem, tree ? &modem : nullptr}) {
            g_modemStrings = object;
            testing::FakeJvm vm;
            for (jint code = 1; code <= 35; ++code) {
                const jobjectArray list =
                    Java_com_quorindel_veltrane_E_B_D_g401(vm.env(), {}, code);
                const jstring text = Java_com_quorindel_veltrane_E_B_D_g402(vm.env(), {}, code);
                std::vector<std::string> row{std::to_string(code), list && text ? "both"
                                                                   : list       ? "list"
                                                                   : text       ? "text"
                                                                                : "null"};
                EXPECT_TRUE(!list || vm.ClassName(list) == "[java/lang/String");
                for (jobject entry : list ? vm.ArrayElements(list) : std::vector<jobject>{text})
                    if (entry) row.push_back(vm.Utf8Value(entry));
                EXPECT_EQ(row, expected[code - 1]);
            }
            vm.ResetRecord();
            for (jint code : {0, -1, 36, INT_MIN, INT_MAX}) {
                EXPECT_EQ(Java_com_quorindel_veltrane_E_B_D_g401(vm.env(), {}, code), nullptr);
                EXPECT_EQ(Java_com_quorindel_veltrane_E_B_D_g402(vm.env(), {}, code), nullptr);
            }
            EXPECT_TRUE(vm.calls().empty());
        }
    }
    g_modemStrings = saved;
}

}  // namespace
}  // namespace veltrane::platform

#endif  // _WIN32
