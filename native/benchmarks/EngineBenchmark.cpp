// The engine's full load: 16 voices sounding through every effect, 48 kHz, 128-frame
// blocks; the same with 1, 4 and 8 voices, so the cost's growth with voices shows; and an
// idle engine whose effects' tails have ended. Items are output frames, so
// items_per_second / 48000 is the factor over real time on one core.
#include <benchmark/benchmark.h>

#include "EngineWorkloads.h"

namespace strobe95 {
namespace {

using namespace workloads;

void report(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kFrames);
  state.counters["x_realtime"] =
      benchmark::Counter(double(state.iterations()) * kFrames / kRate, benchmark::Counter::kIsRate);
}

void engineLoad(benchmark::State& state) {
  Engine engine(kVoiceCount, kRate);
  Block block;
  startLoad(engine, block, static_cast<int>(state.range(0)));
  for (auto _ : state) {
    block.process(engine);
    benchmark::DoNotOptimize(block.left.data());
  }
  report(state);
}
BENCHMARK(engineLoad)->Arg(16)->Arg(1)->Arg(4)->Arg(8);

void engineIdle(benchmark::State& state) {
  Engine engine(kVoiceCount, kRate);
  Block block;
  settleIdle(engine, block);
  for (auto _ : state) {
    block.process(engine);
    benchmark::DoNotOptimize(block.left.data());
  }
  report(state);
}
BENCHMARK(engineIdle);

}  // namespace
}  // namespace strobe95
