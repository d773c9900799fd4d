// The five registry operations over the in-memory tree, held to Win32's results and
// buffer rules.

// The portable backend exists only where the Win32 registry does not.
#ifndef _WIN32

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/portable/registry_builder.h"
#include "platform/registry.h"
#include "test_paths.h"

namespace veltrane::platform {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t size, std::uint8_t fill = 0x41) {
    return std::vector<std::uint8_t>(size, fill);
}

class PortableRegistryTest : public ::testing::Test {
  protected:
    Registry Make() { return Registry(builder_.Freeze()); }

    RegKey Open(const Registry& registry, const char16_t* path) {
        RegKey key;
        EXPECT_EQ(registry.OpenKey(registry.Root(), path, key), RegStatus::kSuccess) << "open";
        return key;
    }

    std::vector<std::u16string> SubkeyNames(const Registry& registry, const RegKey& key) {
        std::vector<std::u16string> names;
        char16_t name[256];
        for (std::uint32_t i = 0;; ++i) {
            std::uint32_t size = 256;
            const RegStatus status = registry.EnumKey(key, i, name, &size);
            if (status == RegStatus::kNoMoreItems) break;
            EXPECT_EQ(status, RegStatus::kSuccess);
            names.emplace_back(name, size);
        }
        return names;
    }

    RegistryBuilder builder_;
};

TEST_F(PortableRegistryTest, OpenKeyMatchesNamesInAnyCaseAndFollowsPaths) {
    builder_.CreateKey(u"SYSTEM\\CurrentControlSet\\Enum\\Root");
    builder_.CreateKey(u"SOFTWARE\\\u00C4pfel");
    const Registry registry = Make();

    RegKey key;
    EXPECT_EQ(registry.OpenKey(registry.Root(), u"system\\currentcontrolset\\ENUM", key),
              RegStatus::kSuccess);
    RegKey child;
    EXPECT_EQ(registry.OpenKey(key, u"rOOT", child), RegStatus::kSuccess);
    EXPECT_EQ(registry.OpenKey(registry.Root(), u"software\\\u00E4PFEL", child),
              RegStatus::kSuccess);

    EXPECT_EQ(registry.OpenKey(registry.Root(), u"SYSTEM\\Missing", child),
              RegStatus::kFileNotFound);
    EXPECT_EQ(registry.OpenKey(registry.Root(), u"SYSTEM\\\\CurrentControlSet", child),
              RegStatus::kFileNotFound);
    EXPECT_EQ(registry.OpenKey(registry.Root(), u"SYSTEM\\CurrentControlSet\\", child),
              RegStatus::kSuccess);
    // A failed open leaves the caller's key alone; a closed parent opens nothing.
    EXPECT_TRUE(child.is_open());
    RegKey closed;
    EXPECT_EQ(registry.OpenKey(closed, u"SYSTEM", child), RegStatus::kInvalidParameter);
}

TEST_F(PortableRegistryTest, DeniedKeyRefusesOnlyItsOwnOpen) {
    builder_.CreateKey(u"Enum\\A\\Inner");
    builder_.Deny(u"Enum\\A");
    builder_.CreateKey(u"Enum\\B");
    const Registry registry = Make();

    RegKey key;
    EXPECT_EQ(registry.OpenKey(registry.Root(), u"Enum\\A", key), RegStatus::kAccessDenied);
    EXPECT_FALSE(key.is_open());
    EXPECT_EQ(registry.OpenKey(registry.Root(), u"Enum\\B", key), RegStatus::kSuccess);
    // The parent still lists it, as Windows does.
    EXPECT_EQ(SubkeyNames(registry, Open(registry, u"Enum")),
              (std::vector<std::u16string>{u"A", u"B"}));
}

