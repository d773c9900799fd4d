#include <algorithm>
#include <bit>

#include "level/sum_steps.h"

namespace veltrane::level {
namespace {

constexpr std::int32_t Square(std::int8_t sample) {
    return std::int32_t{sample} * std::int32_t{sample};
}

// Samples added one by one between attempts at whole groups.
constexpr std::size_t kGroupStep = kGroup;

// The exact stretch: whole blocks, then the rest in one go if even its worst case stays
// within the limit, then byte by byte up to the first sum past it.
std::size_t AddExact(const SumSteps& steps, const std::int8_t* data, std::size_t count,
                     std::int32_t& exact) {
    std::size_t i = steps.add_exact_blocks(data, count, exact);
    const std::size_t rest = count - i;
    if (rest <= static_cast<std::size_t>((kExactLimit - exact) / kLargestSquare)) {
        // Independent integer additions: the compiler turns these into vector code.
        std::int32_t sum = 0;
        for (; i < count; ++i) sum += Square(data[i]);
        exact += sum;
        return count;
    }
    for (; i < count; ++i) {
        const std::int32_t next = exact + Square(data[i]);
        if (next > kExactLimit) break;
        exact = next;
    }
    return i;
}

// Adds whole groups while the sum stays within one binade (one u), and returns where it
// stopped: at the end, before a group that could reach the next binade, or at once when the
// sum is below 2^24, the kernel has no such step or the unit is too wide for its lanes.
std::size_t AddRoundedGroups(const SumSteps& steps, const std::int8_t* data, std::size_t i,
                             std::size_t count, float& sum) {
    if (steps.add_rounded_groups == nullptr || sum < static_cast<float>(kExactLimit)) return i;
    auto total = static_cast<std::uint64_t>(sum);
    while (count - i >= kGroup) {
        const int k = std::bit_width(total) - 24;
        if (k > kWidestUnit) break;
        const std::uint64_t unit = std::uint64_t{1} << k;
        const std::uint64_t binade_end = std::uint64_t{1} << (24 + k);
        // No group adds more than this, rounding included.
        const std::uint64_t most = kGroup * (kLargestSquare + unit);
        if (total + most >= binade_end) break;
        const auto groups = static_cast<std::size_t>(
            std::min<std::uint64_t>((count - i) / kGroup, (binade_end - 1 - total) / most));
        Units units{total >> k, ((total >> k) & 1) != 0};
        steps.add_rounded_groups(data + i, groups, k, units);
        i += groups * kGroup;
        total = units.count << k;
    }
    sum = static_cast<float>(total);  // exact: a multiple of u below 2^(24 + k)
    return i;
}

}  // namespace

float AddSquaresWith(const SumSteps& steps, float sum, std::span<const std::int8_t> samples) {
    const std::int8_t* data = samples.data();
    const std::size_t count = samples.size();
    std::size_t i = 0;
    if (sum <= static_cast<float>(kExactLimit)) {
        auto exact = static_cast<std::int32_t>(sum);
        i = AddExact(steps, data, count, exact);
        sum = static_cast<float>(exact);
    }
    // From there on every addition rounds: whole groups where they can be added at once,
    // one by one in order across the edge of a binade and at the end.
    while (i < count) {
        i = AddRoundedGroups(steps, data, i, count, sum);
        const std::size_t stop = std::min(count, i + kGroupStep);
        for (; i < stop; ++i) sum += static_cast<float>(Square(data[i]));
    }
    return sum;
}

}  // namespace veltrane::level
