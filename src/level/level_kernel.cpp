#include "level/level_kernel.h"

#include <algorithm>
#include <bit>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Samples added one by one between attempts at whole groups.
constexpr std::size_t kGroupStep = 64;

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

#if defined(__SSE2__)
// Past 2^24 the float sum is a multiple of its unit in the last place u = 2^k, and adding a
// square a rounds the sum to a multiple of u, ties to even. Counted in units of u, the sum
// grows by a >> k, by one more when the remainder a mod u is above u/2, and at a tie (the
// remainder exactly u/2) by one more when that makes the count even again. Only the ties
// depend on what came before, and only through the count's parity: a group of samples is
// added at once from its plain increments and the parity at each of its ties.
constexpr std::size_t kGroup = 64;
// u/2 must fit the 16-bit lanes. It always does: from 2^38 on (u = 2^15) no square is more
// than half a unit and the sum stays where it is.
constexpr int kWidestUnit = 15;

// Inclusive prefix XOR: bit i becomes the parity of bits 0 to i.
constexpr std::uint64_t PrefixParity(std::uint64_t bits) {
    for (int shift = 1; shift < 64; shift *= 2) bits ^= bits << shift;
    return bits;
}

struct GroupIncrements {
    std::uint32_t plain = 0;   // the sum of a >> k, plus one where the remainder is above u/2
    std::uint64_t parity = 0;  // bit i: the parity of sample i's plain increment
    std::uint64_t ties = 0;    // bit i: sample i's remainder is exactly u/2
};

GroupIncrements Increments(const std::int8_t* samples, int k) {
    const __m128i unit_mask = _mm_set1_epi16(static_cast<short>((1 << k) - 1));
    const __m128i half = _mm_set1_epi16(static_cast<short>(1 << (k - 1)));
    const __m128i shift = _mm_cvtsi32_si128(k);
    const __m128i ones = _mm_set1_epi16(1);
    __m128i plain = _mm_setzero_si128();
    GroupIncrements group;
    for (std::size_t at = 0; at < kGroup; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + at));
        __m128i parity_lanes[2];
        __m128i tie_lanes[2];
        for (int half_index = 0; half_index < 2; ++half_index) {
            const __m128i widened =
                half_index == 0 ? _mm_unpacklo_epi8(bytes, bytes) : _mm_unpackhi_epi8(bytes, bytes);
            const __m128i value = _mm_srai_epi16(widened, 8);
            const __m128i square = _mm_mullo_epi16(value, value);  // at most 16384
            const __m128i remainder = _mm_and_si128(square, unit_mask);
            const __m128i above = _mm_cmpgt_epi16(remainder, half);  // -1 where rounded up
            const __m128i increment = _mm_sub_epi16(_mm_srl_epi16(square, shift), above);
            plain = _mm_add_epi32(plain, _mm_madd_epi16(increment, ones));
            parity_lanes[half_index] = _mm_slli_epi16(increment, 15);
            tie_lanes[half_index] = _mm_cmpeq_epi16(remainder, half);
        }
        const auto parity = static_cast<std::uint64_t>(static_cast<std::uint16_t>(
            _mm_movemask_epi8(_mm_packs_epi16(parity_lanes[0], parity_lanes[1]))));
        const auto ties = static_cast<std::uint64_t>(static_cast<std::uint16_t>(
            _mm_movemask_epi8(_mm_packs_epi16(tie_lanes[0], tie_lanes[1]))));
        group.parity |= parity << at;
        group.ties |= ties << at;
    }
    plain = _mm_add_epi32(plain, _mm_shuffle_epi32(plain, _MM_SHUFFLE(1, 0, 3, 2)));
    plain = _mm_add_epi32(plain, _mm_shuffle_epi32(plain, _MM_SHUFFLE(2, 3, 0, 1)));
    group.plain = static_cast<std::uint32_t>(_mm_cvtsi128_si32(plain));
    return group;
}

// Set bits, without relying on a population count instruction.
constexpr int CountBits(std::uint64_t bits) {
    bits = bits - ((bits >> 1) & 0x5555555555555555u);
    bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<int>((bits * 0x0101010101010101u) >> 56);
}

// The ties that add one: those where the count in units, before its rounding, is odd. That
// parity is the parity of the plain increments since the last tie (a tie always leaves the
// count even), or since the group's start, with the parity the count had there.
int RoundedUpTies(const GroupIncrements& group, std::uint64_t start_parity) {
    const std::uint64_t running = PrefixParity(group.parity);
    // Carry chains copy the running parity at each tie forward to the next tie: a carry
    // starts at a tie whose running parity is odd, runs through samples without a tie and
    // dies at a tie whose running parity is even. The carry-in is the start parity.
    const std::uint64_t odd_ties = group.ties & running;
    const std::uint64_t passes = ~group.ties | odd_ties;
    const std::uint64_t at_last_tie = (passes + odd_ties + start_parity) ^ passes ^ odd_ties;
    return CountBits(group.ties & (running ^ at_last_tie));
}

// Adds whole groups while the sum stays within one binade (one u), and returns where it
// stopped: at the end, before a group that could reach the next binade, or at once when the
// sum is below 2^24 or its unit too wide for the lanes.
std::size_t AddRoundedGroups(const std::int8_t* data, std::size_t i, std::size_t count,
                             float& sum) {
    if (!(sum >= static_cast<float>(kExactLimit))) return i;
    auto total = static_cast<std::uint64_t>(sum);
    while (count - i >= kGroup) {
        const int k = std::bit_width(total) - 24;
        if (k > kWidestUnit) break;
        const std::uint64_t unit = std::uint64_t{1} << k;
        const std::uint64_t binade_end = std::uint64_t{1} << (24 + k);
        // No group adds more than this, rounding included.
        const std::uint64_t most = kGroup * (kLargestSquare + unit);
        if (total + most >= binade_end) break;
        // Groups that all start and end within the binade: one u for all of them.
        const std::size_t groups = static_cast<std::size_t>(
            std::min<std::uint64_t>((count - i) / kGroup, (binade_end - 1 - total) / most));
        std::uint64_t units = total >> k;
        for (std::size_t g = 0; g < groups; ++g, i += kGroup) {
            const GroupIncrements group = Increments(data + i, k);
            // Both outcomes ahead of time: only the choice waits for the previous group.
            const int if_even = RoundedUpTies(group, 0);
            const int if_odd = RoundedUpTies(group, 1);
            units += group.plain + static_cast<std::uint64_t>((units & 1) != 0 ? if_odd : if_even);
        }
        total = units << k;
    }
    sum = static_cast<float>(total);  // exact: a multiple of u below 2^(24 + k)
    return i;
}
#else
std::size_t AddRoundedGroups(const std::int8_t*, std::size_t i, std::size_t, float&) {
    return i;
}
#endif

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

    // From there on every addition rounds: whole groups where they can be added at once,
    // one by one in order across the edge of a binade and at the end.
    float sum = static_cast<float>(exact);
    while (i < count) {
        i = AddRoundedGroups(data, i, count, sum);
        const std::size_t stop = std::min(count, i + kGroupStep);
        for (; i < stop; ++i) sum += static_cast<float>(Square(data[i]));
    }
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
