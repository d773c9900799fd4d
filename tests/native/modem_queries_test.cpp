// g401 and g402 against a fake JNI environment: the codes of tests/fixtures/profile/fields.tsv
// with no profile, and what each method gives when the VM fails one of its calls.
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
#include "test_paths.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;
using Texts = std::vector<std::u16string>;

// Installs a profile as g_modemStrings for one test, and puts the previous one back.
class ProfileQueries : public ::testing::Test {
  protected:
    void SetUp() override { g_modemStrings = profile_.get(); }
    void TearDown() override { g_modemStrings = saved_; }

    Texts Strings(jobject array) {
        Texts texts;
        for (jobject element : vm_.ArrayElements(array))
            texts.push_back(element == nullptr ? u"<null>" : vm_.StringValue(element));
        return texts;
    }
    jobjectArray G401(jint code) {
        return Java_com_quorindel_veltrane_E_B_D_g401(vm_.env(), nullptr, code);
    }
    jstring G402(jint code) {
        return Java_com_quorindel_veltrane_E_B_D_g402(vm_.env(), nullptr, code);
    }

    // Every call that can raise is followed at once by ExceptionCheck.
    void ExpectEveryCallChecked() {
        const auto& calls = vm_.calls();
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i] == JniCall::kExceptionCheck || calls[i] == JniCall::kExceptionClear ||
                calls[i] == JniCall::kDeleteLocalRef) {
                continue;
            }
            ASSERT_LT(i + 1, calls.size());
            EXPECT_EQ(calls[i + 1], JniCall::kExceptionCheck) << "call " << i << " unchecked";
        }
        EXPECT_FALSE(vm_.exception_pending());
        EXPECT_TRUE(vm_.violations().empty());
    }

    FakeJvm vm_;
    std::unique_ptr<CModemStrings> profile_ = std::make_unique<CModemStrings>();
    CModemStrings* saved_ = g_modemStrings;
};

// With no profile at all (attach ran out of memory) each code gives an empty text or list;
// a code a method does not serve gives null without a JNI call. Which field each code
// selects, the registry fixtures show (modem_discovery_test.cpp).
TEST_F(ProfileQueries, NoProfileGivesEmptyAndCodesWithoutAFieldGiveNull) {
    g_modemStrings = nullptr;
    std::vector<jint> not_lists = {0, -1, 36, INT_MIN, INT_MAX}, not_texts = not_lists;
    for (const auto& row : testing::FixtureRows("profile/fields.tsv")) {
        const jint code = std::stoi(row.at(0));
        if (row.at(2) == "list") {
            jobjectArray array = G401(code);
            ASSERT_NE(array, nullptr) << code;
            EXPECT_EQ(vm_.ClassName(array), "[java/lang/String");
            EXPECT_EQ(Strings(array), Texts{}) << code;
            not_texts.push_back(code);
        } else {
            jstring text = G402(code);
            ASSERT_NE(text, nullptr) << code;
            EXPECT_EQ(vm_.StringValue(text), u"") << code;
            not_lists.push_back(code);
        }
    }
    ASSERT_EQ(not_lists.size() + not_texts.size(), 10u + 35u);
    ExpectEveryCallChecked();
    vm_.ResetRecord();
    for (jint code : not_lists) EXPECT_EQ(G401(code), nullptr) << code;
    for (jint code : not_texts) EXPECT_EQ(G402(code), nullptr) << code;
    EXPECT_TRUE(vm_.calls().empty());
}

TEST_F(ProfileQueries, AFailingCallGivesNullOrANullSlotWithTheExceptionCleared) {
    profile_->Init = {u"ATZ", u"AT#CLS=8", u"AT#VLS=0"};
    profile_->DialPrefix = u"ATDT";
    struct Row {
        JniCall fails;
        int nth;
        int code;
        Texts answer;  // {"<null>"}: a null answer
    };
    const Row rows[] = {
        {JniCall::kFindClass, 1, 3, {u"<null>"}},
        {JniCall::kNewObjectArray, 1, 3, {u"<null>"}},
        {JniCall::kNewString, 1, 3, {u"<null>"}},
        {JniCall::kNewString, 3, 3, {u"<null>"}},
        {JniCall::kSetObjectArrayElement, 2, 3, {u"ATZ", u"<null>", u"AT#VLS=0"}},
        {JniCall::kNewString, 1, 8, {u"<null>"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.fails) * 10 + row.nth);
        vm_.ResetRecord();
        vm_.FailCall(row.fails, row.nth);
        jobject answer = row.code == 8 ? static_cast<jobject>(G402(8)) : G401(3);
        if (answer == nullptr) {
            EXPECT_EQ(row.answer, Texts{u"<null>"});
        } else {
            EXPECT_EQ(Strings(answer), row.answer);
        }
        EXPECT_EQ(vm_.CountOf(JniCall::kExceptionClear), 1);
        ExpectEveryCallChecked();
    }
    // Nothing was cached from a failed call.
    EXPECT_EQ(vm_.StringValue(G402(8)), u"ATDT");
    EXPECT_EQ(Strings(G401(3)), (Texts{u"ATZ", u"AT#CLS=8", u"AT#VLS=0"}));
}

}  // namespace
}  // namespace veltrane
