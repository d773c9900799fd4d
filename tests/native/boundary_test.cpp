// What the natives give when the VM fails one of their calls or memory runs out.
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

// An answer as text: "null", a string in quotes, a list's entries each followed by "|".
template <auto Method, auto kArgument>
std::string Answer(FakeJvm& vm) {
    const jobject answer = Method(vm.env(), nullptr, kArgument);
    return answer == nullptr ? "null" : "'" + vm.Utf8Value(answer) + "'";
}
std::string List(FakeJvm& vm) {
    const jobjectArray list = Java_com_quorindel_veltrane_E_B_D_g401(vm.env(), nullptr, 3);
    if (list == nullptr) return "null";
    std::string entries;
    for (jobject entry : vm.ArrayElements(list))
        entries += (entry == nullptr ? "null" : vm.Utf8Value(entry)) + "|";
    return entries;
}
std::string Level(FakeJvm& vm) {
    const jbyteArray loud = vm.MakeByteArray(std::vector<std::int8_t>(20000, 127));  // 3 pieces
    return std::to_string(Java_com_quorindel_veltrane_E_A_A_g501(vm.env(), nullptr, loud, 20000));
}

// The nth call of a kind fails, or throws: the answer, one ExceptionClear, every call that
// can raise followed at once by ExceptionCheck, nothing pending, the next call answers.
TEST(Boundary, EveryNativeGivesItsFailureResultWhenACallFailsOrMemoryRunsOut) {
    CModemStrings* const saved = g_modemStrings;
    CModemStrings profile;
    profile.Init = {u"ATZ", u"AT#CLS=8", u"AT#VLS=0"};
    profile.DialPrefix = u"ATDT";
    g_modemStrings = &profile;
    const auto g201 = Answer<Java_com_quorindel_veltrane_J_D_g201, nullptr>;
    const auto g301 = Answer<Java_com_quorindel_veltrane_J_D_g301, 1>;
    const auto g402 = Answer<Java_com_quorindel_veltrane_E_B_D_g402, 8>;
    using enum JniCall;
    const struct {
        const char* name;
        std::string (*call)(FakeJvm&);
        JniCall call_that_fails;
        int nth;
        bool throws;
        const char* answer;
    } rows[] = {
        {"g201", g201, kNewString, 1, true, "''"},
        {"g201", g201, kNewString, 1, false, "null"},
        {"g101", Answer<Java_com_quorindel_veltrane_E_g101, 1>, kNewString, 1, true, "null"},
        {"g301", g301, kNewString, 1, false, "null"},
        {"g301", g301, kNewString, 1, true, "null"},
        {"g401", List, kFindClass, 1, false, "null"},
        {"g401", List, kNewObjectArray, 1, false, "null"},
        {"g401", List, kNewString, 3, false, "null"},
        {"g401", List, kSetObjectArrayElement, 2, false, "ATZ|null|AT#VLS=0|"},
        {"g401", List, kNewString, 1, true, "null"},
        {"g402", g402, kNewString, 1, false, "null"},
        {"g402", g402, kNewString, 1, true, "null"},
        {"g501", Level, kGetArrayLength, 1, false, "5.000000"},
        {"g501", Level, kGetByteArrayRegion, 3, false, "5.000000"},
        {"g501", Level, kGetByteArrayRegion, 1, true, "5.000000"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.name) + ", row " + std::to_string(&row - rows));
        FakeJvm vm;
        row.throws ? vm.ThrowOnCall(row.call_that_fails)
                   : vm.FailCall(row.call_that_fails, row.nth);
        EXPECT_EQ(row.call(vm), row.answer);
        EXPECT_EQ(vm.CountOf(kExceptionClear), 1);
        const auto& calls = vm.calls();
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const bool raises = calls[i] != kExceptionCheck && calls[i] != kExceptionClear &&
                                calls[i] != kDeleteLocalRef;
            EXPECT_TRUE(!raises || (i + 1 < calls.size() && calls[i + 1] == kExceptionCheck)) << i;
        }
        EXPECT_FALSE(vm.exception_pending());
        EXPECT_TRUE(vm.violations().empty());
        EXPECT_NE(row.call(vm), row.answer) << "the next call";
    }
    g_modemStrings = saved;
}

}  // namespace
}  // namespace veltrane
