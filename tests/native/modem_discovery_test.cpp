// The modem search and the profile reads over the in-memory registry, which behaves like
// the Win32 one (names matched without regard to case, subkeys in Windows order, values
// in creation order).
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

using platform::Registry;
using platform::RegistryBuilder;
using platform::TreeEditStatus;

const std::u16string kEnum = u"SYSTEM\\CurrentControlSet\\Enum\\";
const std::u16string kClass = u"SYSTEM\\CurrentControlSet\\Control\\Class\\";
const std::u16string kModemDriver = u"{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000";

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
    // A device key below Enum: "Class" = `device_class`, and a "Driver" when given.
    void Device(const std::u16string& path, std::u16string_view device_class,
                std::u16string_view driver = {}) {
        Set(kEnum + path, u"Class", device_class);
        if (!driver.empty()) Set(kEnum + path, u"Driver", driver);
    }
    // A driver key whose every field holds a text naming the field and `tag`.
    void DriverKey(const std::u16string& driver, std::u16string_view tag) {
        const std::u16string key = kClass + driver;
        for (const ProfileField& field : kProfileFields) {
            const std::u16string text = std::u16string(field.name) + u"@" + std::u16string(tag);
            switch (field.source) {
                case ProfileSource::kDriverKey:
                    Set(key, field.name, text);
                    break;
                case ProfileSource::kSettingsKey:
                    Set(key + u"\\Settings", field.name, text);
                    break;
                case ProfileSource::kSubkey:
                    Set(key + u"\\" + field.name, u"1", text);
                    Set(key + u"\\" + field.name, u"2", text + u"#2");
                    break;
            }
        }
    }
    std::unique_ptr<CModemStrings> Discover() {
        return std::make_unique<CModemStrings>(Registry(builder_.Freeze()));
    }
    static void ExpectEmpty(const CModemStrings& profile) {
        for (const ProfileField& field : kProfileFields) {
            SCOPED_TRACE(
                std::string(field.name, field.name + std::u16string_view(field.name).size()));
            if (field.source == ProfileSource::kSubkey) {
                EXPECT_TRUE((profile.*field.list).empty());
            } else {
                EXPECT_TRUE((profile.*field.text).empty());
            }
        }
    }

    RegistryBuilder builder_;
};

TEST_F(Discovery, FillsEveryFieldFromTheDriverKeyOfTheModem) {
    Device(u"ACPI\\PNP0303\\4&1", u"Keyboard");
    Device(u"PCI\\VEN_1234&DEV_5678\\3&11", u"Modem", kModemDriver);
    DriverKey(kModemDriver, u"m");
    auto profile = Discover();
    for (const ProfileField& field : kProfileFields) {
        const std::u16string text = std::u16string(field.name) + u"@m";
        if (field.source == ProfileSource::kSubkey) {
            EXPECT_EQ(profile.get()->*field.list, (StringList{text, text + u"#2"}));
        } else {
            EXPECT_EQ(profile.get()->*field.text, text);
        }
    }
}

TEST_F(Discovery, TheFirstModemInWalkOrderWinsEvenWithoutADriver) {
    // Subkeys are walked in Windows order: "A..." before "B...".
    Device(u"B\\Later", u"Modem", u"{m}\\0001");
    Device(u"A\\First", u"Modem", u"{m}\\0000");
    DriverKey(u"{m}\\0000", u"first");
    DriverKey(u"{m}\\0001", u"second");
    EXPECT_EQ(Discover()->FriendlyName, u"FriendlyName@first");

    // Without a "Driver" the first modem still ends the search, with an empty profile.
    builder_ = RegistryBuilder();
    Device(u"A\\First", u"Modem");
    Device(u"B\\Later", u"Modem", u"{m}\\0001");
    DriverKey(u"{m}\\0001", u"second");
    ExpectEmpty(*Discover());
}

