// The level figure against a plain serial computation of the same steps, written here on
// its own: every buffer must give the same bits, from every kernel this processor runs.
#include "level/level_kernel.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <random>
#include <vector>

#include "level/sum_kernels.h"

namespace veltrane {
namespace {

using Bytes = std::vector<std::int8_t>;

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

float ReferenceSum(const Bytes& bytes) {
    float sum = 0.0f;
    for (std::int8_t byte : bytes) {
        const int s = byte;
        sum = sum + static_cast<float>(s * s);
    }
    return sum;
}

float ReferenceLevel(const Bytes& bytes) {
    const float mean = static_cast<float>(static_cast<double>(ReferenceSum(bytes)) /
                                          static_cast<double>(bytes.size()));
    const float rms = std::sqrt(mean);
    float deviation = static_cast<float>((127.0 - rms) / 127.0);
    if (deviation < 0.0f) deviation = deviation * -1.0f;
    return deviation * 5.0f;
}

void ExpectSameAsReference(const Bytes& bytes, const std::string& what) {
    const float expected_sum = ReferenceSum(bytes);
    for (const level::SumKernel& kernel : level::Kernels()) {
        if (!kernel.runnable()) continue;
        const float sum = level::AddSquaresWith(kernel, 0.0f, bytes);
        ASSERT_EQ(Bits(sum), Bits(expected_sum))
            << what << ", " << kernel.name << ": sum " << sum << " instead of " << expected_sum;
    }
    ASSERT_EQ(Bits(level::SignalLevel(bytes)), Bits(ReferenceLevel(bytes))) << what;
}

Bytes Repeated(std::int8_t value, std::size_t count) {
    return Bytes(count, value);
}

TEST(LevelKernel, KnownFiguresToTheBit) {
    struct Case {
        Bytes bytes;
        float level;
    };
    const Case cases[] = {
        {Repeated(0, 8), 5.0f},
        {Repeated(127, 8), 0.0f},
        {Repeated(-127, 8), 0.0f},
        {Repeated(-128, 8), 0.039370079f},
        {{3, -4}, 4.860806f},
        {{64}, 2.480315f},
        {Repeated(-1, 4), 4.9606299f},
        {Repeated(100, 10), 1.0629921f},
        {Repeated(127, 2000), 0.000074491727f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Bits(level::SignalLevel(c.bytes)), Bits(c.level))
            << "first byte " << int{c.bytes[0]} << ", " << c.bytes.size()
            << " bytes: " << level::SignalLevel(c.bytes) << " instead of " << c.level;
    }
    // The sum rounds once it is past 2^24: 32257040 where the exact sum is 32258000.
    EXPECT_EQ(level::SumOfSquares(Repeated(127, 2000)), 32257040.0f);
    EXPECT_EQ(level::SumOfSquares(Repeated(100, 10)), 100000.0f);
    // A deviation of exactly 0 stays a positive zero.
    EXPECT_EQ(Bits(level::SignalLevel(Repeated(127, 8))), 0u);
}

TEST(LevelKernel, TheFastestKernelTheProcessorRuns) {
    for (const level::SumKernel& kernel : level::Kernels()) {
        std::cout << "kernel " << kernel.name
                  << (kernel.runnable() ? ": runs here\n" : ": not here\n");
    }
#if defined(__x86_64__)
    EXPECT_STREQ(level::FastestKernel().name, __builtin_cpu_supports("avx2") ? "avx2" : "sse2");
#endif
}

TEST(LevelKernel, PiecesAddUpToTheWhole) {
    // A sum carried from piece to piece: cut in the exact stretch, right at 2^24, and in the
    // rounded stretch at every parity of the count in units.
    std::mt19937 random(41);
    Bytes bytes = Repeated(-128, 1024);  // exactly 2^24
    for (int i = 0; i < 70000; ++i) bytes.push_back(static_cast<std::int8_t>(random()));
    const float whole = ReferenceSum(bytes);
    for (const level::SumKernel& kernel : level::Kernels()) {
        if (!kernel.runnable()) continue;
        for (std::size_t cut : {1u, 1000u, 1024u, 1025u, 1100u, 33333u, 33334u, 33335u, 71023u}) {
            const std::span<const std::int8_t> all(bytes);
            const float first = level::AddSquaresWith(kernel, 0.0f, all.first(cut));
            const float sum = level::AddSquaresWith(kernel, first, all.subspan(cut));
            EXPECT_EQ(Bits(sum), Bits(whole)) << kernel.name << ", cut at " << cut;
        }
    }
}

TEST(LevelKernel, EmptyBufferIsSilence) {
    EXPECT_EQ(Bits(level::SignalLevel({})), Bits(5.0f));
    EXPECT_EQ(level::SumOfSquares({}), 0.0f);
}

TEST(LevelKernel, SilenceOfAnyLength) {
    for (std::size_t length : {1u, 255u, 256u, 257u, 1023u, 4096u, 1u << 20}) {
        EXPECT_EQ(Bits(level::SignalLevel(Repeated(0, length))), Bits(5.0f)) << length;
    }
}

TEST(LevelKernel, FullScaleSumsCrossingTwoToTheTwentyFour) {
    // 1024 bytes of -128 reach 2^24 exactly; the next square is the first to round.
    for (std::size_t length = 1000; length <= 1300; ++length) {
        ExpectSameAsReference(Repeated(-128, length), "-128 x " + std::to_string(length));
        ExpectSameAsReference(Repeated(127, length), "127 x " + std::to_string(length));
    }
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        Bytes bytes(std::uniform_int_distribution<std::size_t>(1, 20000)(random));
        for (auto& byte : bytes) byte = (random() & 1) ? std::int8_t{-128} : std::int8_t{127};
        ExpectSameAsReference(bytes, "full scale, round " + std::to_string(round));
    }
}

TEST(LevelKernel, CrossingAtEveryAlignment) {
    // A quiet lead-in of every length moves the point where the sum passes 2^24 across
    // every position within a block and within the last partial block.
    for (std::size_t lead = 0; lead <= 600; ++lead) {
        Bytes bytes = Repeated(3, lead);
        bytes.resize(lead + 1100 + lead % 7, -128);
        ExpectSameAsReference(bytes, "lead-in " + std::to_string(lead));
    }
    // Odd squares past the limit: each one meets a tie or a rounding at the crossing.
    for (std::size_t lead = 0; lead <= 300; ++lead) {
        Bytes bytes = Repeated(-127, 1040 + lead);
        for (std::size_t i = 0; i < bytes.size(); i += 3) bytes[i] = 101;
        ExpectSameAsReference(bytes, "mixed, length " + std::to_string(bytes.size()));
    }
}

TEST(LevelKernel, SmallSquaresJustPastTheLimit) {
    // Past 2^24 the float steps by 2: a square of 1 is a tie that rounds back to an even
    // sum, so a long run of ones stops counting at 2^24.
    EXPECT_EQ(level::SumOfSquares(Repeated(1, (std::size_t{1} << 24) + 1000)), 16777216.0f);
    // Full-scale bytes up to just below the limit, then quiet samples whose small odd and
    // even squares meet the first roundings at every distance from it.
    std::mt19937 random(11);
    for (int round = 0; round < 400; ++round) {
        Bytes bytes = Repeated(-128, 1020 + static_cast<std::size_t>(round % 4));
        const int amplitude = std::uniform_int_distribution<int>(1, 12)(random);
        std::uniform_int_distribution<int> sample(-amplitude, amplitude);
        const std::size_t quiet = std::uniform_int_distribution<std::size_t>(500, 9000)(random);
        for (std::size_t i = 0; i < quiet; ++i)
            bytes.push_back(static_cast<std::int8_t>(sample(random)));
        ExpectSameAsReference(bytes, "quiet tail, round " + std::to_string(round));
    }
}

TEST(LevelKernel, BinadeEdgesAtEveryAlignment) {
    // Each doubling of the sum doubles the step it rounds to; a lead-in of every length
    // puts the doublings up to 2^27 at every position within a group of samples.
    std::mt19937 random(3);
    for (std::size_t lead = 0; lead <= 130; ++lead) {
        Bytes bytes = Repeated(5, lead);
        for (int i = 0; i < 9000; ++i) {
            bytes.push_back(static_cast<std::int8_t>(i % 3 == 0 ? -128 : random()));
        }
        ExpectSameAsReference(bytes, "lead-in " + std::to_string(lead));
    }
}

TEST(LevelKernel, QuietLongBuffersFullOfTies) {
    // Small odd squares past 2^24, and squares of 2 mod 4 past 2^26, all land halfway
    // between two sums: every one of them is rounded to even.
    std::mt19937 random(17);
    for (int amplitude : {1, 2, 3, 6, 11, 20, 45}) {
        std::uniform_int_distribution<int> sample(-amplitude, amplitude);
        Bytes bytes(std::size_t{5} << 20);
        for (auto& byte : bytes) byte = static_cast<std::int8_t>(sample(random));
        ExpectSameAsReference(bytes, "amplitude " + std::to_string(amplitude));
    }
}

TEST(LevelKernel, LoudBufferSumStopsAtTwoToTheThirtyEight) {
    // From 2^38 on the sum steps by 2^15: no square is more than half a step, the largest
    // is exactly half and rounds to even, so the sum stays where it is.
    std::mt19937 random(23);
    Bytes bytes(std::size_t{24} << 20);
    for (auto& byte : bytes) {
        byte = static_cast<std::int8_t>((random() & 1) ? -128 : 127 - (random() & 7));
    }
    ExpectSameAsReference(bytes, "24 MiB");
    EXPECT_EQ(level::SumOfSquares(bytes), 274877906944.0f);
}

TEST(LevelKernel, RandomBuffers) {
    std::mt19937 random(2024);
    for (int round = 0; round < 300; ++round) {
        // Amplitudes from whisper to full scale, lengths that stay below or pass 2^24.
        const int amplitude = std::uniform_int_distribution<int>(0, 128)(random);
        const std::size_t length = std::uniform_int_distribution<std::size_t>(1, 70000)(random);
        std::uniform_int_distribution<int> sample(-amplitude, std::min(amplitude, 127));
        Bytes bytes(length);
        for (auto& byte : bytes) byte = static_cast<std::int8_t>(sample(random));
        ExpectSameAsReference(bytes, "round " + std::to_string(round));
    }
}

TEST(LevelKernel, LongBuffersWhoseSumLosesLowBits) {
    std::mt19937 random(99);
    for (std::size_t length : {std::size_t{1} << 20, std::size_t{3} << 20}) {
        Bytes bytes(length);
        for (auto& byte : bytes) byte = static_cast<std::int8_t>(random());
        ExpectSameAsReference(bytes, std::to_string(length) + " random bytes");
    }
}

}  // namespace
}  // namespace veltrane
