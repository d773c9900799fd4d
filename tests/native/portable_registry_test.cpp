// The portable registry: loading registry files, regedit exports (UTF-16, UTF-8, REGEDIT4)
// and Wine hives, the faults that must leave an empty tree with a precise diagnosis, and the
// operations over the in-memory tree, held to Win32's results and buffer rules.

// The portable backend exists only where the Win32 registry does not.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/registry_path.h"
#include "platform/portable/registry_builder.h"
#include "platform/portable/registry_file.h"
#include "platform/registry.h"
#include "test_paths.h"

namespace veltrane::platform {
namespace {

const std::filesystem::path kFixtures = testing::Fixture("registry/loader");

std::string Fixture(const std::string& name) {
    return testing::ReadFileBytes(kFixtures / name);
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
    for (const auto& cell : testing::FixtureRows("registry/loader/values.tsv")) {
        const std::string text = Fixture(cell.at(0));
        std::vector<std::string> forms = {text};
        if (cell[0] == "regedit5.reg")
            forms = {text, Utf16File(Widen(text)), "\xEF\xBB\xBF" + text};
        for (const std::string& form : forms) {
            const auto result = ParseRegistryText(form, cell[0]);
            ASSERT_FALSE(result.error) << DescribeRegistryFileError(*result.error);
            EXPECT_EQ(Dump(*result.tree, Widen(cell[1]), Widen(cell[2])), cell[3])
                << cell[1] << " " << cell[2] << " form " << (&form - forms.data());
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
    const auto missing = LoadRegistryFile(kFixtures / "no-such-file.reg");
    ASSERT_TRUE(missing.error);
    EXPECT_EQ(missing.error->line, 0u);
    EXPECT_NE(missing.error->reason.find("cannot open"), std::string::npos);
    EXPECT_TRUE(LoadRegistryFile(kFixtures).error);
}

TEST(PortableRegistryTest, OpensPathsInAnyCaseAndListsSubkeysInWindowsOrder) {
    RegistryBuilder builder;
    // Upper-cased code units: '_' (0x5F) sorts after every letter, so AB before A_B.
    for (const char16_t* name : {u"A_B", u"ab", u"b", u"A", u"\u00E9t\u00E9", u"a1"}) {
        builder.CreateKey(std::u16string(u"K\\") + name);
    }
    const Registry registry(builder.Freeze());
    RegKey key;
    ASSERT_EQ(registry.OpenKey(registry.Root(), u"k\\", key), RegStatus::kSuccess);
    std::u16string names;
    char16_t name[8];
    for (std::uint32_t i = 0, size = 8;
         registry.EnumKey(key, i, name, &size) == RegStatus::kSuccess; ++i, size = 8) {
        names += std::u16string(name, size) + u",";
    }
    EXPECT_EQ(names, u"A,a1,ab,A_B,b,\u00E9t\u00E9,");
    RegKey child;
    EXPECT_EQ(registry.OpenKey(key, u"\u00C9T\u00C9", child), RegStatus::kSuccess);
    EXPECT_EQ(registry.OpenKey(registry.Root(), u"K\\\\ab", child), RegStatus::kFileNotFound);
    EXPECT_EQ(registry.OpenKey(RegKey(), u"K", child), RegStatus::kInvalidParameter);
    std::uint32_t size = 2;  // "ab" needs room for its terminator too
    EXPECT_EQ(registry.EnumKey(key, 2, name, &size), RegStatus::kMoreData);
}

TEST(PortableRegistryTest, ValuesComeInCreationOrderUnderWin32BufferRules) {
    RegistryBuilder builder;
    builder.SetValue(u"V", u"second", kRegBinary, std::vector<std::uint8_t>(16384, 0x41));
    builder.SetString(u"V", u"", u"default");
    builder.SetString(u"V", u"SECOND", u"x");  // set again: keeps its place
    const Registry registry(builder.Freeze());
    RegKey key;
    ASSERT_EQ(registry.OpenKey(registry.Root(), u"v", key), RegStatus::kSuccess);
    std::vector<std::uint8_t> data(8, 0xEE);
    char16_t name[8];
    struct Case {
        std::uint32_t index, name_size, data_size;
        bool with_data;
        RegStatus status;
        std::uint32_t name_after, size_after;
    };
    const Case cases[] = {
        {0, 7, 4, true, RegStatus::kSuccess, 6, 4},    // "x" and its NUL: exactly fits
        {0, 6, 4, true, RegStatus::kMoreData, 6, 4},   // no room for the name's NUL
        {1, 1, 8, true, RegStatus::kMoreData, 1, 16},  // the size needed comes back
        {1, 1, 0, false, RegStatus::kSuccess, 0, 16},  // no buffer: the size only
        {2, 8, 8, true, RegStatus::kNoMoreItems, 8, 8},
    };
    for (const Case& c : cases) {
        std::uint32_t name_size = c.name_size, data_size = c.data_size;
        EXPECT_EQ(registry.EnumValue(key, c.index, name, &name_size,
                                     c.with_data ? data.data() : nullptr, &data_size),
                  c.status);
        EXPECT_EQ(name_size, c.name_after) << c.index;
        EXPECT_EQ(data_size, c.size_after) << c.index;
    }
    EXPECT_EQ(data[4], 0xEE);  // nothing written past the data
    std::uint32_t size = 4;
    EXPECT_EQ(registry.QueryValue(key, nullptr, data.data(), &size), RegStatus::kMoreData);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(registry.QueryValue(key, u"Second", data.data(), nullptr),
              RegStatus::kInvalidParameter);
    EXPECT_EQ(registry.QueryValue(key, u"third", nullptr, &size), RegStatus::kFileNotFound);
}

}  // namespace
}  // namespace veltrane::platform

#endif  // _WIN32