TEST_F(Discovery, ClassNameAndTextMatchExactlyWithTheirCase) {
    Set(kEnum + u"A\\1", u"class", u"Modem");  // the value name differs in case
    Device(u"A\\2", u"modem", u"{m}\\0000");   // the text differs in case
    Device(u"A\\3", u"MODEM", u"{m}\\0000");
    Device(u"A\\4", u"Modem ", u"{m}\\0000");  // a trailing space
    DriverKey(u"{m}\\0000", u"wrong");
    Device(u"B\\1", u"Modem", u"{m}\\0001");
    DriverKey(u"{m}\\0001", u"right");
    EXPECT_EQ(Discover()->CompanyName, u"CompanyName@right");
}

TEST_F(Discovery, AKeyWithAnotherClassStillHasItsSubkeysSearched) {
    // A modem below an instance key of another class, several levels down.
    Device(u"USB\\VID_1&PID_2\\5&abc", u"USB");
    Device(u"USB\\VID_1&PID_2\\5&abc\\Port\\0\\Function", u"Modem", u"{m}\\0007");
    DriverKey(u"{m}\\0007", u"deep");
    EXPECT_EQ(Discover()->Reset, u"Reset@deep");
}

TEST_F(Discovery, TheEnumerationRootItselfCanBeTheModem) {
    Set(u"SYSTEM\\CurrentControlSet\\Enum", u"Class", u"Modem");
    Set(u"SYSTEM\\CurrentControlSet\\Enum", u"Driver", u"{m}\\0000");
    Device(u"A\\1", u"Modem", u"{m}\\0001");
    DriverKey(u"{m}\\0000", u"root");
    DriverKey(u"{m}\\0001", u"child");
    EXPECT_EQ(Discover()->AttachedTo, u"AttachedTo@root");
}

TEST_F(Discovery, ADeniedKeyHidesOnlyItsOwnSubtree) {
    Device(u"A\\Hidden\\Modem", u"Modem", u"{m}\\0000");
    Device(u"B\\Seen", u"Modem", u"{m}\\0001");
    DriverKey(u"{m}\\0000", u"hidden");
    DriverKey(u"{m}\\0001", u"seen");
    ASSERT_EQ(builder_.Deny(kEnum + u"A\\Hidden"), TreeEditStatus::kOk);
    EXPECT_EQ(Discover()->FriendlyName, u"FriendlyName@seen");

    // A denied enumeration root: no modem at all.
    ASSERT_EQ(builder_.Deny(u"SYSTEM\\CurrentControlSet\\Enum"), TreeEditStatus::kOk);
    ExpectEmpty(*Discover());
}

TEST_F(Discovery, AClassValueTooLargeForTheBufferIsSkippedNotMatched) {
    // A "Class" whose data exceeds 16384 bytes cannot be enumerated: the key is no modem,
    // and a modem in a later sibling is still found.
    std::u16string huge = u"Modem";
    huge.append(9000, u'\0');
    SetRaw(kEnum + u"A\\1", u"Class", Bytes(huge), platform::kRegSz);
    Set(kEnum + u"A\\1", u"Driver", u"{m}\\0000");
    DriverKey(u"{m}\\0000", u"wrong");
    Device(u"A\\2", u"Modem", u"{m}\\0001");
    DriverKey(u"{m}\\0001", u"right");
    EXPECT_EQ(Discover()->FriendlyName, u"FriendlyName@right");
}

TEST_F(Discovery, ADriverTextLeadingNowhereGivesAnEmptyProfile) {
    Device(u"A\\1", u"Modem", u"{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0099");
    DriverKey(kModemDriver, u"other");
    ExpectEmpty(*Discover());
}

TEST_F(Discovery, TheDriverTextIsAppendedToTheClassRootAsItStands) {
    // A driver text with a leading backslash makes an empty path element: no key.
    Device(u"A\\1", u"Modem", u"\\" + kModemDriver);
    DriverKey(kModemDriver, u"m");
    ExpectEmpty(*Discover());
}

