// The running sum of squares, split into what the processor's vector units do fast and the
// serial glue that keeps every figure equal to adding the squares one by one in single
// precision. Each kernel supplies the two bulk steps; AddSquaresWith does the rest.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

namespace veltrane::level {

// Every integer up to 2^24 is a float: while the running sum stays at or below it, adding
// in integers gives the very values that adding in float gives, byte by byte.
inline constexpr std::int32_t kExactLimit = std::int32_t{1} << 24;
inline constexpr std::int32_t kLargestSquare = 128 * 128;

// Past 2^24 the float sum is a multiple of its unit in the last place u = 2^k, and adding a
// square a rounds the sum to a multiple of u, ties to even. Counted in units of u, the sum
// grows by the plain increment (a + u/2 - 1) >> k, which rounds up exactly the remainders
// above u/2, and at a tie (the remainder exactly u/2) by one more when that makes the count
// even again. Only the ties depend on what came before, and only through the count's
// parity: a group of samples is added at once from its plain increments and two bit masks.
inline constexpr std::size_t kGroup = 64;
// u/2 must fit 16-bit lanes. It always does: from 2^38 on (u = 2^15) no square is more
// than half a unit and the sum stays where it is.
inline constexpr int kWidestUnit = 15;

// What a kernel reports of one group, bit i standing for its sample i.
struct GroupBits {
    std::uint64_t parity = 0;  // the parity of the sample's plain increment
    std::uint64_t ties = 0;    // the sample's remainder is exactly u/2
};

// The count in units of u before and after whole groups, and its parity between them.
struct Units {
    std::uint64_t count = 0;  // without the plain increments, which a kernel adds itself
    bool odd = false;         // the parity of the whole count, plain increments included
};

// Inclusive prefix XOR: bit i becomes the parity of bits 0 to i.
constexpr std::uint64_t PrefixParity(std::uint64_t bits) {
    for (int shift = 1; shift < 64; shift *= 2) bits ^= bits << shift;
    return bits;
}

// Adds the ties of one group that round up, in order. A tie rounds up when the count just
// before it is odd, and always leaves it even; so from the second tie on, whether a tie
// rounds up depends on the plain increments since the tie before it only. Carry chains copy
// the running parity at each tie forward to the next: a carry starts at a tie whose running
// parity is odd, runs through samples without a tie and dies at a tie whose running parity
// is even. The first tie alone depends on the parity the group starts with; it stays off
// the chain of additions, so groups can follow each other without waiting for a count.
inline void AddTies(const GroupBits& group, Units& units) {
    const std::uint64_t running = PrefixParity(group.parity);
    const bool last_odd = (running >> 63) != 0;
    if (group.ties == 0) {
        units.odd = units.odd != last_odd;
        return;
    }
    const std::uint64_t odd_ties = group.ties & running;
    const std::uint64_t passes = ~group.ties | odd_ties;
    const std::uint64_t at_last_tie = (passes + odd_ties) ^ passes ^ odd_ties;
    const std::uint64_t first_tie = group.ties & (~group.ties + 1);
    const bool first_odd = (running & first_tie) != 0;
    // Counted as if the group started even; the first tie is then put right.
    units.count += static_cast<std::uint64_t>(std::popcount(group.ties & (running ^ at_last_tie)));
    units.count +=
        static_cast<std::uint64_t>(units.odd != first_odd) - static_cast<std::uint64_t>(first_odd);
    // Even at the last tie, then the plain increments after it.
    const std::uint64_t last_tie = std::uint64_t{1} << (63 - std::countl_zero(group.ties));
    units.odd = last_odd != ((running & last_tie) != 0);
}

// The bulk steps of one kernel.
struct SumSteps {
    // Adds whole blocks of samples from the start while the sum stays at or below
    // kExactLimit; returns how many samples it added. A block past the limit stays out.
    std::size_t (*add_exact_blocks)(const std::int8_t* samples, std::size_t count,
                                    std::int32_t& exact);
    // Adds `groups` whole groups whose sums all stay within the binade of unit 2^k
    // (1 <= k <= kWidestUnit); null when the kernel leaves every rounding to the serial loop.
    void (*add_rounded_groups)(const std::int8_t* samples, std::size_t groups, int k, Units& units);
};

// The kernels of this build, each in its own source.
extern const SumSteps kSerialSteps;
#if defined(__SSE2__)
extern const SumSteps kSse2Steps;
#endif
#if defined(__x86_64__)
extern const SumSteps kAvx2Steps;
#endif

// The running sum `sum` with the squares of the samples added in order, each addition
// rounded to single precision, the bulk of the work done by `steps`.
float AddSquaresWith(const SumSteps& steps, float sum, std::span<const std::int8_t> samples);

}  // namespace veltrane::level
