// The modem search and the profile reads over the in-memory registry, for what the registry
// fixtures of the library sweep do not show: exact class matching, the enumeration root,
// denied keys, oversized values and how data of each type becomes text.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "modem/modem_strings.h"
#include "modem/profile_fields.h"
#include "platform/portable/registry_builder.h"
#include "platform/registry.h"

namespace veltrane {
namespace {

using platform::TreeEditStatus;

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

TEST_F(Discovery, ClassNameAndTextMatchExactlyWithTheirCase) {
    Drivers();
    Set(kEnum + u"\\A\\1", u"class", u"Modem");  // the value name differs in case
    Set(kEnum + u"\\A\\1", u"Driver", u"{m}\\0001");
    Device(u"\\A\\2", u"modem", u"{m}\\0002");
    Device(u"\\A\\3", u"Modem ", u"{m}\\0003");  // a trailing space
    Device(u"\\A\\4", u"Mode", u"{m}\\0004");
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
    // The driver text is appended to the class root as it stands: a leading backslash
    // makes an empty path element, and no key.
    builder_ = platform::RegistryBuilder();
    Drivers();
    Device(u"\\A", u"Modem", u"\\{m}\\0001");
    EXPECT_EQ(Discover()->FriendlyName, u"");
}

TEST_F(Discovery, AClassValueTooLargeForTheBufferIsSkippedNotMatched) {
    Drivers();
    std::u16string huge = u"Modem";
    huge.append(9000, u'\0');  // over 16384 bytes: it cannot be enumerated
    SetRaw(kEnum + u"\\A\\1", u"Class", Bytes(huge), platform::kRegSz);
    Set(kEnum + u"\\A\\1", u"Driver", u"{m}\\0000");
    Device(u"\\A\\2", u"Modem", u"{m}\\0001");
    EXPECT_EQ(Discover()->FriendlyName, u"1");
}

TEST_F(Discovery, DataIsTextUpToTheFirstNulWhateverItsType) {
    const std::u16string key = kClass + u"{m}\\0000";
    const std::u16string settings = key + u"\\Settings";
    Device(u"\\A\\1", u"Modem", u"{m}\\0000");
    // A multi-string gives its first string.
    SetRaw(key, u"Reset", Bytes(std::u16string(u"ATZ\0AT&F\0\0", 10)), platform::kRegMultiSz);
    // No terminating NUL: every code unit; an odd trailing byte is no code unit.
    auto odd = Bytes(u"ATH0");
    odd.push_back(0x41);
    SetRaw(key, u"TerminatePlay", odd, platform::kRegBinary);
    // An expandable string keeps its variable reference.
    ASSERT_EQ(builder_.SetString(settings, u"Prefix", u"%PREFIX%", platform::kRegExpandSz),
              TreeEditStatus::kOk);
    // A DWORD read as text: 0x00410042 is "BA".
    SetRaw(settings, u"CallSetupFailTimer", {0x42, 0x00, 0x41, 0x00}, platform::kRegDword);
    SetRaw(key + u"\\Init", u"1", Bytes(std::u16string(u"AT\0Z", 4)), platform::kRegSz);
    auto profile = Discover();
    EXPECT_EQ(profile->Reset, u"ATZ");
    EXPECT_EQ(profile->TerminatePlay, u"ATH0");
    EXPECT_EQ(profile->Prefix, u"%PREFIX%");
    EXPECT_EQ(profile->CallSetupFailTimer, u"BA");
    EXPECT_EQ(profile->Init, StringList{u"AT"});
}

TEST_F(Discovery, AnEmptyRegistryGivesAnEmptyProfile) {
    for (auto tree : {builder_.Freeze(), std::shared_ptr<const platform::RegistryTree>()}) {
        const CModemStrings profile{platform::Registry(tree)};
        for (const ProfileField& field : kProfileFields) {
            EXPECT_TRUE(field.list ? (profile.*field.list).empty() : (profile.*field.text).empty());
        }
    }
}

}  // namespace
}  // namespace veltrane

#endif  // _WIN32
