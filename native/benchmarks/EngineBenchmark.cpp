// The engine as played: chords of 16 notes struck every sixteenth note with the "Rave
// Stab" and the "Acid Line" values, so the filters keep moving; the same with 1, 4 and 8
// notes. Then the engine held: 16 notes sounding through every effect, whose cutoffs
// settle after a quarter of a second, with 1, 4 and 8 voices; and an idle engine whose
// effects' tails have ended. All at 48 kHz in 128-frame blocks. Items are output frames, so
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

void play(benchmark::State& state, PlayedChords played) {
  Engine engine(kVoiceCount, kRate);
  Block block;
  for (auto _ : state) {
    played.next(engine, block);
    benchmark::DoNotOptimize(block.left.data());
  }
  report(state);
}

void enginePlayed(benchmark::State& state) { play(state, playedStab(static_cast<int>(state.range(0)))); }
BENCHMARK(enginePlayed)->Arg(16)->Arg(1)->Arg(4)->Arg(8);

void enginePlayedAcid(benchmark::State& state) { play(state, playedAcid(static_cast<int>(state.range(0)))); }
BENCHMARK(enginePlayedAcid)->Arg(16);

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
