// The main thread and the audio thread at once, as a host runs them: the faceplate turns
// knobs, plays notes and names presets, and the host saves and loads the state, all while
// process runs on its own thread. Run under ThreadSanitizer in the test command, where a
// data race between the two fails the run; here it also checks what each side ends up
// seeing. The faceplate's calls have no CLAP entry, so the plugin class is driven directly.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>

#include "AudioBlock.h"
#include "EventLists.h"
#include "ParamSpec.h"
#include "Plugin.h"
#include "TestHost.h"

namespace strobe95 {
namespace {

class CrossThread : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(plugin.init());
    ASSERT_TRUE(plugin.activate(48000));
  }

  // The audio thread: blocks of 64 frames, every sample checked, until told to stop.
  void runAudio() {
    audio = std::thread([this] {
      test::AudioBlock block(64);
      while (!stop.load()) {
        test::OutputEvents out;
        plugin.process(block.process(nullptr, &out));
        for (const auto& channel : block.channels) {
          for (float v : channel) clean = clean && std::isfinite(v);
        }
        ++blocks;
      }
    });
  }

  void finish() {
    while (blocks.load() < 20) std::this_thread::yield();  // the audio side has run
    stop = true;
    audio.join();
  }

  test::TestHost host;
  Plugin plugin{host.host()};
  std::thread audio;
  std::atomic<bool> stop{false};
  std::atomic<bool> clean{true};
  std::atomic<int> blocks{0};
};

const int kCutoff = findParamByTextId("cutoff");

TEST_F(CrossThread, FaceplateKnobsAndNotesReachProcessWhileItRuns) {
  runAudio();
  for (int i = 0; i < 2000; ++i) {
    plugin.beginGesture(kCutoff);
    plugin.setParameterFromGui(kCutoff, 200.0f + float(i % 100) * 50.0f);
    plugin.endGesture(kCutoff);
    plugin.pushUiNote(48 + uint32_t(i % 24), i % 2 == 0);
    plugin.setPresetState(i % 2 ? "Hoover" : "Pad Wash", i % 3 == 0);
    double shown = 0.0;
    plugin.paramValue(kParamSpecs[kCutoff].clapId, &shown);
    plugin.takeNeedsRefresh();
  }
  plugin.setParameterFromGui(kCutoff, 1234.0f);
  finish();
  EXPECT_TRUE(clean.load());
  EXPECT_FLOAT_EQ(plugin.value(kCutoff), 1234.0f);
}

TEST_F(CrossThread, StateSavesAndLoadsWhileProcessRuns) {
  runAudio();
  const std::string acid = "STROBE-95 0.5.1\npreset Acid Line\nedited 1\ncutoff 380\nacid_filter 1\n";
  const std::string pad = "STROBE-95 0.5.1\npreset Pad Wash\nedited 0\ncutoff 2400\nacid_filter 0\n";
  for (int i = 0; i < 500; ++i) {
    plugin.readStateText(i % 2 ? acid : pad);
    const std::string saved = plugin.writeStateText();
    // A save taken between loads is one of the two states whole, never a mix.
    const bool isAcid = saved.find("cutoff 380") != std::string::npos;
    const bool isPad = saved.find("cutoff 2400") != std::string::npos || saved.find("cutoff 2.4") != std::string::npos;
    ASSERT_TRUE(isAcid != isPad) << saved;
    ASSERT_EQ(isAcid, saved.find("acid_filter 1") != std::string::npos) << saved;
  }
  finish();
  EXPECT_TRUE(clean.load());
  EXPECT_FLOAT_EQ(plugin.value(kCutoff), 380.0f);
}

}  // namespace
}  // namespace strobe95
