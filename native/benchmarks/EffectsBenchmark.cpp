// The effects chain on the engine's render chunks: 128 frames at 48 kHz with every effect
// on. The ns_per_sample counter is the time for one stereo frame.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "Effects.h"
#include "Zones.h"

namespace {

constexpr int kFrames = 128;

void BM_EffectsCompute(benchmark::State& state) {
  auto effects = std::make_unique<strobe95::gen::Effects>();
  effects->init(48000);
  strobe95::Zones zones;
  effects->buildUserInterface(&zones);
  *zones.find("drive") = 0.5f;
  *zones.find("chorus") = 0.5f;
  *zones.find("delay_mix") = 0.4f;
  *zones.find("delay_feedback") = 0.6f;
  *zones.find("reverb_mix") = 0.3f;

  std::array<float, kFrames> inLeft{}, inRight{}, outLeft{}, outRight{};
  unsigned seed = 1;
  for (int n = 0; n < kFrames; ++n) {
    seed = seed * 1664525u + 1013904223u;
    inLeft[n] = static_cast<float>(seed >> 8) * 0x1p-24f - 0.5f;
    inRight[n] = -inLeft[n];
  }
  float* inputs[2] = {inLeft.data(), inRight.data()};
  float* outputs[2] = {outLeft.data(), outRight.data()};
  for (auto _ : state) {
    effects->compute(kFrames, inputs, outputs);
    benchmark::DoNotOptimize(outLeft.data());
    benchmark::DoNotOptimize(outRight.data());
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_sample"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kFrames,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_EffectsCompute);

}  // namespace
