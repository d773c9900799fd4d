// g401 and g402 against a fake JNI environment: which field each code selects, and what
// each method returns when the VM fails one of its calls.
#include <gtest/gtest.h>
#include <jni.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "fake_jni.h"
#include "frame/globals.h"
#include "jni/natives.h"
#include "modem/modem_strings.h"
#include "modem/profile_fields.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;

// The field names by ProfileItemCode, as the Java side numbers them.
const std::vector<std::u16string> kNameOfCode = {
    u"GenerateDigit",
    u"Hangup",
    u"Init",
    u"LineSetPlayFormat",
    u"LineSetRecordFormat",
    u"Monitor",
    u"CallSetupFailTimer",
    u"DialPrefix",
    u"DialSuffix",
    u"Prefix",
    u"SpeakerMode_Dial",
    u"SpeakerMode_Off",
    u"SpeakerMode_On",
    u"SpeakerMode_Setup",
    u"SpeakerVolume_High",
    u"SpeakerVolume_Low",
    u"SpeakerVolume_Med",
    u"Tone",
    u"SpeakerPhoneDisable",
    u"SpeakerPhoneEnable",
    u"SpeakerPhoneMute",
    u"SpeakerPhoneSetVolumeGain",
    u"SpeakerPhoneUnMute",
    u"StartPlay",
    u"StartRecord",
    u"StopPlay",
    u"StopRecord",
    u"VoiceAnswer",
    u"VoiceDialNumberSetup",
    u"AttachedTo",
    u"CompanyName",
    u"FriendlyName",
    u"Reset",
    u"TerminatePlay",
    u"TerminateRecord",
};

bool IsListCode(int code) {
    return (code >= 1 && code <= 6) || (code >= 19 && code <= 29);
}

// Installs a profile as g_modemStrings for one test, and puts the previous one back.
class ProfileQueries : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = g_modemStrings;
        profile_ = std::make_unique<CModemStrings>();
        g_modemStrings = profile_.get();
    }
    void TearDown() override { g_modemStrings = saved_; }

    // Every string field holds its own name; every list holds its name and "<name>#2".
    void FillEveryField() {
        for (const ProfileField& field : kProfileFields) {
            if (field.source == ProfileSource::kSubkey) {
                profile_.get()->*field.list = {field.name, std::u16string(field.name) + u"#2"};
            } else {
                profile_.get()->*field.text = field.name;
            }
        }
    }

    std::vector<std::u16string> Strings(jobject array) {
        std::vector<std::u16string> texts;
        for (jobject element : vm_.ArrayElements(array)) {
            texts.push_back(element == nullptr ? u"<null>" : vm_.StringValue(element));
        }
        return texts;
    }

    // Every call that can raise is followed at once by ExceptionCheck.
    void ExpectEveryCallChecked() {
        const auto& calls = vm_.calls();
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i] == JniCall::kExceptionCheck || calls[i] == JniCall::kExceptionClear ||
                calls[i] == JniCall::kDeleteLocalRef) {
                continue;
            }
            ASSERT_LT(i + 1, calls.size()) << JniCallName(calls[i]) << " is the last call";
            EXPECT_EQ(calls[i + 1], JniCall::kExceptionCheck)
                << JniCallName(calls[i]) << " at " << i << " is not followed by a check";
        }
        EXPECT_FALSE(vm_.exception_pending());
        EXPECT_TRUE(vm_.violations().empty());
    }

    jobjectArray G401(jint code) {
        return Java_com_quorindel_veltrane_E_B_D_g401(vm_.env(), nullptr, code);
    }
    jstring G402(jint code) {
        return Java_com_quorindel_veltrane_E_B_D_g402(vm_.env(), nullptr, code);
    }

    FakeJvm vm_;
    std::unique_ptr<CModemStrings> profile_;
    CModemStrings* saved_ = nullptr;
};

TEST_F(ProfileQueries, EachCodeSelectsItsOwnField) {
    FillEveryField();
    for (int code = 1; code <= 35; ++code) {
        SCOPED_TRACE(code);
        const std::u16string& name = kNameOfCode[code - 1];
        if (IsListCode(code)) {
            jobjectArray array = G401(code);
            ASSERT_NE(array, nullptr);
            EXPECT_EQ(vm_.ClassName(array), "java/lang/String");
            EXPECT_EQ(Strings(array), (std::vector<std::u16string>{name, name + u"#2"}));
        } else {
            jstring text = G402(code);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(vm_.StringValue(text), name);
        }
    }
    ExpectEveryCallChecked();
}

TEST_F(ProfileQueries, CodesAMethodDoesNotServeGiveNullWithoutAnyJniCall) {
    FillEveryField();
    std::vector<jint> not_lists = {0, -1, 36, 37, INT_MIN, INT_MAX};
    std::vector<jint> not_strings = not_lists;
    for (int code = 1; code <= 35; ++code)
        (IsListCode(code) ? not_strings : not_lists).push_back(code);
    for (jint code : not_lists) {
        SCOPED_TRACE(code);
        EXPECT_EQ(G401(code), nullptr);
    }
    for (jint code : not_strings) {
        SCOPED_TRACE(code);
        EXPECT_EQ(G402(code), nullptr);
    }
    EXPECT_TRUE(vm_.calls().empty());
}