TEST_F(PortableRegistryTest, SubkeysComeInWindowsOrder) {
    // Upper-cased code units: '_' (0x5F) sorts after every letter, so AB before A_B, and
    // letter case never changes the order.
    for (const char16_t* name : {u"A_B", u"ab", u"b", u"A", u"Z", u"a1", u"\u00E9t\u00E9"}) {
        builder_.CreateKey(std::u16string(u"K\\") + name);
    }
    const Registry registry = Make();
    EXPECT_EQ(
        SubkeyNames(registry, Open(registry, u"K")),
        (std::vector<std::u16string>{u"A", u"a1", u"ab", u"A_B", u"b", u"Z", u"\u00E9t\u00E9"}));
}

TEST_F(PortableRegistryTest, EnumKeyNameBufferCountsTheTerminator) {
    const std::u16string name254(254, u'k');
    const std::u16string name255(255, u'm');
    ASSERT_EQ(builder_.CreateKey(u"P\\" + name254), TreeEditStatus::kOk);
    ASSERT_EQ(builder_.CreateKey(u"P\\" + name255), TreeEditStatus::kOk);
    EXPECT_EQ(builder_.CreateKey(u"P\\" + std::u16string(256, u'x')), TreeEditStatus::kNameTooLong);
    const Registry registry = Make();
    const RegKey key = Open(registry, u"P");

    std::vector<char16_t> buffer(300, u'#');
    std::uint32_t size = 255;
    ASSERT_EQ(registry.EnumKey(key, 0, buffer.data(), &size), RegStatus::kSuccess);
    EXPECT_EQ(size, 254u);
    EXPECT_EQ(std::u16string(buffer.data(), 254), name254);
    EXPECT_EQ(buffer[254], u'\0');

    size = 255;
    EXPECT_EQ(registry.EnumKey(key, 1, buffer.data(), &size), RegStatus::kMoreData);
    size = 256;
    ASSERT_EQ(registry.EnumKey(key, 1, buffer.data(), &size), RegStatus::kSuccess);
    EXPECT_EQ(size, 255u);

    size = 256;
    EXPECT_EQ(registry.EnumKey(key, 2, buffer.data(), &size), RegStatus::kNoMoreItems);
    EXPECT_EQ(registry.EnumKey(key, 0xFFFFFFFFu, buffer.data(), &size), RegStatus::kNoMoreItems);
}

TEST_F(PortableRegistryTest, EnumValueKeepsCreationOrderAndWin32BufferRules) {
    builder_.SetValue(u"V", u"second", kRegBinary, Bytes(16384));
    builder_.SetValue(u"V", u"First", kRegBinary, Bytes(16385, 0x42));
    builder_.SetString(u"V", u"", u"default");
    // Setting an existing value (in another case) keeps its place.
    builder_.SetString(u"V", u"SECOND", u"x");
    builder_.SetValue(u"V", u"second", kRegBinary, Bytes(16384));
    const Registry registry = Make();
    const RegKey key = Open(registry, u"V");

    std::uint32_t subkeys = 9, values = 9;
    ASSERT_EQ(registry.QueryInfoKey(key, &subkeys, &values), RegStatus::kSuccess);
    EXPECT_EQ(subkeys, 0u);
    EXPECT_EQ(values, 3u);

    std::vector<char16_t> name(16384);
    std::vector<std::uint8_t> data(16384 + 8, 0xEE);
    std::uint32_t name_size = 16384, data_size = 16384;
    ASSERT_EQ(registry.EnumValue(key, 0, name.data(), &name_size, data.data(), &data_size),
              RegStatus::kSuccess);
    EXPECT_EQ(std::u16string(name.data(), name_size), u"second");
    EXPECT_EQ(data_size, 16384u);
    EXPECT_EQ(data[16383], 0x41);
    EXPECT_EQ(data[16384], 0xEE);  // nothing written past the data

    // One byte more than the buffer: more data, and the size needed.
    name_size = 16384, data_size = 16384;
    EXPECT_EQ(registry.EnumValue(key, 1, name.data(), &name_size, data.data(), &data_size),
              RegStatus::kMoreData);
    EXPECT_EQ(data_size, 16385u);
    // Without a data buffer only the size comes back.
    name_size = 16384, data_size = 0;
    ASSERT_EQ(registry.EnumValue(key, 1, name.data(), &name_size, nullptr, &data_size),
              RegStatus::kSuccess);
    EXPECT_EQ(std::u16string(name.data(), name_size), u"First");
    EXPECT_EQ(data_size, 16385u);

    // The default value has an empty name: a one-unit buffer is enough.
    name_size = 1, data_size = 16384;
    ASSERT_EQ(registry.EnumValue(key, 2, name.data(), &name_size, data.data(), &data_size),
              RegStatus::kSuccess);
    EXPECT_EQ(name_size, 0u);
    EXPECT_EQ(data_size, 16u);  // "default" and its NUL in UTF-16LE

    name_size = 6, data_size = 16384;  // "second" needs 7 units
    EXPECT_EQ(registry.EnumValue(key, 0, name.data(), &name_size, data.data(), &data_size),
              RegStatus::kMoreData);
    name_size = 16384;
    EXPECT_EQ(registry.EnumValue(key, 3, name.data(), &name_size, nullptr, nullptr),
              RegStatus::kNoMoreItems);
    EXPECT_EQ(registry.EnumValue(key, 0, name.data(), &name_size, data.data(), nullptr),
              RegStatus::kInvalidParameter);
}

