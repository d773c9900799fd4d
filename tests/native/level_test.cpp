// The level figure: g501 with the fake JNI (the figures of known buffers to the bit, which
// bytes it reads; the VM's failures: boundary_test.cpp), and every kernel this processor runs
// against a plain serial sum of squares written here on its own.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "fake_jni.h"
#include "jni/natives.h"
#include "level/level_kernel.h"
#include "level/sum_kernels.h"
#include "test_paths.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;
using Bytes = std::vector<std::int8_t>;

std::uint32_t Bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

float G501(FakeJvm& vm, jbyteArray array, jint count) {
    return Java_com_quorindel_veltrane_E_A_A_g501(vm.env(), nullptr, array, count);
}

// The figures of tests/fixtures/level/figures.tsv; sums past 2^24 that must round.
TEST(Level, KnownFiguresToTheBit) {
    for (const auto& row : testing::FixtureRows("level/figures.tsv")) {
        Bytes bytes;
        std::istringstream items(row.at(0));
        for (std::string item; std::getline(items, item, ',');) {
            const auto star = item.find('*');
            bytes.resize(
                bytes.size() + (star == std::string::npos ? 1 : std::stoul(item.substr(star + 1))),
                static_cast<std::int8_t>(std::stoi(item)));
        }
        FakeJvm vm;
        const auto count = static_cast<jint>(bytes.size());
        EXPECT_EQ(Bits(G501(vm, vm.MakeByteArray(bytes), count)), Bits(std::stof(row.at(1))))
            << row[0];
    }
    // Past 2^24 the sum rounds: 32257040 where the exact sum is 32258000, and a run of
    // ones (each a tie that rounds back to even) stops counting at 2^24.
    EXPECT_EQ(level::SumOfSquares(Bytes(2000, 127)), 32257040.0f);
    EXPECT_EQ(level::SumOfSquares(Bytes((std::size_t{1} << 24) + 1000, 1)), 16777216.0f);
}

// Reads exactly the bytes it uses (the count, cut to the array's length), in pieces, and
// gives the figure of those bytes alone; nothing to read is silence without touching the
// array.
TEST(Level, ReadsTheCountCutToTheArrayAndNothingElse) {
    // Quiet, then loud past 2^24 early on: the sum's rounding depends on where pieces end.
    Bytes big(40000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] =
            static_cast<std::int8_t>((static_cast<int>(i * 37 % 255) - 127) / (i < 8192 ? 2 : 1));
    // Rows of level/counts.tsv: the array's length, the count given, the bytes used (0:
    // silence) and the figure of those bytes.
    for (const auto& row : testing::FixtureRows("level/counts.tsv")) {
        const struct {
            std::size_t array;
            jint count;
            std::size_t used;
        } c{std::stoul(row.at(0)), static_cast<jint>(std::stol(row.at(1))), std::stoul(row.at(2))};
        FakeJvm vm;
        const std::span<const std::int8_t> bytes(big.data(), c.array);
        EXPECT_EQ(Bits(G501(vm, vm.MakeByteArray({bytes.begin(), bytes.end()}), c.count)),
                  Bits(std::stof(row.at(3))))
            << c.count;
        EXPECT_EQ(vm.region_bytes(), c.used) << c.count;
        EXPECT_EQ(vm.CountOf(JniCall::kGetArrayLength), c.count > 0 ? 1 : 0) << c.count;
        EXPECT_TRUE(vm.violations().empty());
    }
    FakeJvm vm;
    EXPECT_EQ(Bits(G501(vm, nullptr, 8)), Bits(5.0f));
    EXPECT_TRUE(vm.calls().empty());
}

// The buffers every kernel must sum to the serial sum's bits.
template <typename Visit>
void ForEachSweepBuffer(Visit visit) {
    // Full-scale runs whose sum passes 2^24 (1024 bytes of -128) at every length near it; a
    // quiet lead-in of every length moves the crossing across every position of a block, and
    // odd squares past it meet a tie or a rounding.
    for (std::size_t lead = 0; lead <= 300; ++lead) {
        visit(Bytes(lead + 1000, -128));
        visit(Bytes(lead + 1000, 127));
        Bytes bytes(lead, 3);
        bytes.resize(lead + 1100 + lead % 7, -128);
        for (std::size_t i = lead; i < bytes.size(); i += 3) bytes[i] = 101;
        visit(bytes);
    }
    // Loud, varied audio whose sum passes 2^26 and ends near 2^28: from there on a square
    // whose remainder is half a unit is a tie, and the rounding to even decides the sum.
    Bytes loud(50000);
    std::uint32_t state = 1;
    for (std::int8_t& byte : loud) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::int8_t>(state >> 16);
    }
    visit(loud);
    // Its start at every length shorter than a few blocks; a quiet long buffer full of ties.
    for (std::size_t length = 0; length < 200; ++length)
        visit(Bytes(loud.begin(), loud.begin() + static_cast<std::ptrdiff_t>(length)));
    visit(Bytes(std::size_t{5} << 20, 1));
}

class EveryKernel : public ::testing::TestWithParam<level::SumKernel> {};

TEST_P(EveryKernel, GivesTheSerialSumToTheBit) {
    const level::SumKernel& kernel = GetParam();
    if (!kernel.runnable())
        GTEST_SKIP() << "this processor cannot run the " << kernel.name << " kernel";
    ForEachSweepBuffer([&](const Bytes& bytes) {
        float serial = 0.0f;  // each square added in order, the sum rounded every time
        for (std::int8_t byte : bytes) serial = serial + static_cast<float>(int{byte} * int{byte});
        EXPECT_EQ(Bits(level::AddSquaresWith(kernel, 0.0f, bytes)), Bits(serial))
            << kernel.name << ", " << bytes.size() << " bytes";
    });
}

INSTANTIATE_TEST_SUITE_P(Level, EveryKernel,
                         ::testing::ValuesIn(level::Kernels().begin(), level::Kernels().end()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veltrane
