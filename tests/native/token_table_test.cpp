// The token table through its export, with the fake JNI.
#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "fake_jni.h"
#include "jni/natives.h"

namespace veltrane {
namespace {

using testing::FakeJvm;

// Codes 1 to 9 in order, then codes either side of the table and at the ends of the range;
// a string the VM cannot create gives null with no exception left pending.
TEST(TokenTable, EachCodeGivesItsTokenAndEveryOtherCodeTheDefault) {
    const std::pair<jint, std::u16string> rows[] = {
        {1, u"H"},      {2, u"T"},      {3, u"M"},           {4, u"O"},           {5, u"O#"},
        {6, u"V"},      {7, u"V#"},     {8, u"VALUE"},       {9, u"ERROR"},       {0, u"!@#$%"},
        {-1, u"!@#$%"}, {10, u"!@#$%"}, {INT_MAX, u"!@#$%"}, {INT_MIN, u"!@#$%"},
    };
    FakeJvm vm;
    for (const auto& [code, token] : rows) {
        const jstring answer = Java_com_quorindel_veltrane_J_D_g301(vm.env(), nullptr, code);
        ASSERT_NE(answer, nullptr) << code;
        EXPECT_EQ(vm.StringValue(answer), token) << code;
    }
    vm.FailCall(testing::JniCall::kNewString);
    EXPECT_EQ(Java_com_quorindel_veltrane_J_D_g301(vm.env(), nullptr, 1), nullptr);
    EXPECT_FALSE(vm.exception_pending());
    EXPECT_TRUE(vm.violations().empty());
}

}  // namespace
}  // namespace veltrane
