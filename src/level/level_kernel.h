// The level figure of a buffer of signed 8-bit samples, without any JNI: 5 for silence,
// 0 when the root mean square is exactly 127, growing with its distance from 127.
//
// Every step is rounded to single precision at the same points as the serial computation
// it stands for: the running sum of squares after each byte, the mean, the root, the
// deviation and the result. Equal buffers give bit-identical figures on every build.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace veltrane::level {

// The figure of an empty buffer: nothing heard is silence.
inline constexpr float kSilenceLevel = 5.0f;

// The running sum `sum` with the squares of the samples added in order, rounded to single
// precision after every addition. A buffer read in pieces, each added to the sum the one
// before left, gives the same bits as the whole buffer at once.
float AddSquares(float sum, std::span<const std::int8_t> samples);

// The sum of the squares of the samples, from 0.
float SumOfSquares(std::span<const std::int8_t> samples);

// The figure for a sum of squares over `count` samples (count >= 1).
float LevelOfSum(float sum_of_squares, std::size_t count);

// The figure of the buffer; kSilenceLevel when it is empty.
float SignalLevel(std::span<const std::int8_t> samples);

}  // namespace veltrane::level