TEST_F(PortableRegistryTest, QueryValueReadsNamedAndDefaultValues) {
    builder_.SetString(u"Q", u"", u"dflt");
    builder_.SetString(u"Q", u"Driver", u"{4d36e96d-e325-11ce-bfc1-08002be10318}\\0000");
    builder_.SetValue(u"Q", u"Empty", kRegSz, {});
    const Registry registry = Make();
    const RegKey key = Open(registry, u"q");

    std::uint32_t size = 0;
    ASSERT_EQ(registry.QueryValue(key, u"DRIVER", nullptr, &size), RegStatus::kSuccess);
    EXPECT_EQ(size, 88u);  // 43 code units and the NUL
    std::vector<std::uint8_t> data(size);
    size = 87;
    EXPECT_EQ(registry.QueryValue(key, u"Driver", data.data(), &size), RegStatus::kMoreData);
    EXPECT_EQ(size, 88u);
    ASSERT_EQ(registry.QueryValue(key, u"Driver", data.data(), &size), RegStatus::kSuccess);
    EXPECT_EQ(data[0], '{');
    EXPECT_EQ(data[86], 0);

    for (const char16_t* name : {static_cast<const char16_t*>(nullptr), u""}) {
        size = 10;
        ASSERT_EQ(registry.QueryValue(key, name, data.data(), &size), RegStatus::kSuccess);
        EXPECT_EQ(size, 10u);
        EXPECT_EQ(data[0], 'd');
    }
    size = 5;
    ASSERT_EQ(registry.QueryValue(key, u"Empty", data.data(), &size), RegStatus::kSuccess);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(registry.QueryValue(key, u"Missing", nullptr, &size), RegStatus::kFileNotFound);
    EXPECT_EQ(registry.QueryValue(key, u"Driver", data.data(), nullptr),
              RegStatus::kInvalidParameter);

    // A key without a default value has none to query.
    builder_.CreateKey(u"NoDefault");
    const Registry bare = Make();
    EXPECT_EQ(bare.QueryValue(Open(bare, u"NoDefault"), nullptr, nullptr, &size),
              RegStatus::kFileNotFound);
}

