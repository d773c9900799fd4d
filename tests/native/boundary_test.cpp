// Memory running out inside the library. A C++ exception must never reach the VM: every
// native method, with its first allocation failing, then its second, and so on until it
// gets through, gives its failure result, leaves no Java exception pending and keeps no
// memory. The log writes whole messages when no allocation succeeds at all.
#include "jni/boundary.h"

#include <gtest/gtest.h>
#include <jni.h>

#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "allocation_watch.h"
#include "fake_jni.h"
#include "frame/globals.h"
#include "jni/natives.h"
#include "log/log_stream.h"
#include "modem/modem_strings.h"
#include "test_paths.h"

namespace veltrane {
namespace {

using testing::FakeJvm;

// Whatever the body throws, the method answers its failure result; a Java exception
// pending at the throw is cleared.
TEST(Boundary, AnythingThrownBecomesTheFailureResult) {
    const std::vector<std::function<void()>> throwers = {
        [] { throw std::bad_alloc(); },
        [] { throw std::runtime_error("lock"); },
        [] { throw 22; },
    };
    for (const auto& thrower : throwers) {
        FakeJvm vm;
        vm.FailCall(testing::JniCall::kNewString);
        EXPECT_EQ(jni::Guarded(vm.env(), 5.0f,
                               [&]() -> float {
                                   vm.env()->NewString(nullptr, 0);  // leaves an exception
                                   thrower();
                                   return 1.0f;
                               }),
                  5.0f);
        EXPECT_FALSE(vm.exception_pending());
    }
}

// What one call gave back, and what a method gives when it cannot finish.
struct Result {
    jobject object = nullptr;
    float level = 0.0f;
};
enum class Failure { kNull, kEmptyString, kSilence };

template <auto Method, jint kCode = 1>
Result IntCall(JNIEnv* env, jbyteArray) {
    return {Method(env, nullptr, kCode)};
}
template <auto Method>
Result StringCall(JNIEnv* env, jbyteArray) {
    return {Method(env, nullptr, nullptr)};
}

const struct {
    const char* name;
    Failure failure;
    Result (*call)(JNIEnv* env, jbyteArray loud);
} kNatives[] = {
    {"g101", Failure::kNull, IntCall<Java_com_quorindel_veltrane_E_g101>},
    {"g102", Failure::kNull, IntCall<Java_com_quorindel_veltrane_D_B_g102>},
    {"g104", Failure::kNull, IntCall<Java_com_quorindel_veltrane_I_C_g104>},
    {"g109", Failure::kNull,
     [](JNIEnv* env, jbyteArray) {
         return Result{Java_com_quorindel_veltrane_F_C_g109(env, nullptr, nullptr, 1)};
     }},
    {"g113", Failure::kNull, IntCall<Java_com_quorindel_veltrane_E_B_E_g113>},
    {"g201", Failure::kEmptyString, StringCall<Java_com_quorindel_veltrane_J_D_g201>},
    {"g202", Failure::kEmptyString, StringCall<Java_com_quorindel_veltrane_J_D_g202>},
    {"g301", Failure::kNull, IntCall<Java_com_quorindel_veltrane_J_D_g301>},
    {"g401", Failure::kNull, IntCall<Java_com_quorindel_veltrane_E_B_D_g401, 3>},
    {"g402", Failure::kNull, IntCall<Java_com_quorindel_veltrane_E_B_D_g402, 32>},
    {"g501", Failure::kSilence,
     [](JNIEnv* env, jbyteArray loud) {
         return Result{nullptr, Java_com_quorindel_veltrane_E_A_A_g501(env, nullptr, loud, 64)};
     }},
};

TEST(AllocationFailure, EveryNativeGivesItsFailureResultUntilItsAllocationsSucceed) {
    if (!testing::WatchAvailable()) GTEST_SKIP() << "the runtime keeps operator new";
    CModemStrings* const saved = g_modemStrings;
    auto profile = std::make_unique<CModemStrings>();
    profile->Init = {u"ATZ", u"AT&F"};
    profile->FriendlyName = u"Quorindel VoiceLink";
    g_modemStrings = profile.get();
    for (const auto& native : kNatives) {
        for (long fail_at = 1;; ++fail_at) {
            SCOPED_TRACE(std::string(native.name) + ", allocation " + std::to_string(fail_at));
            FakeJvm vm;
            const jbyteArray loud = vm.MakeByteArray(std::vector<std::int8_t>(64, 127));  // 0.0
            Result result;
            testing::AllocationWatch seen;
            {
                const testing::Armed armed(fail_at);
                result = native.call(vm.env(), loud);
                seen = testing::Watch();
            }
            EXPECT_FALSE(vm.exception_pending());
            EXPECT_TRUE(vm.violations().empty());
            EXPECT_EQ(seen.live, 0) << "allocations kept after the call";
            const bool failed =
                native.failure == Failure::kSilence ? result.level == 5.0f
                : native.failure == Failure::kNull
                    ? result.object == nullptr
                    : result.object != nullptr && vm.StringValue(result.object).empty();
            const bool answered = native.failure == Failure::kSilence
                                      ? result.level == 0.0f
                                      : result.object != nullptr && !failed;
            if (seen.made < fail_at) {  // no allocation failed: the call got through
                EXPECT_TRUE(answered);
                break;
            }
            EXPECT_TRUE(failed);
            ASSERT_LT(fail_at, 1000) << "never got through";
        }
    }
    g_modemStrings = saved;
}

TEST(AllocationFailure, TheLogWritesWholeMessagesWithoutAllocating) {
    if (!testing::WatchAvailable()) GTEST_SKIP() << "the runtime keeps operator new";
    const std::string path = (testing::FreshFolder() / "VeltraneDll.log").string();
    LogStream log;
    log.Open(path.c_str());
    // Longer than any buffer a writer might keep on the stack, with line feeds throughout.
    std::u16string message;
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        message += u"Error 23\n";
        expected += "Error 23\r\n";
    }
    long made;
    {
        const testing::Armed armed(1);
        log.Write(message);
        made = testing::Watch().made;
    }
    EXPECT_EQ(made, 0);
    EXPECT_EQ(testing::ReadFileBytes(path), expected);
}

}  // namespace
}  // namespace veltrane
