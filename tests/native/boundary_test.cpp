// Memory running out inside the library. A C++ exception must never reach the VM: whatever
// a native method's body throws, it gives its failure result and leaves no Java exception
// pending.
#include "jni/boundary.h"

#include <gtest/gtest.h>
#include <jni.h>

#include <string>
#include <vector>

#include "fake_jni.h"
#include "frame/globals.h"
#include "jni/natives.h"
#include "modem/modem_strings.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;

// What a call gave back: "null", a string's text in quotes, or the level.
template <auto Method, auto kArgument>
std::string Answer(FakeJvm& vm) {
    const jobject answer = Method(vm.env(), nullptr, kArgument);
    return answer == nullptr ? "null" : "'" + vm.Utf8Value(answer) + "'";
}
std::string Level(FakeJvm& vm) {
    const jbyteArray loud = vm.MakeByteArray(std::vector<std::int8_t>(64, 127));
    return std::to_string(Java_com_quorindel_veltrane_E_A_A_g501(vm.env(), nullptr, loud, 64));
}

// Each native with memory running out in one of its JNI calls: its failure result (the
// statement methods' in code_tables_test.cpp).
TEST(Boundary, EveryNativeGivesItsFailureResultWhenMemoryRunsOut) {
    CModemStrings* const saved = g_modemStrings;
    CModemStrings profile;
    profile.Init = {u"ATZ", u"AT&F"};
    profile.FriendlyName = u"Quorindel VoiceLink";
    g_modemStrings = &profile;
    const struct {
        const char* name;
        JniCall throws;
        std::string (*call)(FakeJvm&);
        const char* failure;
    } rows[] = {
        {"g201", JniCall::kNewString, Answer<Java_com_quorindel_veltrane_J_D_g201, nullptr>, "''"},
        {"g202", JniCall::kNewString, Answer<Java_com_quorindel_veltrane_J_D_g202, nullptr>, "''"},
        {"g301", JniCall::kNewString, Answer<Java_com_quorindel_veltrane_J_D_g301, 1>, "null"},
        {"g401", JniCall::kNewString, Answer<Java_com_quorindel_veltrane_E_B_D_g401, 3>, "null"},
        {"g402", JniCall::kNewString, Answer<Java_com_quorindel_veltrane_E_B_D_g402, 32>, "null"},
        {"g501", JniCall::kGetByteArrayRegion, Level, "5.000000"},
    };
    for (const auto& row : rows) {
        FakeJvm vm;
        vm.ThrowOnCall(row.throws);
        EXPECT_EQ(row.call(vm), row.failure) << row.name;
        EXPECT_FALSE(vm.exception_pending()) << row.name;
        EXPECT_TRUE(vm.violations().empty()) << row.name;
        EXPECT_NE(row.call(vm), row.failure) << row.name << ": the next call works";
    }
    g_modemStrings = saved;
}

}  // namespace
}  // namespace veltrane
