// The level figures from the built binary: the same bits on every build, the 32-bit DLL
// included.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "fake_jni.h"
#include "loaded_library.h"

namespace veltrane {
namespace {

using testing::BuiltLibrary;
using testing::FakeJvm;
using testing::LoadedLibrary;
using testing::NativeExportName;

using LevelMethod = jfloat(JNICALL*)(JNIEnv*, jclass, jbyteArray, jint);

class LevelLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(library_.loaded());
        g501_ = library_.Function<LevelMethod>(
            NativeExportName("Java_com_quorindel_veltrane_E_A_A_g501", 16));
        ASSERT_NE(g501_, nullptr);
    }
    std::uint32_t LevelBits(const std::vector<std::int8_t>& bytes, jint count) {
        return std::bit_cast<std::uint32_t>(
            g501_(vm_.env(), nullptr, vm_.MakeByteArray(bytes), count));
    }
    static std::uint32_t Bits(float value) { return std::bit_cast<std::uint32_t>(value); }

    LoadedLibrary library_{BuiltLibrary()};
    LevelMethod g501_ = nullptr;
    FakeJvm vm_;
};

TEST_F(LevelLibrary, KnownFiguresToTheBit) {
    using Bytes = std::vector<std::int8_t>;
    EXPECT_EQ(LevelBits(Bytes(8, 0), 8), Bits(5.0f));
    EXPECT_EQ(LevelBits(Bytes(8, 127), 8), Bits(0.0f));
    EXPECT_EQ(LevelBits(Bytes(8, -127), 8), Bits(0.0f));
    EXPECT_EQ(LevelBits(Bytes(8, -128), 8), Bits(0.039370079f));
    EXPECT_EQ(LevelBits({3, -4}, 2), Bits(4.860806f));
    EXPECT_EQ(LevelBits({64}, 1), Bits(2.480315f));
    EXPECT_EQ(LevelBits(Bytes(4, -1), 4), Bits(4.9606299f));
    EXPECT_EQ(LevelBits(Bytes(10, 100), 10), Bits(1.0629921f));
    EXPECT_EQ(LevelBits(Bytes(2000, 127), 2000), Bits(0.000074491727f));
    EXPECT_EQ(LevelBits({3, -4, 127}, 2), Bits(4.860806f));
    EXPECT_EQ(LevelBits({3, -4}, 50), Bits(4.860806f));
    EXPECT_EQ(LevelBits({3, -4}, 0), Bits(5.0f));
    EXPECT_TRUE(vm_.violations().empty());
}

TEST_F(LevelLibrary, LongBufferPastTwoToTheTwentyFourMatchesASerialSum) {
    // The serial float loop written out here, compiled into this test program: the binary's
    // figure for the same bytes must carry the same bits.
    std::mt19937 random(5);
    std::vector<std::int8_t> bytes(300000);
    for (auto& byte : bytes) byte = static_cast<std::int8_t>(random());
    float sum = 0.0f;
    for (std::int8_t byte : bytes) sum = sum + static_cast<float>(int{byte} * int{byte});
    const float mean = static_cast<float>(static_cast<double>(sum) / bytes.size());
    const float rms = static_cast<float>(std::sqrt(static_cast<double>(mean)));
    float deviation = static_cast<float>((127.0 - rms) / 127.0);
    if (deviation < 0.0f) deviation = -deviation;
    const float expected = static_cast<float>(deviation * 5.0);
    EXPECT_EQ(LevelBits(bytes, static_cast<jint>(bytes.size())), Bits(expected));
}

}  // namespace
}  // namespace veltrane