TEST_F(Discovery, EachFieldIsReadOnItsOwn) {
    Device(u"A\\1", u"Modem", kModemDriver);
    const std::u16string key = kClass + kModemDriver;
    Set(key, u"FriendlyName", u"Quorindel 56K Voice");
    Set(key + u"\\Settings", u"DialPrefix", u"D");
    Set(key + u"\\Settings", u"Prefix", u"AT");  // no Tone
    Set(key + u"\\Init", u"1", u"ATZ");
    ASSERT_EQ(builder_.CreateKey(key + u"\\Monitor"), TreeEditStatus::kOk);  // no values
    auto profile = Discover();
    EXPECT_EQ(profile->FriendlyName, u"Quorindel 56K Voice");
    EXPECT_EQ(profile->DialPrefix, u"D");
    EXPECT_EQ(profile->Prefix, u"AT");
    EXPECT_EQ(profile->Tone, u"");
    EXPECT_EQ(profile->Init, StringList{u"ATZ"});
    EXPECT_TRUE(profile->Monitor.empty());
    EXPECT_TRUE(profile->Hangup.empty());
    EXPECT_EQ(profile->CompanyName, u"");
}

TEST_F(Discovery, ListsKeepEnumerationOrderEmptyEntriesAndDropOversizedValues) {
    Device(u"A\\1", u"Modem", kModemDriver);
    const std::u16string init = kClass + kModemDriver + u"\\Init";
    Set(init, u"2", u"AT#CLS=8");
    Set(init, u"1", u"ATZ");
    Set(init, u"3", u"");
    SetRaw(init, u"4", Bytes(std::u16string(8193, u'X')), platform::kRegSz);  // 16386 bytes
    SetRaw(init, u"5", Bytes(std::u16string(8192, u'Y')), platform::kRegSz);  // 16384: fits
    Set(init, u"6", u"ATZ");                                                  // duplicate
    StringList expected = {u"AT#CLS=8", u"ATZ", u"", std::u16string(8192, u'Y'), u"ATZ"};
    EXPECT_EQ(Discover()->Init, expected);
}

TEST_F(Discovery, DataIsTextUpToTheFirstNulWhateverItsType) {
    Device(u"A\\1", u"Modem", kModemDriver);
    const std::u16string key = kClass + kModemDriver;
    const std::u16string settings = key + u"\\Settings";
    // A multi-string gives its first string.
    SetRaw(key, u"Reset", Bytes(std::u16string(u"ATZ\0AT&F\0\0", 10)), platform::kRegMultiSz);
    // No terminating NUL: every code unit; an odd trailing byte is no code unit.
    auto odd = Bytes(u"ATH0");
    odd.push_back(0x41);
    SetRaw(key, u"TerminatePlay", odd, platform::kRegBinary);
    SetRaw(settings, u"Tone", Bytes(u"T"), platform::kRegBinary);
    // An expandable string keeps its variable reference.
    ASSERT_EQ(builder_.SetString(settings, u"Prefix", u"%PREFIX%", platform::kRegExpandSz),
              TreeEditStatus::kOk);
    // A DWORD read as text: 0x00410042 is "BA".
    SetRaw(settings, u"CallSetupFailTimer", {0x42, 0x00, 0x41, 0x00}, platform::kRegDword);
    // Non-ASCII text keeps its code units.
    Set(key, u"FriendlyName", u"Mod\u00e8m \u03a9");
    auto profile = Discover();
    EXPECT_EQ(profile->Reset, u"ATZ");
    EXPECT_EQ(profile->TerminatePlay, u"ATH0");
    EXPECT_EQ(profile->Tone, u"T");
    EXPECT_EQ(profile->Prefix, u"%PREFIX%");
    EXPECT_EQ(profile->CallSetupFailTimer, u"BA");
    EXPECT_EQ(profile->FriendlyName, u"Mod\u00e8m \u03a9");
}

TEST_F(Discovery, ASingleStringLargerThanTheBufferIsReadWhole) {
    Device(u"A\\1", u"Modem", kModemDriver);
    const std::u16string big(20000, u'D');
    Set(kClass + kModemDriver + u"\\Settings", u"DialSuffix", big);
    EXPECT_EQ(Discover()->DialSuffix, big);
}

TEST_F(Discovery, AnEmptyRegistryGivesAnEmptyProfile) {
    ExpectEmpty(*Discover());
    ExpectEmpty(*std::make_unique<CModemStrings>(Registry(nullptr)));
}

}  // namespace
}  // namespace veltrane

#endif  // _WIN32
