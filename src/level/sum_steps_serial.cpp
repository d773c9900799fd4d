// The kernel without vector intrinsics: blocks of independent integer additions that the
// compiler vectorises as it can, every rounding left to the serial loop. It runs anywhere.
#include "level/sum_steps.h"

namespace veltrane::level {
namespace {

constexpr std::size_t kBlock = 256;

std::size_t AddExactBlocks(const std::int8_t* samples, std::size_t count, std::int32_t& exact) {
    std::size_t i = 0;
    for (; count - i >= kBlock; i += kBlock) {
        std::int32_t block = 0;
        for (std::size_t j = 0; j < kBlock; ++j) {
            block += std::int32_t{samples[i + j]} * std::int32_t{samples[i + j]};
        }
        if (block > kExactLimit - exact) break;
        exact += block;
    }
    return i;
}

}  // namespace

const SumSteps kSerialSteps = {AddExactBlocks, nullptr};

}  // namespace veltrane::level
