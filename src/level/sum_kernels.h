// The kernels that add up squares, and the choice among them at run time: each gives the
// same bits as adding the squares one by one in single precision, the faster ones only
// on the processors that have their instructions.
#pragma once

#include <cstdint>
#include <span>

namespace veltrane::level {

struct SumSteps;

struct SumKernel {
    const char* name;
    const SumSteps* steps;
    bool (*runnable)();  // whether this processor has the kernel's instructions
};

// Every kernel of this build, the fastest first; the last one runs everywhere.
std::span<const SumKernel> Kernels();

// The first kernel of Kernels() that this processor runs.
const SumKernel& FastestKernel();

// The running sum `sum` with the squares of the samples added in order by `kernel`.
float AddSquaresWith(const SumKernel& kernel, float sum, std::span<const std::int8_t> samples);

}  // namespace veltrane::level
