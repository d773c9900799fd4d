// The registry operations over the in-memory tree, held to Win32's results and buffer rules.

// The portable backend exists only where the Win32 registry does not.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/portable/registry_builder.h"
#include "platform/registry.h"

namespace veltrane::platform {
namespace {

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
