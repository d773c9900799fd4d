// The modem search and the profile reads over the in-memory registry: each registry fixture
// gives the profile listed beside it, and what no fixture shows (exact class matching, the
// enumeration root, denied keys, oversized values, data of other types read as text).
#ifndef _WIN32

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_jni.h"
#include "frame/globals.h"
#include "jni/natives.h"
#include "modem/modem_strings.h"
#include "platform/portable/registry_builder.h"
#include "platform/portable/registry_file.h"
#include "platform/registry.h"
#include "test_paths.h"

namespace veltrane {
namespace {

using platform::TreeEditStatus;

// Each fixture alone in the registry ("": no registry at all): for codes 1 to 35, "list" or
// "text" and each entry, as g401 and g402 give them.
TEST(RegistryFixtures, EachGivesTheProfileListedBesideIt) {
    const std::pair<const char*, const char*> rows[] = {
        {"wine-full-modem.reg", "wine-full-modem.profile"},
        {"wine-first-modem-without-driver.reg", "empty.profile"},
        {"wine-driver-leads-nowhere.reg", "empty.profile"},
        {"wine-modem-below-instance.reg", "wine-modem-below-instance.profile"},
        {"", "empty.profile"},
    };
    CModemStrings* const saved = g_modemStrings;
    for (const auto& [fixture, profile] : rows) {
        SCOPED_TRACE(fixture);
        std::shared_ptr<const platform::RegistryTree> tree;
        if (*fixture != '\0') {
            auto loaded = platform::LoadRegistryFile(testing::Fixture("registry/") / fixture);
            ASSERT_FALSE(loaded.error);
            tree = loaded.tree;
        }
        CModemStrings modem{platform::Registry(tree)};
        g_modemStrings = &modem;
        testing::FakeJvm vm;
        const auto expected = testing::FixtureRows(std::string("registry/") + profile);
        ASSERT_EQ(expected.size(), 35u);
        for (jint code = 1; code <= 35; ++code) {
            const jobjectArray list = Java_com_quorindel_veltrane_E_B_D_g401(vm.env(), {}, code);
            const jstring text = Java_com_quorindel_veltrane_E_B_D_g402(vm.env(), {}, code);
            std::vector<std::string> row{std::to_string(code), list ? "list" : "text"};
            for (jobject entry : list ? vm.ArrayElements(list) : std::vector<jobject>{text})
                row.push_back(vm.Utf8Value(entry));
            EXPECT_EQ(row, expected[code - 1]);
        }
    }
    g_modemStrings = saved;
}

const std::u16string kEnum = u"SYSTEM\\CurrentControlSet\\Enum";
const std::u16string kClass = u"SYSTEM\\CurrentControlSet\\Control\\Class\\";

std::vector<std::uint8_t> Bytes(std::u16string_view units) {
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : units) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

class Discovery : public ::testing::Test {
  protected:
    void Set(const std::u16string& path, std::u16string_view name, std::u16string_view text) {
        ASSERT_EQ(builder_.SetString(path, name, text), TreeEditStatus::kOk);
    }
    void SetRaw(const std::u16string& path, std::u16string_view name,
                const std::vector<std::uint8_t>& data, std::uint32_t type) {
        ASSERT_EQ(builder_.SetValue(path, name, type, data), TreeEditStatus::kOk);
    }
    // A device key below Enum with its "Class" and "Driver".
    void Device(const std::u16string& path, std::u16string_view device_class,
                std::u16string_view driver) {
        Set(kEnum + path, u"Class", device_class);
        Set(kEnum + path, u"Driver", driver);
    }
    // Driver keys {m}\0000 to {m}\0009, each with its number as FriendlyName.
    void Drivers() {
        for (char16_t n = u'0'; n <= u'9'; ++n) {
            Set(kClass + u"{m}\\000" + n, u"FriendlyName", std::u16string(1, n));
        }
    }
    std::unique_ptr<CModemStrings> Discover() {
        return std::make_unique<CModemStrings>(platform::Registry(builder_.Freeze()));
    }

    platform::RegistryBuilder builder_;
};

TEST_F(Discovery, ClassTextMatchesExactlyAndATooLargeOneIsSkipped) {
    Drivers();
    std::u16string huge = u"Modem";
    huge.append(9000, u'\0');  // over 16384 bytes: it cannot be enumerated
    SetRaw(kEnum + u"\\A\\0", u"Class", Bytes(huge), platform::kRegSz);
    Set(kEnum + u"\\A\\0", u"Driver", u"{m}\\0000");
    Device(u"\\A\\2", u"Modem ", u"{m}\\0002");  // a trailing space
    Device(u"\\A\\3", u"Mode", u"{m}\\0003");
    Device(u"\\B\\1", u"Modem", u"{m}\\0005");
    EXPECT_EQ(Discover()->FriendlyName, u"5");
}

TEST_F(Discovery, WhereTheSearchLooks) {
    Drivers();
    Device(u"\\A\\Hidden\\Modem", u"Modem", u"{m}\\0001");
    Device(u"\\B\\Seen", u"Modem", u"{m}\\0002");
    ASSERT_EQ(builder_.Deny(kEnum + u"\\A\\Hidden"), TreeEditStatus::kOk);
    EXPECT_EQ(Discover()->FriendlyName, u"2");  // a denied key hides its own subtree only
    Device(u"", u"Modem", u"{m}\\0003");
    EXPECT_EQ(Discover()->FriendlyName, u"3");  // the root itself comes before its subkeys
    ASSERT_EQ(builder_.Deny(kEnum), TreeEditStatus::kOk);
    EXPECT_EQ(Discover()->FriendlyName, u"");  // a denied root: no modem at all
}

TEST_F(Discovery, DataIsTextUpToTheFirstNulWhateverItsType) {
    const std::u16string key = kClass + u"{m}\\0000";
    Device(u"\\A\\1", u"Modem", u"{m}\\0000");
    // No terminating NUL: every code unit; an odd trailing byte is no code unit.
    auto odd = Bytes(u"ATH0");
    odd.push_back(0x41);
    SetRaw(key, u"TerminatePlay", odd, platform::kRegBinary);
    // A DWORD read as text: 0x00410042 is "BA".
    SetRaw(key + u"\\Settings", u"CallSetupFailTimer", {0x42, 0x00, 0x41, 0x00},
           platform::kRegDword);
    SetRaw(key + u"\\Init", u"1", Bytes(std::u16string(u"AT\0Z", 4)), platform::kRegSz);
    auto profile = Discover();
    EXPECT_EQ(profile->TerminatePlay, u"ATH0");
    EXPECT_EQ(profile->CallSetupFailTimer, u"BA");
    EXPECT_EQ(profile->Init, StringList{u"AT"});
}

}  // namespace
}  // namespace veltrane

#endif  // _WIN32
