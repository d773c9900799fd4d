#include "level/sum_kernels.h"

#include "level/sum_steps.h"

namespace veltrane::level {
namespace {

[[maybe_unused]] bool Always() {
    return true;
}

#if defined(__x86_64__)
// The processor's feature flags, which the runtime reads once when the library is loaded;
// they include whether the system saves the wide registers.
bool HasAvx2() {
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}
#endif

constexpr SumKernel kKernels[] = {
#if defined(__x86_64__)
    {"avx2", &kAvx2Steps, HasAvx2},
#endif
#if defined(__SSE2__)
    {"sse2", &kSse2Steps, Always},
#endif
    {"serial", &kSerialSteps, Always},
};

}  // namespace

std::span<const SumKernel> Kernels() {
    return kKernels;
}

const SumKernel& FastestKernel() {
    for (const SumKernel& kernel : kKernels) {
        if (kernel.runnable()) return kernel;
    }
    return kKernels[std::size(kKernels) - 1];
}

float AddSquaresWith(const SumKernel& kernel, float sum, std::span<const std::int8_t> samples) {
    return AddSquaresWith(*kernel.steps, sum, samples);
}

}  // namespace veltrane::level
