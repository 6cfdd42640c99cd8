// The engine's full load: 16 voices sounding through every effect, 48 kHz, 128-frame
// blocks; the same with 1, 4 and 8 voices, so the cost's growth with voices shows; and an
// idle engine whose effects' tails have ended. Items are output frames, so
// items_per_second / 48000 is the factor over real time on one core.
#include <benchmark/benchmark.h>

#include <vector>

#include "Engine.h"

namespace strobe95 {
namespace {

EngineEvent param(const char* id, double value) {
  return {0, EngineEventKind::ParamValue, static_cast<uint32_t>(findParamByTextId(id)), value};
}

void engineLoad(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  Engine engine(kVoiceCount, 48000);
  std::vector<EngineEvent> events = {param("drive", 0.5),     param("chorus", 0.5),  param("delay_mix", 0.4),
                                     param("reverb_mix", 0.4), param("sample_level", 0.5), param("noise", 0.1),
                                     param("pwm", 0.5),       param("hoover", 0.5),  param("sustain", 1.0)};
  for (int v = 0; v < voices; ++v) events.push_back({0, EngineEventKind::NoteOn, uint32_t(36 + 3 * v), 0.8});
  std::vector<float> left(128), right(128);
  engine.process(left.data(), right.data(), 128, events.data(), int32_t(events.size()));
  for (auto _ : state) {
    engine.process(left.data(), right.data(), 128, nullptr, 0);
    benchmark::DoNotOptimize(left.data());
  }
  state.SetItemsProcessed(state.iterations() * 128);
  state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()) * 128 / 48000, benchmark::Counter::kIsRate);
}
BENCHMARK(engineLoad)->Arg(16)->Arg(1)->Arg(4)->Arg(8);

// Every effect on, one note played and released, then silence until the tails have
// ended (a minute of it, far beyond the plate's and the echoes' decay): what an instance
// costs while the project plays other tracks.
void engineIdle(benchmark::State& state) {
  Engine engine(kVoiceCount, 48000);
  std::vector<EngineEvent> events = {param("drive", 0.5), param("chorus", 0.5), param("delay_mix", 0.4),
                                     param("reverb_mix", 0.4), {0, EngineEventKind::NoteOn, 60, 0.8}};
  std::vector<float> left(128), right(128);
  engine.process(left.data(), right.data(), 128, events.data(), int32_t(events.size()));
  const EngineEvent off{0, EngineEventKind::NoteOff, 60, 0.0};
  engine.process(left.data(), right.data(), 128, &off, 1);
  for (int block = 0; block < 60 * 48000 / 128; ++block) engine.process(left.data(), right.data(), 128, nullptr, 0);
  for (auto _ : state) {
    engine.process(left.data(), right.data(), 128, nullptr, 0);
    benchmark::DoNotOptimize(left.data());
  }
  state.SetItemsProcessed(state.iterations() * 128);
  state.counters["x_realtime"] = benchmark::Counter(double(state.iterations()) * 128 / 48000, benchmark::Counter::kIsRate);
}
BENCHMARK(engineIdle);

}  // namespace
}  // namespace strobe95
