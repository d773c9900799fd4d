// The AVX2 kernel, for 64-bit x86 processors that have it. Every function that uses its
// instructions says so itself, so nothing of it can run on a processor without them
// unless the dispatcher picked it.
#if defined(__x86_64__)
#include <immintrin.h>

#include "level/sum_steps.h"

#define VELTRANE_AVX2 __attribute__((target("avx2,popcnt")))

namespace veltrane::level {
namespace {

// A block's squares fit 32-bit lanes with room to spare.
constexpr std::size_t kBlock = 512;

VELTRANE_AVX2 __m256i Samples(const std::int8_t* samples) {
    return _mm256_cvtepi8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(samples)));
}

VELTRANE_AVX2 std::uint32_t LaneTotal(__m256i lanes) {
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(1, 0, 3, 2)));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(sum));
}

VELTRANE_AVX2 std::int32_t BlockSum(const std::int8_t* samples) {
    __m256i even = _mm256_setzero_si256();
    __m256i odd = _mm256_setzero_si256();
    for (std::size_t at = 0; at < kBlock; at += 32) {
        const __m256i low = Samples(samples + at);
        const __m256i high = Samples(samples + at + 16);
        even = _mm256_add_epi32(even, _mm256_madd_epi16(low, low));
        odd = _mm256_add_epi32(odd, _mm256_madd_epi16(high, high));
    }
    return static_cast<std::int32_t>(LaneTotal(_mm256_add_epi32(even, odd)));
}

VELTRANE_AVX2 std::size_t AddExactBlocks(const std::int8_t* samples, std::size_t count,
                                         std::int32_t& exact) {
    std::size_t i = 0;
    for (; count - i >= kBlock; i += kBlock) {
        const std::int32_t block = BlockSum(samples + i);
        if (block > kExactLimit - exact) break;
        exact += block;
    }
    return i;
}

// The constants of one binade of unit 2^k.
struct Binade {
    __m256i bias;  // u/2 - 1
    __m128i down;  // k
    __m128i up;    // 15 - k
    // A square's remainder is u/2 only for odd k, and then exactly for the samples with
    // (k - 1) / 2 trailing zero bits; for even k the test never matches.
    __m256i tie_mask;
    __m256i tie_value;
};

VELTRANE_AVX2 Binade BinadeOf(int k) {
    return {_mm256_set1_epi16(static_cast<short>((1 << (k - 1)) - 1)), _mm_cvtsi32_si128(k),
            _mm_cvtsi32_si128(15 - k),
            _mm256_set1_epi8(static_cast<char>(k % 2 != 0 ? (1 << (k + 1) / 2) - 1 : 0)),
            _mm256_set1_epi8(static_cast<char>(k % 2 != 0 ? 1 << (k - 1) / 2 : 1))};
}

// Plain increments of sixteen samples added to `plain`; their parities in the lanes' top bits.
VELTRANE_AVX2 __m256i Increments(__m256i samples, const Binade& binade, __m256i& plain) {
    const __m256i biased = _mm256_add_epi16(_mm256_mullo_epi16(samples, samples), binade.bias);
    plain = _mm256_add_epi32(
        plain, _mm256_madd_epi16(_mm256_srl_epi16(biased, binade.down), _mm256_set1_epi16(1)));
    return _mm256_sll_epi16(biased, binade.up);
}

VELTRANE_AVX2 GroupBits Group(const std::int8_t* samples, const Binade& binade, __m256i& plain) {
    GroupBits group;
    for (std::size_t at = 0; at < kGroup; at += 32) {
        const __m256i low = Increments(Samples(samples + at), binade, plain);
        const __m256i high = Increments(Samples(samples + at + 16), binade, plain);
        // The pack interleaves the halves of its two inputs; the permutation restores order.
        const __m256i packed =
            _mm256_permute4x64_epi64(_mm256_packs_epi16(low, high), _MM_SHUFFLE(3, 1, 2, 0));
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(samples + at));
        const __m256i ties =
            _mm256_cmpeq_epi8(_mm256_and_si256(bytes, binade.tie_mask), binade.tie_value);
        group.parity |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(packed))}
                        << at;
        group.ties |= std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(ties))} << at;
    }
    return group;
}

VELTRANE_AVX2 void AddRoundedGroups(const std::int8_t* samples, std::size_t groups, int k,
                                    Units& units) {
    const Binade binade = BinadeOf(k);
    __m256i plain = _mm256_setzero_si256();
    for (std::size_t g = 0; g < groups; ++g) {
        AddTies(Group(samples + g * kGroup, binade, plain), units);
    }
    units.count += LaneTotal(plain);
}

}  // namespace

const SumSteps kAvx2Steps = {AddExactBlocks, AddRoundedGroups};

}  // namespace veltrane::level
#endif
