// One voice's compute on the engine's 128-frame chunks at 48 kHz, with the supersaw,
// pulse pair and sub on and the filter envelope moving the cutoff every sample (the
// costly case: the filter coefficients are rebuilt per sample), in each filter mode.
#include <benchmark/benchmark.h>

#include <vector>

#include "Voice.h"
#include "Zones.h"

namespace strobe95 {
namespace {

void computeVoice(benchmark::State& state, bool acid, float envAmount) {
  gen::Voice voice;
  voice.init(48000);
  Zones zones;
  voice.buildUserInterface(&zones);
  *zones.find("acid_filter") = acid ? 1.0f : 0.0f;
  *zones.find("pwm") = 0.5f;
  *zones.find("noise") = 0.1f;
  *zones.find("env_amount") = envAmount;
  *zones.find("filter_decay") = 4.0f;  // keeps the envelope falling through the run
  *zones.find("resonance") = 0.7f;
  *zones.find("freq") = 110.0f;
  *zones.find("gate") = 1.0f;

  std::vector<float> in(128, 0.0f), left(128), right(128);
  float* inputs[] = {in.data()};
  float* outputs[] = {left.data(), right.data()};
  int blocks = 0;
  for (auto _ : state) {
    voice.compute(128, inputs, outputs);
    benchmark::DoNotOptimize(left.data());
    benchmark::DoNotOptimize(right.data());
    // Restart the note now and then so the envelope keeps sweeping the cutoff.
    if (++blocks % 1024 == 0) {
      *zones.find("gate") = 0.0f;
      voice.compute(1, inputs, outputs);
      *zones.find("gate") = 1.0f;
    }
  }
  state.SetItemsProcessed(state.iterations() * 128);
}

void voiceNormalSweeping(benchmark::State& state) { computeVoice(state, false, 0.8f); }
void voiceAcidSweeping(benchmark::State& state) { computeVoice(state, true, 0.8f); }
void voiceNormalSteady(benchmark::State& state) { computeVoice(state, false, 0.0f); }
void voiceAcidSteady(benchmark::State& state) { computeVoice(state, true, 0.0f); }
BENCHMARK(voiceNormalSweeping);
BENCHMARK(voiceAcidSweeping);
BENCHMARK(voiceNormalSteady);
BENCHMARK(voiceAcidSteady);

}  // namespace
}  // namespace strobe95
