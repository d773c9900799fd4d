// What the natives give when the VM fails one of their calls or memory runs out: never a C++
// exception into the VM, never a Java exception left pending (the code tables', the level
// meter's: code_tables_test.cpp, level_test.cpp).
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
using Texts = std::vector<std::u16string>;

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

// Each row fails one call of g401 (Init, code 3) or g402 (DialPrefix, code 8): the answer
// ({"<null>"}: null), one ExceptionClear, every call that can raise followed at once by
// ExceptionCheck; nothing of a failed call is kept for the next.
TEST(ProfileQueries, AFailingCallGivesNullOrANullSlotWithTheExceptionCleared) {
    CModemStrings profile;
    profile.Init = {u"ATZ", u"AT#CLS=8", u"AT#VLS=0"};
    profile.DialPrefix = u"ATDT";
    CModemStrings* const saved = g_modemStrings;
    g_modemStrings = &profile;
    FakeJvm vm;
    const auto answer = [&vm](int code) {
        jobject got = code == 8 ? static_cast<jobject>(Java_com_quorindel_veltrane_E_B_D_g402(
                                      vm.env(), nullptr, code))
                                : Java_com_quorindel_veltrane_E_B_D_g401(vm.env(), nullptr, code);
        if (got == nullptr) return Texts{u"<null>"};
        if (code == 8) return Texts{vm.StringValue(got)};
        Texts texts;
        for (jobject element : vm.ArrayElements(got))
            texts.push_back(element == nullptr ? u"<null>" : vm.StringValue(element));
        return texts;
    };
    const struct {
        JniCall fails;
        int nth;
        int code;
        Texts answer;
    } rows[] = {
        {JniCall::kFindClass, 1, 3, {u"<null>"}},
        {JniCall::kNewObjectArray, 1, 3, {u"<null>"}},
        {JniCall::kNewString, 1, 3, {u"<null>"}},
        {JniCall::kNewString, 3, 3, {u"<null>"}},
        {JniCall::kSetObjectArrayElement, 2, 3, {u"ATZ", u"<null>", u"AT#VLS=0"}},
        {JniCall::kNewString, 1, 8, {u"<null>"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.fails) * 10 + row.nth);
        vm.ResetRecord();
        vm.FailCall(row.fails, row.nth);
        EXPECT_EQ(answer(row.code), row.answer);
        EXPECT_EQ(vm.CountOf(JniCall::kExceptionClear), 1);
        const auto& calls = vm.calls();
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i] != JniCall::kExceptionCheck && calls[i] != JniCall::kExceptionClear &&
                calls[i] != JniCall::kDeleteLocalRef) {
                EXPECT_TRUE(i + 1 < calls.size() && calls[i + 1] == JniCall::kExceptionCheck)
                    << "call " << i << " unchecked";
            }
        }
        EXPECT_FALSE(vm.exception_pending());
        EXPECT_TRUE(vm.violations().empty());
    }
    EXPECT_EQ(answer(8), Texts{u"ATDT"});
    EXPECT_EQ(answer(3), (Texts{u"ATZ", u"AT#CLS=8", u"AT#VLS=0"}));
    g_modemStrings = saved;
}

}  // namespace
}  // namespace veltrane