TEST_F(ProfileQueries, EmptyFieldsGiveAnEmptyArrayAndAnEmptyStringNotNull) {
    profile_->Init = {};
    profile_->Hangup = {u"", u"ATH", u""};
    profile_->Tone = u"";
    jobjectArray init = G401(3);
    ASSERT_NE(init, nullptr);
    EXPECT_TRUE(vm_.ArrayElements(init).empty());
    jobjectArray hangup = G401(2);
    ASSERT_NE(hangup, nullptr);
    EXPECT_EQ(Strings(hangup), (std::vector<std::u16string>{u"", u"ATH", u""}));
    jstring tone = G402(18);
    ASSERT_NE(tone, nullptr);
    EXPECT_EQ(vm_.StringValue(tone), u"");
    ExpectEveryCallChecked();
}

TEST_F(ProfileQueries, WithoutAProfileEveryListIsEmptyAndEveryStringIsEmpty) {
    g_modemStrings = nullptr;  // attach ran out of memory
    for (int code = 1; code <= 35; ++code) {
        SCOPED_TRACE(code);
        if (IsListCode(code)) {
            jobjectArray array = G401(code);
            ASSERT_NE(array, nullptr);
            EXPECT_TRUE(vm_.ArrayElements(array).empty());
        } else {
            jstring text = G402(code);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(vm_.StringValue(text), u"");
        }
    }
    ExpectEveryCallChecked();
}

TEST_F(ProfileQueries, CodeUnitsReachJavaUnchanged) {
    // Non-ASCII text, a lone surrogate and an embedded NUL keep every code unit and the
    // stored length.
    const std::u16string odd = std::u16string(u"Mod\u00e8m \u03a9 ") + u'\xd800' + u'\0' + u"x";
    profile_->FriendlyName = odd;
    profile_->Init = {odd, u"AT#CLS=8"};
    jstring name = G402(32);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(vm_.StringValue(name), odd);
    EXPECT_EQ(Strings(G401(3)), (std::vector<std::u16string>{odd, u"AT#CLS=8"}));
}

TEST_F(ProfileQueries, EachFailingCallOfG401GivesNullWithTheExceptionCleared) {
    profile_->Init = {u"ATZ", u"AT#CLS=8", u"AT#VLS=0"};
    struct Row {
        JniCall fails;
        int nth;
        int strings_made;  // NewString calls expected before giving up
    };
    for (Row row : {Row{JniCall::kFindClass, 1, 0}, Row{JniCall::kNewObjectArray, 1, 0},
                    Row{JniCall::kNewString, 1, 1}, Row{JniCall::kNewString, 3, 3}}) {
        SCOPED_TRACE(JniCallName(row.fails) + std::string(" #") + std::to_string(row.nth));
        FakeJvm vm;
        vm.FailCall(row.fails, row.nth);
        EXPECT_EQ(Java_com_quorindel_veltrane_E_B_D_g401(vm.env(), nullptr, 3), nullptr);
        EXPECT_EQ(vm.CountOf(JniCall::kNewString), row.strings_made);
        EXPECT_EQ(vm.CountOf(JniCall::kSetObjectArrayElement), std::max(row.strings_made - 1, 0));
        EXPECT_EQ(vm.CountOf(JniCall::kExceptionClear), 1);
        EXPECT_FALSE(vm.exception_pending());
        EXPECT_TRUE(vm.violations().empty());
    }
}

TEST_F(ProfileQueries, AFailedArrayStoreLeavesItsSlotNullAndTheLoopGoesOn) {
    profile_->Init = {u"ATZ", u"AT#CLS=8", u"AT#VLS=0"};
    vm_.FailCall(JniCall::kSetObjectArrayElement, 2);
    jobjectArray array = G401(3);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(Strings(array), (std::vector<std::u16string>{u"ATZ", u"<null>", u"AT#VLS=0"}));
    EXPECT_EQ(vm_.CountOf(JniCall::kExceptionClear), 1);
    ExpectEveryCallChecked();
}

TEST_F(ProfileQueries, AFailingNewStringOfG402GivesNullWithTheExceptionCleared) {
    profile_->DialPrefix = u"ATDT";
    vm_.FailCall(JniCall::kNewString);
    EXPECT_EQ(G402(8), nullptr);
    EXPECT_EQ(vm_.CountOf(JniCall::kExceptionClear), 1);
    ExpectEveryCallChecked();
    // The next call is served again: nothing was cached from the failed one.
    jstring again = G402(8);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(vm_.StringValue(again), u"ATDT");
}

TEST_F(ProfileQueries, TheStringClassIsLookedUpOnEveryCall) {
    G401(1);
    G401(2);
    EXPECT_EQ(vm_.CountOf(JniCall::kFindClass), 2);
}

}  // namespace
}  // namespace veltrane
