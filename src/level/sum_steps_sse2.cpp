// The SSE2 kernel: every x86 processor this library runs on has it, the 32-bit ones too.
#if defined(__SSE2__)
#include <emmintrin.h>

#include "level/sum_steps.h"

namespace veltrane::level {
namespace {

// A block's squares fit 32-bit lanes with room to spare.
constexpr std::size_t kBlock = 256;

// Signed bytes as 16-bit lanes: each byte doubled into a lane, shifted back with its sign.
__m128i LowSamples(__m128i bytes) {
    return _mm_srai_epi16(_mm_unpacklo_epi8(bytes, bytes), 8);
}
__m128i HighSamples(__m128i bytes) {
    return _mm_srai_epi16(_mm_unpackhi_epi8(bytes, bytes), 8);
}

std::uint32_t LaneTotal(__m128i lanes) {
    lanes = _mm_add_epi32(lanes, _mm_shuffle_epi32(lanes, _MM_SHUFFLE(1, 0, 3, 2)));
    lanes = _mm_add_epi32(lanes, _mm_shuffle_epi32(lanes, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(lanes));
}

std::int32_t BlockSum(const std::int8_t* samples) {
    __m128i sum = _mm_setzero_si128();
    for (std::size_t at = 0; at < kBlock; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + at));
        const __m128i low = LowSamples(bytes);
        const __m128i high = HighSamples(bytes);
        sum =
            _mm_add_epi32(sum, _mm_add_epi32(_mm_madd_epi16(low, low), _mm_madd_epi16(high, high)));
    }
    return static_cast<std::int32_t>(LaneTotal(sum));
}

std::size_t AddExactBlocks(const std::int8_t* samples, std::size_t count, std::int32_t& exact) {
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
    explicit Binade(int k)
        : bias(_mm_set1_epi16(static_cast<short>((1 << (k - 1)) - 1))),
          down(_mm_cvtsi32_si128(k)),
          up(_mm_cvtsi32_si128(15 - k)),
          // A square's remainder is u/2 only for odd k, and then exactly for the samples
          // with (k - 1) / 2 trailing zero bits; for even k the test never matches.
          tie_mask(_mm_set1_epi8(static_cast<char>(k % 2 != 0 ? (1 << (k + 1) / 2) - 1 : 0))),
          tie_value(_mm_set1_epi8(static_cast<char>(k % 2 != 0 ? 1 << (k - 1) / 2 : 1))) {}
    __m128i bias;  // u/2 - 1
    __m128i down;  // k
    __m128i up;    // 15 - k
    __m128i tie_mask;
    __m128i tie_value;
};

// Plain increments of eight samples added to `plain`; their parities in the lanes' top bits.
__m128i Increments(__m128i samples, const Binade& binade, __m128i& plain) {
    const __m128i biased = _mm_add_epi16(_mm_mullo_epi16(samples, samples), binade.bias);
    plain =
        _mm_add_epi32(plain, _mm_madd_epi16(_mm_srl_epi16(biased, binade.down), _mm_set1_epi16(1)));
    return _mm_sll_epi16(biased, binade.up);
}

GroupBits Group(const std::int8_t* samples, const Binade& binade, __m128i& plain) {
    GroupBits group;
    for (std::size_t at = 0; at < kGroup; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + at));
        const __m128i low = Increments(LowSamples(bytes), binade, plain);
        const __m128i high = Increments(HighSamples(bytes), binade, plain);
        const auto parity =
            static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
        const auto ties = static_cast<std::uint16_t>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_and_si128(bytes, binade.tie_mask), binade.tie_value)));
        group.parity |= std::uint64_t{parity} << at;
        group.ties |= std::uint64_t{ties} << at;
    }
    return group;
}

void AddRoundedGroups(const std::int8_t* samples, std::size_t groups, int k, Units& units) {
    const Binade binade(k);
    __m128i plain = _mm_setzero_si128();
    for (std::size_t g = 0; g < groups; ++g) {
        AddTies(Group(samples + g * kGroup, binade, plain), units);
    }
    units.count += LaneTotal(plain);
}

}  // namespace

const SumSteps kSse2Steps = {AddExactBlocks, AddRoundedGroups};

}  // namespace veltrane::level
#endif
