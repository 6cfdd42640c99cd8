// Every preset plays the demo phrase through the built STROBE-95.clap, loaded by path, and
// through the same plugin code built here on the straightforward reference processors:
// the two renders agree within 1e-5 (−100 dB of full scale) on every sample, tails and
// the effects' sleep included.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "AudioBlock.h"
#include "DemoPhrase.h"
#include "EventLists.h"
#include "Plugin.h"
#include "Streams.h"
#include "TestHost.h"
#include "reference/ReferenceEffects.h"
#include "reference/ReferenceVoice.h"

namespace strobe95::test {
namespace {

constexpr int kRate = 48000;
constexpr double kTempo = 120.0;
#ifdef STROBE95_SANITIZE
// The sanitizers' build is slower by far: the phrase's first two beats and a short tail.
constexpr double kBeats = 2.0;
constexpr double kTailSeconds = 1.0;
#else
constexpr double kBeats = 1e9;  // the whole phrase
constexpr double kTailSeconds = 3.0;
#endif
// Odd block sizes, in turn, so the blocks fall across the voices' 128-frame chunks.
constexpr uint32_t kBlockSizes[] = {61, 256, 133, 512, 7, 300};

ProcessorFactory referenceProcessors() {
  return {[]() -> std::unique_ptr<faust::dsp> { return std::make_unique<reference::Voice>(); },
          []() -> std::unique_ptr<faust::dsp> { return std::make_unique<reference::Effects>(); }};
}

std::string presetState(const nlohmann::json& preset) {
  std::string text = "STROBE-95 0.5.1\npreset " + preset["name"].get<std::string>() + "\nedited 0\n";
  for (const auto& [id, value] : preset["values"].items()) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value.get<double>()).ptr;
    text += id + " " + std::string(buffer, end) + "\n";
  }
  return text;
}

TEST(PresetRenders, ThroughTheBuiltPluginMatchTheReferenceProcessors) {
  std::ifstream file(STROBE95_PANEL_DESCRIPTION);
  const nlohmann::json panel = nlohmann::json::parse(file);
  ASSERT_EQ(panel["presets"].size(), 18u);
  const tools::MidiSong song = tools::demoPhrase();
  const double framesPerBeat = 60.0 / kTempo * kRate;
  const auto total = static_cast<uint64_t>(std::min(song.lengthBeats, kBeats) * framesPerBeat + kTailSeconds * kRate);
  const clap_event_transport transport = transportWithTempo(kTempo);
  const PluginLibrary library(STROBE95_PLUGIN_PATH);
  ASSERT_NE(library.entry(), nullptr) << library.error();

  for (const auto& preset : panel["presets"]) {
    const std::string name = preset["name"];
    const std::string state = presetState(preset);
    TestHost host;
    PluginInstance built(library, host);
    ASSERT_TRUE(built.loadText(state)) << name;
    ASSERT_TRUE(built->activate(built.plugin(), kRate, 1, 512));
    ASSERT_TRUE(built->start_processing(built.plugin()));

    TestHost referenceHost;
    Plugin reference(referenceHost.host());
    ASSERT_TRUE(reference.init());
    reference.buildEnginesWithForTesting(referenceProcessors());
    InputStream in(state);
    ASSERT_TRUE(reference.load(in.stream()));
    ASSERT_TRUE(reference.activate(kRate));

    float worst = 0.0f, peak = 0.0f;
    uint64_t worstAt = 0;
    size_t next = 0;
    int blockIndex = 0;
    for (uint64_t start = 0; start < total;) {
      const auto frames = static_cast<uint32_t>(
          std::min<uint64_t>(kBlockSizes[blockIndex++ % std::size(kBlockSizes)], total - start));
      InputEvents events;
      for (; next < song.notes.size(); ++next) {
        const auto frame = static_cast<uint64_t>(std::llround(song.notes[next].beat * framesPerBeat));
        if (frame >= start + frames || song.notes[next].beat >= kBeats) break;
        const auto& note = song.notes[next];
        events.midi(static_cast<uint32_t>(frame - start), note.status, note.key, note.velocity);
      }
      AudioBlock fast(frames), slow(frames);
      ASSERT_NE(built->process(built.plugin(), fast.process(&events, nullptr, &transport)), CLAP_PROCESS_ERROR);
      ASSERT_NE(reference.process(slow.process(&events, nullptr, &transport)), CLAP_PROCESS_ERROR);
      for (int ch = 0; ch < 2; ++ch) {
        for (uint32_t i = 0; i < frames; ++i) {
          const float d = std::fabs(fast.channels[ch][i] - slow.channels[ch][i]);
          if (!(d <= worst)) {
            worst = d;
            worstAt = start + i;
          }
          peak = std::max(peak, std::fabs(slow.channels[ch][i]));
        }
      }
      start += frames;
    }
    EXPECT_LE(worst, 1e-5f) << name << " at frame " << worstAt;
    EXPECT_GT(peak, 0.01f) << name << " sounded";
    built->stop_processing(built.plugin());
    built->deactivate(built.plugin());
    reference.deactivate();
  }
}

}  // namespace
}  // namespace strobe95::test
