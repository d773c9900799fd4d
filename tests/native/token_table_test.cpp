// The token table through its export, with the fake JNI.
#include <gtest/gtest.h>

#include <climits>

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

TEST(TokenTable, CodesOneToNineInOrderWithTheirLengths) {
    FakeJvm vm;
    const std::u16string expected[] = {u"H", u"T",  u"M",     u"O",    u"O#",
                                       u"V", u"V#", u"VALUE", u"ERROR"};
    const std::size_t lengths[] = {1, 1, 1, 1, 2, 1, 2, 5, 5};
    for (jint code = 1; code <= 9; ++code) {
        const std::u16string token = Token(vm, code);
        EXPECT_EQ(token, expected[code - 1]) << code;
        EXPECT_EQ(token.size(), lengths[code - 1]) << code;
    }
    EXPECT_TRUE(vm.violations().empty());
}

TEST(TokenTable, EveryOtherCodeGivesTheDefault) {
    FakeJvm vm;
    for (jint code : {jint{0}, jint{-1}, jint{10}, jint{INT_MAX}, jint{INT_MIN}, jint{-9}}) {
        EXPECT_EQ(Token(vm, code), u"!@#$%") << code;
    }
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
