// The level meter's export with the fake JNI: which bytes it reads, and how it treats the
// array and the VM's failures.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <vector>

#include "fake_jni.h"

extern "C" JNIEXPORT jfloat JNICALL Java_com_quorindel_veltrane_E_A_A_g501(JNIEnv*, jclass,
                                                                           jbyteArray, jint);

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

float Level(FakeJvm& vm, jbyteArray array, jint count) {
    return Java_com_quorindel_veltrane_E_A_A_g501(vm.env(), nullptr, array, count);
}

void ExpectCleanCall(const FakeJvm& vm) {
    EXPECT_FALSE(vm.exception_pending());
    EXPECT_TRUE(vm.violations().empty());
    EXPECT_EQ(vm.outstanding_elements(), 0);
}

TEST(LevelMeter, ReadsOnlyTheFirstCountBytesAndReleasesWithoutCopyBack) {
    FakeJvm vm;
    const std::vector<std::int8_t> bytes = {3, -4, 127, 127, 127};
    jbyteArray array = vm.MakeByteArray(bytes);
    EXPECT_EQ(Bits(Level(vm, array, 2)), Bits(4.860806f));
    EXPECT_EQ(vm.release_modes(), std::vector<jint>{JNI_ABORT});
    EXPECT_EQ(vm.CountOf(JniCall::kGetByteArrayElements), 1);
    EXPECT_EQ(vm.ByteArrayValue(array), bytes);
    ExpectCleanCall(vm);
}

TEST(LevelMeter, KnownFiguresThroughTheExport) {
    FakeJvm vm;
    EXPECT_EQ(Bits(Level(vm, vm.MakeByteArray({64}), 1)), Bits(2.480315f));
    EXPECT_EQ(Bits(Level(vm, vm.MakeByteArray(std::vector<std::int8_t>(8, -128)), 8)),
              Bits(0.039370079f));
    EXPECT_EQ(Bits(Level(vm, vm.MakeByteArray(std::vector<std::int8_t>(2000, 127)), 2000)),
              Bits(0.000074491727f));
    ExpectCleanCall(vm);
}

TEST(LevelMeter, CountBeyondTheArrayIsCutToItsLength) {
    FakeJvm vm;
    jbyteArray array = vm.MakeByteArray({3, -4});
    EXPECT_EQ(Bits(Level(vm, array, 1000)), Bits(4.860806f));
    EXPECT_EQ(Bits(Level(vm, array, INT32_MAX)), Bits(4.860806f));
    ExpectCleanCall(vm);
}

TEST(LevelMeter, NothingToReadIsSilenceWithoutTouchingTheArray) {
    FakeJvm vm;
    jbyteArray array = vm.MakeByteArray({100, 100});
    for (jint count : {jint{0}, jint{-1}, jint{INT32_MIN}}) {
        vm.ResetRecord();
        EXPECT_EQ(Bits(Level(vm, array, count)), Bits(5.0f)) << count;
        EXPECT_EQ(vm.CountOf(JniCall::kGetByteArrayElements), 0) << count;
    }
    vm.ResetRecord();
    EXPECT_EQ(Bits(Level(vm, nullptr, 8)), Bits(5.0f));
    EXPECT_TRUE(vm.calls().empty());
    // An empty array asks for its length only.
    vm.ResetRecord();
    EXPECT_EQ(Bits(Level(vm, vm.MakeByteArray({}), 4)), Bits(5.0f));
    EXPECT_EQ(vm.CountOf(JniCall::kGetByteArrayElements), 0);
    ExpectCleanCall(vm);
}

TEST(LevelMeter, ElementsTheVmCannotSupplyGiveSilenceAndNoPendingException) {
    {
        FakeJvm vm;
        jbyteArray array = vm.MakeByteArray({100, 100});
        vm.FailCall(JniCall::kGetByteArrayElements);
        EXPECT_EQ(Bits(Level(vm, array, 2)), Bits(5.0f));
        EXPECT_EQ(vm.CountOf(JniCall::kReleaseByteArrayElements), 0);
        EXPECT_EQ(vm.CountOf(JniCall::kExceptionClear), 1);
        ExpectCleanCall(vm);
        EXPECT_EQ(Bits(Level(vm, array, 2)), Bits(1.0629921f));  // and the next call works
    }
    {
        FakeJvm vm;
        jbyteArray array = vm.MakeByteArray({100, 100});
        vm.ElementsUnavailable();
        EXPECT_EQ(Bits(Level(vm, array, 2)), Bits(5.0f));
        EXPECT_EQ(vm.CountOf(JniCall::kReleaseByteArrayElements), 0);
        ExpectCleanCall(vm);
    }
    {
        FakeJvm vm;
        jbyteArray array = vm.MakeByteArray({100, 100});
        vm.FailCall(JniCall::kGetArrayLength);
        EXPECT_EQ(Bits(Level(vm, array, 2)), Bits(5.0f));
        ExpectCleanCall(vm);
    }
}

TEST(LevelMeter, FailedReleaseLeavesNoPendingException) {
    FakeJvm vm;
    jbyteArray array = vm.MakeByteArray({100, 100});
    vm.FailCall(JniCall::kReleaseByteArrayElements);
    EXPECT_EQ(Bits(Level(vm, array, 2)), Bits(1.0629921f));
    EXPECT_FALSE(vm.exception_pending());
    EXPECT_TRUE(vm.violations().empty());
}

}  // namespace
}  // namespace veltrane
