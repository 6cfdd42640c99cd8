// The engine's full load: 16 voices sounding through every effect, 48 kHz, 128-frame
// blocks; and one voice. Items are output frames, so items_per_second / 48000 is the
// factor over real time on one core.
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
BENCHMARK(engineLoad)->Arg(16)->Arg(1);

}  // namespace
}  // namespace strobe95
