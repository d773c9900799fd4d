// The token table as the JVM finds it in the built binary.
#include <gtest/gtest.h>

#include <climits>

#include "fake_jni.h"
#include "loaded_library.h"

namespace veltrane {
namespace {

using testing::BuiltLibrary;
using testing::FakeJvm;
using testing::JniCall;
using testing::LoadedLibrary;
using testing::NativeExportName;

using TokenMethod = jstring(JNICALL*)(JNIEnv*, jclass, jint);

TEST(TokenLibrary, TokensAndTheirDefault) {
    LoadedLibrary library(BuiltLibrary());
    ASSERT_TRUE(library.loaded());
    auto g301 =
        library.Function<TokenMethod>(NativeExportName("Java_com_quorindel_veltrane_J_D_g301", 12));
    ASSERT_NE(g301, nullptr);
    FakeJvm vm;
    const std::u16string tokens[] = {u"H", u"T",  u"M",     u"O",    u"O#",
                                     u"V", u"V#", u"VALUE", u"ERROR"};
    for (jint code = 1; code <= 9; ++code) {
        jstring token = g301(vm.env(), nullptr, code);
        ASSERT_NE(token, nullptr);
        EXPECT_EQ(vm.StringValue(token), tokens[code - 1]);
    }
    for (jint code : {jint{0}, jint{-1}, jint{10}, jint{INT_MAX}}) {
        jstring token = g301(vm.env(), nullptr, code);
        ASSERT_NE(token, nullptr);
        EXPECT_EQ(vm.StringValue(token), u"!@#$%");
    }
    vm.FailCall(JniCall::kNewString);
    EXPECT_EQ(g301(vm.env(), nullptr, 1), nullptr);
    EXPECT_FALSE(vm.exception_pending());
    EXPECT_TRUE(vm.violations().empty());
}

}  // namespace
}  // namespace veltrane
