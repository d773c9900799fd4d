// The level kernel's throughput next to memcpy of the same buffer: speech-like samples (the
// sample recording, repeated to the size), silence and full-scale noise.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

#include "level/level_kernel.h"

namespace {

using Bytes = std::vector<std::int8_t>;

Bytes Speech(std::size_t size) {
    std::ifstream file(VELTRANE_SAMPLE_AUDIO, std::ios::binary);
    const std::vector<char> recording{std::istreambuf_iterator<char>(file), {}};
    if (recording.empty()) throw std::runtime_error("no sample audio at " VELTRANE_SAMPLE_AUDIO);
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::int8_t>(recording[i % recording.size()]);
    }
    return bytes;
}

Bytes Noise(std::size_t size) {
    std::mt19937 random(1);
    Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::int8_t>(random());
    return bytes;
}

void Level(benchmark::State& state, Bytes (*make)(std::size_t)) {
    const Bytes bytes = make(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(veltrane::level::SignalLevel(bytes));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void Memcpy(benchmark::State& state) {
    const Bytes bytes = Speech(static_cast<std::size_t>(state.range(0)));
    Bytes copy(bytes.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

Bytes Silence(std::size_t size) {
    return Bytes(size, 0);
}

#define SIZES Arg(160)->Arg(8 << 10)->Arg(1 << 20)
BENCHMARK_CAPTURE(Level, speech, Speech)->SIZES;
BENCHMARK_CAPTURE(Level, silence, Silence)->SIZES;
BENCHMARK_CAPTURE(Level, noise, Noise)->SIZES;
BENCHMARK(Memcpy)->SIZES;

}  // namespace

BENCHMARK_MAIN();
