// The level figure against a plain serial computation of the same steps, written here on
// its own: every buffer must give the same bits, from every kernel this processor runs.
#include "level/level_kernel.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "level/sum_kernels.h"

namespace veltrane {
namespace {

using Bytes = std::vector<std::int8_t>;

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

float ReferenceSum(std::span<const std::int8_t> bytes) {
    float sum = 0.0f;
    for (std::int8_t byte : bytes) sum = sum + static_cast<float>(int{byte} * int{byte});
    return sum;
}

void ExpectSameAsReference(const Bytes& bytes, const std::string& what) {
    const float sum = ReferenceSum(bytes);
    for (const level::SumKernel& kernel : level::Kernels()) {
        if (!kernel.runnable()) continue;
        ASSERT_EQ(Bits(level::AddSquaresWith(kernel, 0.0f, bytes)), Bits(sum))
            << what << ", " << kernel.name;
    }
    const float mean = static_cast<float>(static_cast<double>(sum) / bytes.size());
    const float deviation = static_cast<float>((127.0 - std::sqrt(mean)) / 127.0);
    ASSERT_EQ(Bits(level::SignalLevel(bytes)), Bits(std::fabs(deviation) * 5.0f)) << what;
}

Bytes Random(std::mt19937& random, std::size_t length, int low, int high) {
    std::uniform_int_distribution<int> sample(low, high);
    Bytes bytes(length);
    for (auto& byte : bytes) byte = static_cast<std::int8_t>(sample(random));
    return bytes;
}

TEST(LevelKernel, KnownFiguresToTheBit) {
    struct Case {
        Bytes bytes;
        float level;
    };
    const Case cases[] = {
        {{}, 5.0f},
        {Bytes(8, 0), 5.0f},
        {Bytes(1 << 20, 0), 5.0f},
        {Bytes(8, 127), 0.0f},  // a positive zero
        {Bytes(8, -127), 0.0f},
        {Bytes(8, -128), 0.039370079f},
        {{3, -4}, 4.860806f},
        {{64}, 2.480315f},
        {Bytes(4, -1), 4.9606299f},
        {Bytes(10, 100), 1.0629921f},
        {Bytes(2000, 127), 0.000074491727f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Bits(level::SignalLevel(c.bytes)), Bits(c.level)) << c.bytes.size() << " bytes";
    }
    // Past 2^24 the sum rounds: 32257040 where the exact sum is 32258000, and a run of
    // ones (each a tie that rounds back to even) stops counting at 2^24.
    EXPECT_EQ(level::SumOfSquares(Bytes(2000, 127)), 32257040.0f);
    EXPECT_EQ(level::SumOfSquares(Bytes((std::size_t{1} << 24) + 1000, 1)), 16777216.0f);
}

TEST(LevelKernel, EveryKernelGivesTheSerialSumToTheBit) {
    std::mt19937 random(2024);
    // Full-scale runs whose sum passes 2^24 (1024 bytes of -128) at every length near it; a
    // quiet lead-in of every length moves the crossing across every position of a block, and
    // odd squares past it meet a tie or a rounding.
    for (std::size_t length = 1000; length <= 1300; ++length) {
        ExpectSameAsReference(Bytes(length, -128), "-128 x " + std::to_string(length));
        ExpectSameAsReference(Bytes(length, 127), "127 x " + std::to_string(length));
        const std::size_t lead = length - 1000;
        Bytes bytes(lead, 3);
        bytes.resize(lead + 1100 + lead % 7, -128);
        for (std::size_t i = lead; i < bytes.size(); i += 3) bytes[i] = 101;
        ExpectSameAsReference(bytes, "lead-in " + std::to_string(lead));
    }
    // Quiet long buffers full of ties, and random buffers from whisper to full scale.
    for (int amplitude : {1, 2, 3, 11, 45}) {
        ExpectSameAsReference(Random(random, std::size_t{5} << 20, -amplitude, amplitude),
                              "amplitude " + std::to_string(amplitude));
    }
    for (int round = 0; round < 200; ++round) {
        const int amplitude = std::uniform_int_distribution<int>(0, 128)(random);
        const auto length = std::uniform_int_distribution<std::size_t>(1, 70000)(random);
        ExpectSameAsReference(Random(random, length, -amplitude, std::min(amplitude, 127)),
                              "round " + std::to_string(round));
    }
}

}  // namespace
}  // namespace veltrane
