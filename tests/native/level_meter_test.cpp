// The level meter's export with the fake JNI: which bytes it reads, and how it treats the
// array and the VM's failures.
#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <span>
#include <vector>

#include "fake_jni.h"
#include "jni/natives.h"
#include "level/level_kernel.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;
using Bytes = std::vector<std::int8_t>;

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

// Reads exactly the bytes it uses (the count, cut to the array's length), in pieces; nothing
// to read is silence without touching the array.
TEST(LevelMeter, ReadsTheCountCutToTheArrayAndNothingElse) {
    struct Case {
        std::size_t array;
        jint count;
        std::size_t used;  // 0: silence
    };
    // Quiet, then loud past 2^24 early on: the sum's rounding depends on where pieces end.
    Bytes big(40000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] =
            static_cast<std::int8_t>((static_cast<int>(i * 37 % 255) - 127) / (i < 8192 ? 2 : 1));
    const Case cases[] = {
        {40000, 2, 2},
        {40000, 160, 160},
        {8192, 8191, 8191},
        {8192, 8192, 8192},
        {9000, 8193, 8193},
        {40000, 25576, 25576},
        {40000, 40000, 40000},
        {2, 1000, 2},
        {2, INT_MAX, 2},
        {2, 0, 0},
        {2, -1, 0},
        {2, INT_MIN, 0},
        {0, 4, 0},
    };
    for (const Case& c : cases) {
        FakeJvm vm;
        const Bytes bytes(big.begin(), big.begin() + static_cast<std::ptrdiff_t>(c.array));
        jbyteArray array = vm.MakeByteArray(bytes);
        const float expected =
            c.used == 0 ? 5.0f : level::SignalLevel(std::span(bytes).first(c.used));
        EXPECT_EQ(Bits(Java_com_quorindel_veltrane_E_A_A_g501(vm.env(), nullptr, array, c.count)),
                  Bits(expected))
            << c.count;
        EXPECT_EQ(vm.region_bytes(), c.used) << c.count;
        EXPECT_EQ(vm.CountOf(JniCall::kGetArrayLength), c.count > 0 ? 1 : 0) << c.count;
        EXPECT_TRUE(vm.violations().empty());
    }
    FakeJvm vm;
    EXPECT_EQ(Bits(Java_com_quorindel_veltrane_E_A_A_g501(vm.env(), nullptr, nullptr, 8)),
              Bits(5.0f));
    EXPECT_TRUE(vm.calls().empty());
}

TEST(LevelMeter, AFailedCallGivesSilenceAndNoPendingException) {
    struct Case {
        JniCall call;
        int nth;
    };
    Bytes bytes(20000, 50);
    for (const Case& c : {Case{JniCall::kGetArrayLength, 1}, Case{JniCall::kGetByteArrayRegion, 1},
                          Case{JniCall::kGetByteArrayRegion, 3}}) {
        FakeJvm vm;
        jbyteArray array = vm.MakeByteArray(bytes);
        vm.FailCall(c.call, c.nth);
        EXPECT_EQ(Java_com_quorindel_veltrane_E_A_A_g501(vm.env(), nullptr, array, 20000), 5.0f);
        EXPECT_FALSE(vm.exception_pending());
        EXPECT_TRUE(vm.violations().empty());
        // and the next call works
        EXPECT_NE(Java_com_quorindel_veltrane_E_A_A_g501(vm.env(), nullptr, array, 2), 5.0f);
    }
}

}  // namespace
}  // namespace veltrane
