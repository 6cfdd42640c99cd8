// What the standalone's audio callback costs over the plugin's own process: one block
// of 128 frames at 48 kHz with 16 voices sounding, through onAudio (lock, MIDI drain,
// buffer pool, output copy) and through process called directly on the same instance.
#include <benchmark/benchmark.h>

#include <vector>

#include "StandaloneHost.h"

extern "C" const clap_plugin_entry_t clap_entry;

namespace strobe95::standalone {
namespace {

constexpr uint32_t kFrames = 128;
constexpr int kVoices = 16;

// A host playing the real plugin at 48 kHz with 16 held notes, torn down on leaving.
class SoundingHost {
 public:
  SoundingHost() {
    StandaloneHost::setEnvironment({});
    const char* argv[] = {"STROBE-95"};
    plugin_ = createStandalonePlugin(&clap_entry, "co.glowhaus.strobe95", 0, 1, argv);
    host().activatePlugin(48000, 1, 2 * kFrames);
    for (int i = 0; i < kVoices; ++i) {
      const uint8_t noteOn[3] = {0x90, uint8_t(40 + 2 * i), 100};
      host().receiveMidi(noteOn, 3);
    }
    for (auto& c : device_) c.assign(kFrames, 0.0f);
    outputs_ = {device_[0].data(), device_[1].data()};
    for (int i = 0; i < 50; ++i) render();  // past the attack: every voice sounds
  }
  ~SoundingHost() { StandaloneHost::shutdown(); }

  StandaloneHost& host() { return StandaloneHost::instance(); }
  const clap_plugin_t* plugin() const { return plugin_->plugin(); }
  void render() { host().onAudio(nullptr, 0, outputs_.data(), 2, kFrames); }
  float* const* outputs() { return outputs_.data(); }

 private:
  std::shared_ptr<Clap::Plugin> plugin_;
  std::vector<float> device_[2];
  std::vector<float*> outputs_;
};

void onAudioSixteenVoices(benchmark::State& state) {
  SoundingHost sounding;
  for (auto _ : state) {
    sounding.render();
    benchmark::DoNotOptimize(sounding.outputs()[0][0]);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(onAudioSixteenVoices);

uint32_t noEvents(const clap_input_events_t*) { return 0; }
const clap_event_header_t* noEvent(const clap_input_events_t*, uint32_t) { return nullptr; }
bool dropEvent(const clap_output_events_t*, const clap_event_header_t*) { return true; }

void processSixteenVoices(benchmark::State& state) {
  SoundingHost sounding;
  // Deactivate the callback's gate so only this loop drives the plugin.
  sounding.host().quiesceAudio();
  const clap_input_events_t in{nullptr, noEvents, noEvent};
  const clap_output_events_t out{nullptr, dropEvent};
  std::vector<float> left(kFrames), right(kFrames);
  float* channels[2] = {left.data(), right.data()};
  clap_audio_buffer_t buffer{channels, nullptr, 2, 0, 0};
  clap_process_t process{};
  process.frames_count = kFrames;
  process.audio_outputs = &buffer;
  process.audio_outputs_count = 1;
  process.in_events = &in;
  process.out_events = &out;
  const clap_plugin_t* p = sounding.plugin();
  for (auto _ : state) {
    p->process(p, &process);
    process.steady_time += kFrames;
    benchmark::DoNotOptimize(left[0]);
  }
  state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(processSixteenVoices);

}  // namespace
}  // namespace strobe95::standalone
