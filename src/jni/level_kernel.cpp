#include "jni/level_kernel.h"

#include <cmath>

namespace veltrane::level {
namespace {

// Every integer up to 2^24 is a float: while the running sum stays at or below it, adding
// in integers gives the very values that adding in float gives, byte by byte.
constexpr std::int32_t kExactLimit = std::int32_t{1} << 24;
constexpr std::int32_t kLargestSquare = 128 * 128;
// A block whose worst case cannot take an exact sum past the limit on its own.
constexpr std::size_t kBlock = 256;
constexpr std::int32_t kBlockHeadroom =
    kExactLimit - static_cast<std::int32_t>(kBlock) * kLargestSquare;

constexpr std::int32_t Square(std::int8_t sample) {
    return std::int32_t{sample} * std::int32_t{sample};
}

// Independent integer additions: the compiler turns these into vector code.
std::int32_t BlockSum(const std::int8_t* samples) {
    std::int32_t sum = 0;
    for (std::size_t i = 0; i < kBlock; ++i) sum += Square(samples[i]);
    return sum;
}

std::int32_t ShortSum(const std::int8_t* samples, std::size_t count) {
    std::int32_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum += Square(samples[i]);
    return sum;
}

}  // namespace

float SumOfSquares(std::span<const std::int8_t> samples) {
    const std::int8_t* data = samples.data();
    const std::size_t count = samples.size();
    std::size_t i = 0;

    // Exact stretch, whole blocks while a block cannot cross the limit...
    std::int32_t exact = 0;
    while (count - i >= kBlock && exact <= kBlockHeadroom) {
        exact += BlockSum(data + i);
        i += kBlock;
    }
    // ...and the rest in one go if even its worst case stays within it...
    const std::size_t rest = count - i;
    if (rest < kBlock && exact <= kExactLimit - static_cast<std::int32_t>(rest) * kLargestSquare) {
        exact += ShortSum(data + i, rest);
        i = count;
    }
    // ...then byte by byte up to the first sum past it.
    for (; i < count; ++i) {
        const std::int32_t next = exact + Square(data[i]);
        if (next > kExactLimit) break;
        exact = next;
    }

    // From there on every addition rounds, in order.
    float sum = static_cast<float>(exact);
    for (; i < count; ++i) sum += static_cast<float>(Square(data[i]));
    return sum;
}

float LevelOfSum(float sum_of_squares, std::size_t count) {
    // The count is divided as the exact integer it is, not as a float.
    const float mean =
        static_cast<float>(static_cast<double>(sum_of_squares) / static_cast<double>(count));
    const float rms = static_cast<float>(std::sqrt(static_cast<double>(mean)));
    // 127 - rms is exact in double; only the quotient is rounded.
    float deviation = static_cast<float>((127.0 - static_cast<double>(rms)) / 127.0);
    if (deviation < 0.0f) deviation = deviation * -1.0f;
    return static_cast<float>(static_cast<double>(deviation) * 5.0);
}

float SignalLevel(std::span<const std::int8_t> samples) {
    if (samples.empty()) return kSilenceLevel;
    return LevelOfSum(SumOfSquares(samples), samples.size());
}

}  // namespace veltrane::level
