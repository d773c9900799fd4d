#include "level/level_kernel.h"

#include <cmath>

#include "level/sum_kernels.h"

namespace veltrane::level {

float AddSquares(float sum, std::span<const std::int8_t> samples) {
    return AddSquaresWith(FastestKernel(), sum, samples);
}

float SumOfSquares(std::span<const std::int8_t> samples) {
    return AddSquares(0.0f, samples);
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
