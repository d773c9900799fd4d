#include "failing_steps.h"

#include <atomic>

namespace veltrane::testing {
namespace {

std::atomic<unsigned> g_failing{0};

unsigned Bit(Step step) {
    return 1U << static_cast<unsigned>(step);
}

}  // namespace

FailingSteps::FailingSteps(const std::vector<Step>& steps) {
    unsigned bits = 0;
    for (Step step : steps) bits |= Bit(step);
    g_failing = bits;
}

FailingSteps::~FailingSteps() {
    g_failing = 0;
}

bool StepFails(Step step) {
    return (g_failing.load() & Bit(step)) != 0;
}

}  // namespace veltrane::testing