TEST_F(PortableRegistryTest, DeletedKeysAndValuesDisappear) {
    builder_.SetString(u"D\\Gone\\Deep", u"x", u"1");
    builder_.CreateKey(u"D\\Kept");
    builder_.SetString(u"D", u"a", u"1");
    builder_.SetString(u"D", u"b", u"2");
    EXPECT_EQ(builder_.DeleteKey(u"D\\gone"), TreeEditStatus::kOk);
    EXPECT_EQ(builder_.DeleteValue(u"D", u"A"), TreeEditStatus::kOk);
    EXPECT_EQ(builder_.DeleteKey(u"D\\gone"), TreeEditStatus::kNotFound);
    const Registry registry = Make();
    const RegKey key = Open(registry, u"D");

    EXPECT_EQ(SubkeyNames(registry, key), std::vector<std::u16string>{u"Kept"});
    RegKey gone;
    EXPECT_EQ(registry.OpenKey(registry.Root(), u"D\\Gone\\Deep", gone), RegStatus::kFileNotFound);
    std::uint32_t values = 0;
    registry.QueryInfoKey(key, nullptr, &values);
    EXPECT_EQ(values, 1u);
    char16_t name[8];
    std::uint32_t name_size = 8;
    ASSERT_EQ(registry.EnumValue(key, 0, name, &name_size, nullptr, nullptr), RegStatus::kSuccess);
    EXPECT_EQ(std::u16string(name, name_size), u"b");
}

TEST_F(PortableRegistryTest, TreeRefusesNamesAndDepthsOverTheLimits) {
    std::u16string path;
    for (std::size_t i = 0; i < kMaxKeyDepth; ++i) path += i ? u"\\k" : u"k";
    EXPECT_EQ(builder_.CreateKey(path), TreeEditStatus::kOk);
    EXPECT_EQ(builder_.CreateKey(path + u"\\k"), TreeEditStatus::kTooDeep);
    EXPECT_EQ(builder_.CreateKey(u"a\\\\b"), TreeEditStatus::kEmptyName);
    EXPECT_EQ(builder_.SetString(u"v", std::u16string(16383, u'n'), u""), TreeEditStatus::kOk);
    EXPECT_EQ(builder_.SetString(u"v", std::u16string(16384, u'n'), u""),
              TreeEditStatus::kNameTooLong);
}

// Puts VELTRANE_REGISTRY back as the test found it.
class RegistryVariableGuard {
  public:
    RegistryVariableGuard() {
        const char* value = std::getenv("VELTRANE_REGISTRY");
        if (value) saved_ = value;
    }
    ~RegistryVariableGuard() {
        if (saved_) {
            setenv("VELTRANE_REGISTRY", saved_->c_str(), 1);
        } else {
            unsetenv("VELTRANE_REGISTRY");
        }
    }

  private:
    std::optional<std::string> saved_;
};

TEST(PortableRegistryMachineTest, ReadsTheFileNamedByTheEnvironment) {
    const RegistryVariableGuard guard;
    const auto folder = testing::FreshFolder();
    const auto good = folder / "machine.reg";
    std::ofstream(good) << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\Probe]\n\"v\"=\"1\"\n";
    const auto bad = folder / "broken.reg";
    std::ofstream(bad) << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\Probe]\n\"v\"=\"1\n";

    auto has_probe = [] {
        const Registry registry = Registry::Machine();
        RegKey key;
        return registry.OpenKey(registry.Root(), u"SYSTEM\\Probe", key) == RegStatus::kSuccess;
    };
    ASSERT_EQ(setenv("VELTRANE_REGISTRY", good.c_str(), 1), 0);
    EXPECT_TRUE(has_probe());
    setenv("VELTRANE_REGISTRY", bad.c_str(), 1);
    EXPECT_FALSE(has_probe());
    setenv("VELTRANE_REGISTRY", (folder / "missing.reg").c_str(), 1);
    EXPECT_FALSE(has_probe());
    unsetenv("VELTRANE_REGISTRY");
    EXPECT_FALSE(has_probe());
    std::uint32_t subkeys = 1;
    const Registry empty = Registry::Machine();
    EXPECT_EQ(empty.QueryInfoKey(empty.Root(), &subkeys, nullptr), RegStatus::kSuccess);
    EXPECT_EQ(subkeys, 0u);
}

}  // namespace
}  // namespace veltrane::platform

#endif  // _WIN32
