// The modem search and the profile reads over the in-memory registry.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/utf16le.h"
#include "modem/modem_strings.h"
#include "modem/profile_fields.h"
#include "platform/portable/registry_builder.h"
#include "platform/registry.h"

namespace veltrane {
namespace {

using platform::kRegSz;

const std::u16string kEnum = u"SYSTEM\\CurrentControlSet\\Enum\\";
const std::u16string kClass = u"SYSTEM\\CurrentControlSet\\Control\\Class\\";
const std::u16string kDriver = u"{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000";

std::vector<std::uint8_t> Bytes(std::u16string_view units) {
    std::vector<std::uint8_t> bytes;
    AppendUtf16Le(bytes, units);
    return bytes;
}

class Discovery : public ::testing::Test {
  protected:
    void Set(const std::u16string& path, std::u16string_view name, std::u16string_view text) {
        ASSERT_EQ(builder_.SetString(path, name, text), platform::TreeEditStatus::kOk);
    }
    // A device key below Enum with its "Class" and, when given, its "Driver".
    void Device(const std::u16string& path, std::u16string_view device_class,
                std::u16string_view driver = {}) {
        Set(kEnum + path, u"Class", device_class);
        if (!driver.empty()) Set(kEnum + path, u"Driver", driver);
    }
    // A driver key whose every field holds "<field>@<tag>" (lists: that and "...#2").
    void DriverKey(const std::u16string& driver, std::u16string_view tag) {
        const std::u16string key = kClass + driver;
        for (const ProfileField& field : kProfileFields) {
            const std::u16string text = std::u16string(field.name) + u"@" + std::u16string(tag);
            if (field.source == ProfileSource::kDriverKey) Set(key, field.name, text);
            if (field.source == ProfileSource::kSettingsKey)
                Set(key + u"\\Settings", field.name, text);
            if (field.source == ProfileSource::kSubkey) {
                Set(key + u"\\" + field.name, u"1", text);
                Set(key + u"\\" + field.name, u"2", text + u"#2");
            }
        }
    }
    // The tag of the driver key that every field of the profile came from: "" when all
    // are empty, "<mixed>" when they disagree. The builder starts afresh.
    std::u16string Tag() {
        const CModemStrings profile{platform::Registry(builder_.Freeze())};
        builder_ = platform::RegistryBuilder();
        const std::u16string& name = profile.FriendlyName;
        const std::u16string tag = name.empty() ? u"" : name.substr(name.find(u'@') + 1);
        for (const ProfileField& field : kProfileFields) {
            const std::u16string text = tag.empty() ? u"" : field.name + (u"@" + tag);
            const bool same =
                field.source == ProfileSource::kSubkey
                    ? profile.*field.list ==
                          (tag.empty() ? StringList{} : StringList{text, text + u"#2"})
                    : profile.*field.text == text;
            if (!same) return u"<mixed>";
        }
        return tag;
    }
    platform::RegistryBuilder builder_;
};

// Pieces of `text` between `separator`s.
std::vector<std::u16string> Split(std::u16string_view text, char16_t separator) {
    std::vector<std::u16string> pieces(1);
    for (char16_t c : text)
        c == separator ? (void)pieces.emplace_back() : pieces.back().push_back(c);
    return pieces;
}

TEST_F(Discovery, TheFirstModemOfTheWalkGivesTheWholeProfile) {
    struct Layout {
        const char16_t* devices;  // path|Class|Driver, separated by ';'
        const char16_t* denied;   // a key below Enum
        const char16_t* tag;
    };
    const Layout layouts[] = {
        // Subkeys are walked in Windows order: "A..." before "B...", whatever came first.
        {u"B\\Later|Modem|{m}\\1;A\\First|Modem|{m}\\0", nullptr, u"0"},
        {u"ACPI\\PNP0303|Keyboard|{m}\\0;PCI\\V\\3|Modem|{m}\\1", nullptr, u"1"},
        // Without a "Driver" the first modem still ends the search.
        {u"A\\First|Modem|;B\\Later|Modem|{m}\\1", nullptr, u""},
        // The text of "Class" matches exactly, letter case and blanks included.
        {u"A\\2|modem|{m}\\0;A\\3|Modem |{m}\\0;B\\1|Modem|{m}\\1", nullptr, u"1"},
        // A key of another class still has its subkeys searched, several levels down.
        {u"USB\\V\\5|USB|;USB\\V\\5\\Port\\0\\F|Modem|{m}\\1", nullptr, u"1"},
        // A denied key hides only its own subtree; a denied root hides all.
        {u"A\\Hidden\\M|Modem|{m}\\0;B\\Seen|Modem|{m}\\1", u"A\\Hidden", u"1"},
        {u"B\\Seen|Modem|{m}\\1", u"", u""},
        // A driver text leading nowhere, or with a leading backslash, gives an empty profile.
        {u"A\\1|Modem|{m}\\9", nullptr, u""},
        {u"A\\1|Modem|\\{m}\\1", nullptr, u""},
    };
    for (const Layout& layout : layouts) {
        for (const std::u16string& device : Split(layout.devices, u';')) {
            const auto d = Split(device, u'|');
            Device(d[0], d[1], d[2]);
        }
        if (layout.denied) {
            builder_.Deny(*layout.denied ? kEnum + layout.denied
                                         : kEnum.substr(0, kEnum.size() - 1));
        }
        Set(kEnum + u"A\\1x", u"class", u"Modem");  // the value's name differs in case
        DriverKey(u"{m}\\0", u"0");
        DriverKey(u"{m}\\1", u"1");
        EXPECT_EQ(Tag(), layout.tag) << &layout - layouts;
    }
    // The enumeration root itself can be the modem.
    Device(u"A\\1", u"Modem", u"{m}\\1");
    Set(u"SYSTEM\\CurrentControlSet\\Enum", u"Class", u"Modem");
    Set(u"SYSTEM\\CurrentControlSet\\Enum", u"Driver", u"{m}\\0");
    DriverKey(u"{m}\\0", u"0");
    EXPECT_EQ(Tag(), u"0");
    // A "Class" too large for the scratch buffer is skipped, not matched.
    std::u16string huge = u"Modem";
    huge.append(9000, u'\0');
    ASSERT_EQ(builder_.SetValue(kEnum + u"A\\1", u"Class", kRegSz, Bytes(huge)),
              platform::TreeEditStatus::kOk);
    Set(kEnum + u"A\\1", u"Driver", u"{m}\\0");
    Device(u"A\\2", u"Modem", u"{m}\\1");
    DriverKey(u"{m}\\0", u"0");
    DriverKey(u"{m}\\1", u"1");
    EXPECT_EQ(Tag(), u"1");
}

TEST_F(Discovery, FieldsAreTextUpToTheFirstNulReadOneByOne) {
    Device(u"A\\1", u"Modem", kDriver);
    const std::u16string key = kClass + kDriver;
    auto raw = [&](const std::u16string& path, const char16_t* name, std::vector<std::uint8_t> data,
                   std::uint32_t type) { builder_.SetValue(path, name, type, data); };
    raw(key, u"Reset", Bytes(std::u16string(u"ATZ\0AT&F\0\0", 10)), platform::kRegMultiSz);
    auto odd = Bytes(u"ATH0");
    odd.push_back(0x41);  // an odd trailing byte is no code unit
    raw(key, u"TerminatePlay", odd, platform::kRegBinary);
    raw(key + u"\\Settings", u"CallSetupFailTimer", {0x42, 0, 0x41, 0}, platform::kRegDword);
    builder_.SetString(key + u"\\Settings", u"Prefix", u"%PREFIX%", platform::kRegExpandSz);
    const std::u16string big(20000, u'D');  // larger than the scratch buffer: read whole
    Set(key + u"\\Settings", u"DialSuffix", big);
    Set(key, u"FriendlyName", u"Mod\u00e8m \u03a9");
    const std::u16string init = key + u"\\Init";
    for (const char16_t* name : {u"2", u"1", u"3", u"6"})
        Set(init, name, *name == u'3' ? u"" : name);
    raw(init, u"4", Bytes(std::u16string(8193, u'X')), kRegSz);  // 16386 bytes: dropped
    raw(init, u"5", Bytes(std::u16string(8192, u'Y')), kRegSz);  // 16384: fits
    const CModemStrings profile{platform::Registry(builder_.Freeze())};
    EXPECT_EQ(profile.Reset, u"ATZ");
    EXPECT_EQ(profile.TerminatePlay, u"ATH0");
    EXPECT_EQ(profile.CallSetupFailTimer, u"BA");
    EXPECT_EQ(profile.Prefix, u"%PREFIX%");
    EXPECT_EQ(profile.DialSuffix, big);
    EXPECT_EQ(profile.FriendlyName, u"Mod\u00e8m \u03a9");
    EXPECT_EQ(profile.Init, (StringList{u"2", u"1", u"", u"6", std::u16string(8192, u'Y')}));
}

}  // namespace
}  // namespace veltrane

#endif  // _WIN32
