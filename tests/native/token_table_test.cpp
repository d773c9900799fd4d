// The token table through its export, with the fake JNI.
#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "fake_jni.h"
#include "jni/natives.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;

std::u16string Token(FakeJvm& vm, jint code) {
    jstring token = Java_com_quorindel_veltrane_J_D_g301(vm.env(), nullptr, code);
    if (token == nullptr) {
        ADD_FAILURE() << "code " << code << " gave null";
        return u"<null>";
    }
    return vm.StringValue(token);
}

// Codes 1 to 9 in order, then codes either side of the table and at the ends of the range.
TEST(TokenTable, EachCodeGivesItsTokenAndEveryOtherCodeTheDefault) {
    const std::pair<jint, std::u16string> rows[] = {
        {1, u"H"},      {2, u"T"},      {3, u"M"},           {4, u"O"},           {5, u"O#"},
        {6, u"V"},      {7, u"V#"},     {8, u"VALUE"},       {9, u"ERROR"},       {0, u"!@#$%"},
        {-1, u"!@#$%"}, {10, u"!@#$%"}, {INT_MAX, u"!@#$%"}, {INT_MIN, u"!@#$%"},
    };
    FakeJvm vm;
    for (const auto& [code, token] : rows) EXPECT_EQ(Token(vm, code), token) << code;
    EXPECT_TRUE(vm.violations().empty());
}

TEST(TokenTable, StringTheVmCannotCreateGivesNullAndNoPendingException) {
    for (jint code : {jint{1}, jint{0}}) {
        FakeJvm vm;
        vm.FailCall(JniCall::kNewString);
        EXPECT_EQ(Java_com_quorindel_veltrane_J_D_g301(vm.env(), nullptr, code), nullptr);
        EXPECT_FALSE(vm.exception_pending());
        EXPECT_TRUE(vm.violations().empty());
        EXPECT_EQ(Token(vm, code), code == 1 ? u"H" : u"!@#$%");
    }
}

}  // namespace
}  // namespace veltrane
