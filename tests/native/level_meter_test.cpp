// The level meter's export with the fake JNI: which bytes it reads, and how it treats the
// array and the VM's failures.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "fake_jni.h"
#include "level/level_kernel.h"

extern "C" JNIEXPORT jfloat JNICALL Java_com_quorindel_veltrane_E_A_A_g501(JNIEnv*, jclass,
                                                                           jbyteArray, jint);

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;
using Bytes = std::vector<std::int8_t>;

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

// A quiet stretch whose sum stays below 2^24, then full-scale noise that passes it early in
// the second piece the meter copies out.
Bytes QuietThenLoud(std::size_t size) {
    std::mt19937 random(13);
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        const auto value = static_cast<std::int8_t>(random());
        bytes[i] = i < 8192 ? static_cast<std::int8_t>(value / 2) : value;
    }
    return bytes;
}

TEST(LevelMeter, CopiesOutExactlyTheBytesItUsesAndLeavesTheArrayAlone) {
    struct Case {
        std::size_t array;
        jint count;
    };
    const Bytes big = QuietThenLoud(40000);
    for (const Case& c : {Case{40000, 2}, Case{40000, 160}, Case{8192, 8191}, Case{8192, 8192},
                          Case{9000, 8193}, Case{40000, 3 * 8192 + 1000}, Case{40000, 40000}}) {
        FakeJvm vm;
        const Bytes bytes(big.begin(), big.begin() + static_cast<std::ptrdiff_t>(c.array));
        jbyteArray array = vm.MakeByteArray(bytes);
        const float expected = level::SignalLevel(std::span(bytes).first(c.count));
        EXPECT_EQ(Bits(Level(vm, array, c.count)), Bits(expected)) << c.count;
        EXPECT_EQ(vm.region_bytes(), static_cast<std::size_t>(c.count)) << c.count;
        EXPECT_EQ(vm.ByteArrayValue(array), bytes);
        ExpectCleanCall(vm);
    }
}

TEST(LevelMeter, KnownFiguresThroughTheExport) {
    FakeJvm vm;
    EXPECT_EQ(Bits(Level(vm, vm.MakeByteArray({3, -4, 127, 127, 127}), 2)), Bits(4.860806f));
    EXPECT_EQ(Bits(Level(vm, vm.MakeByteArray({64}), 1)), Bits(2.480315f));
    EXPECT_EQ(Bits(Level(vm, vm.MakeByteArray(Bytes(8, -128)), 8)), Bits(0.039370079f));
    EXPECT_EQ(Bits(Level(vm, vm.MakeByteArray(Bytes(2000, 127)), 2000)), Bits(0.000074491727f));
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
        EXPECT_TRUE(vm.calls().empty()) << count;
    }
    vm.ResetRecord();
    EXPECT_EQ(Bits(Level(vm, nullptr, 8)), Bits(5.0f));
    EXPECT_TRUE(vm.calls().empty());
    // An empty array asks for its length only.
    vm.ResetRecord();
    EXPECT_EQ(Bits(Level(vm, vm.MakeByteArray({}), 4)), Bits(5.0f));
    EXPECT_EQ(vm.CountOf(JniCall::kGetByteArrayRegion), 0);
    ExpectCleanCall(vm);
}

TEST(LevelMeter, AFailedCallGivesSilenceAndNoPendingException) {
    struct Case {
        JniCall call;
        int nth;
    };
    const Bytes bytes = QuietThenLoud(20000);
    for (const Case& c : {Case{JniCall::kGetArrayLength, 1}, Case{JniCall::kGetByteArrayRegion, 1},
                          Case{JniCall::kGetByteArrayRegion, 3}}) {
        FakeJvm vm;
        jbyteArray array = vm.MakeByteArray(bytes);
        vm.FailCall(c.call, c.nth);
        EXPECT_EQ(Bits(Level(vm, array, 20000)), Bits(5.0f)) << JniCallName(c.call) << c.nth;
        ExpectCleanCall(vm);
        // and the next call works
        EXPECT_EQ(Bits(Level(vm, array, 2)), Bits(level::SignalLevel(std::span(bytes).first(2))));
    }
}

}  // namespace
}  // namespace veltrane
