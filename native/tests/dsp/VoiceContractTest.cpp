// The processor contract as the engine relies on it: controls by label with their
// defaults, compute that writes exactly the frames asked for, and copies and re-inits
// that reproduce the same sound.
#include <cfloat>
#include <cstring>
#include <memory>
#include <string>

#include "VoiceRig.h"

namespace strobe95::test {
namespace {

// Records what buildUserInterface reports, in order.
class RecordingUi : public Zones {
 public:
  void openVerticalBox(const char* label) override { calls.push_back(std::string("box ") + label); }
  void closeBox() override { calls.push_back("close"); }
  void addButton(const char* label, float* zone) override {
    calls.push_back(std::string("button ") + label);
    Zones::addButton(label, zone);
  }
  void addCheckButton(const char* label, float* zone) override {
    calls.push_back(std::string("check ") + label);
    Zones::addCheckButton(label, zone);
  }
  void addHorizontalSlider(const char* label, float* zone, float init, float min, float max,
                           float step) override {
    calls.push_back(std::string("slider ") + label);
    EXPECT_EQ(*zone, init) << label;  // the stored default is the declared one
    EXPECT_LE(min, init) << label;
    EXPECT_LE(init, max) << label;
    EXPECT_GT(step, 0.0f) << label;
    Zones::addHorizontalSlider(label, zone, init, min, max, step);
  }
  std::vector<std::string> calls;
};

TEST(VoiceContract, ReportsItsControlsInOrderWithTheirDefaults) {
  gen::Voice voice;
  voice.init(44100);
  EXPECT_EQ(voice.getNumInputs(), 1);
  EXPECT_EQ(voice.getNumOutputs(), 2);
  EXPECT_EQ(voice.getSampleRate(), 44100);

  RecordingUi ui;
  voice.buildUserInterface(&ui);
  const std::vector<std::string> expected = {
      "box STROBE-95",       "check acid_filter", "slider attack",       "slider cutoff",
      "slider decay",        "slider detune",     "slider env_amount",   "slider filter_decay",
      "slider freq",         "slider gain",       "button gate",         "slider glide",
      "slider hoover",       "slider key_track",  "slider noise",        "slider pwm",
      "slider release",      "slider resonance",  "slider sample_level", "slider sub",
      "slider supersaw",     "slider sustain",    "slider width",        "close"};
  EXPECT_EQ(ui.calls, expected);

  // Defaults as the engine finds them before it writes anything.
  const std::pair<const char*, float> defaults[] = {
      {"acid_filter", 0.0f}, {"attack", 0.005f}, {"cutoff", 1800.0f}, {"decay", 0.3f},
      {"detune", 0.3f},      {"env_amount", 0.5f}, {"filter_decay", 0.25f}, {"freq", 220.0f},
      {"gain", 0.5f},        {"gate", 0.0f},     {"glide", 0.0f},     {"hoover", 0.0f},
      {"key_track", 0.0f},   {"noise", 0.0f},    {"pwm", 0.0f},       {"release", 0.3f},
      {"resonance", 0.2f},   {"sample_level", 0.0f}, {"sub", 0.3f},   {"supersaw", 0.8f},
      {"sustain", 0.7f},     {"width", 0.5f}};
  for (auto [label, value] : defaults) {
    *ui.find(label) = 123.0f;
  }
  voice.instanceResetUserInterface();
  for (auto [label, value] : defaults) EXPECT_EQ(*ui.find(label), value) << label;
  EXPECT_EQ(ui.find("mono"), nullptr);  // an engine parameter, not a voice control
}

// A note with every source on, so every stage's state matters for what follows.
void startBusyNote(VoiceRig& rig) {
  rig.set("pwm", 0.7f);
  rig.set("noise", 0.3f);
  rig.set("hoover", 0.6f);
  rig.set("sample_level", 0.5f);
  rig.set("glide", 0.2f);
  rig.set("freq", 330.0f);
  rig.set("gain", 0.8f);
  rig.set("gate", 1.0f);
}

Stereo renderBusy(VoiceRig& rig, int frames) {
  return rig.render(frames, [](int i) { return std::sin(0.01f * static_cast<float>(i)); });
}

TEST(VoiceContract, ComputeOfNoFramesChangesNothing) {
  VoiceRig rig, twin;
  startBusyNote(rig);
  startBusyNote(twin);
  renderBusy(rig, 1000);
  renderBusy(twin, 1000);

  float left[4] = {7, 7, 7, 7}, right[4] = {7, 7, 7, 7}, in[4] = {1, 1, 1, 1};
  float* inputs[] = {in};
  float* outputs[] = {left, right};
  rig.voice().compute(0, inputs, outputs);
  rig.voice().compute(-5, inputs, outputs);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(left[i], 7.0f);
    EXPECT_EQ(right[i], 7.0f);
  }
  const Stereo a = renderBusy(rig, 3000), b = renderBusy(twin, 3000);
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.right, b.right);
}

TEST(VoiceContract, InitTwiceOrAfterPlayingEqualsAFreshInit) {
  VoiceRig fresh, twice, played;
  twice.voice().init(48000);
  startBusyNote(played);
  renderBusy(played, 5000);
  played.voice().init(48000);
  // init restores the defaults too, so the same note must be set up on all three.
  for (VoiceRig* rig : {&fresh, &twice, &played}) startBusyNote(*rig);
  const Stereo a = renderBusy(fresh, 4000);
  for (VoiceRig* rig : {&twice, &played}) {
    const Stereo b = renderBusy(*rig, 4000);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
  }
}

TEST(VoiceContract, CloneContinuesWhereTheOriginalStands) {
  VoiceRig rig;
  startBusyNote(rig);
  renderBusy(rig, 7777);
  std::unique_ptr<faust::dsp> copy(rig.voice().clone());
  EXPECT_EQ(copy->getSampleRate(), 48000);
  Zones copyZones;
  copy->buildUserInterface(&copyZones);
  // The copy owns its controls: writing the original's does not reach it.
  *copyZones.find("gate") = 0.0f;
  rig.set("gate", 0.0f);

  std::vector<float> in(128, 0.25f), l1(128), r1(128), l2(128), r2(128);
  float* inputs[] = {in.data()};
  for (int block = 0; block < 40; ++block) {
    float* out1[] = {l1.data(), r1.data()};
    float* out2[] = {l2.data(), r2.data()};
    rig.voice().compute(128, inputs, out1);
    copy->compute(128, inputs, out2);
    ASSERT_EQ(l1, l2) << block;
    ASSERT_EQ(r1, r2) << block;
  }
}

TEST(VoiceContract, FreshVoicesStartedTogetherMakeTheSameNoise) {
  VoiceRig a, b;
  for (VoiceRig* rig : {&a, &b}) {
    rig->quiet();
    rig->set("noise", 1.0f);
    rig->set("gate", 1.0f);
  }
  const Stereo x = a.render(2000), y = b.render(2000);
  EXPECT_EQ(x.left, y.left);
  EXPECT_EQ(x.right, y.right);
  double energy = 0.0;
  for (float v : x.left) energy += double(v) * v;
  EXPECT_GT(energy / 2000.0, 1e-4);  // it is noise, not silence
}

bool isCleanSample(float v) { return std::isfinite(v) && (v == 0.0f || std::fabs(v) >= FLT_MIN); }

// Control settings at the edges of their declared ranges.
struct Extreme {
  const char* name;
  std::vector<std::pair<const char*, float>> controls;
};

TEST(VoiceContract, StaysFiniteAndNormalAtExtremeSettingsAndRates) {
  const std::vector<Extreme> extremes = {
      {"everything up, acid", {{"acid_filter", 1}, {"cutoff", 16000}, {"resonance", 0.98f},
                               {"env_amount", 1}, {"pwm", 1}, {"noise", 1}, {"sub", 1},
                               {"supersaw", 1}, {"sample_level", 1}, {"hoover", 1},
                               {"detune", 1}, {"width", 1}, {"key_track", 1}}},
      {"everything up, normal", {{"cutoff", 16000}, {"resonance", 0.98f}, {"env_amount", 1},
                                 {"pwm", 1}, {"noise", 1}, {"sub", 1}, {"supersaw", 1},
                                 {"sample_level", 1}, {"hoover", 1}, {"detune", 1},
                                 {"key_track", 1}}},
      {"bottom of every range", {{"cutoff", 40}, {"resonance", 0}, {"attack", 0.001f},
                                 {"decay", 0.001f}, {"release", 0.001f}, {"sustain", 0},
                                 {"filter_decay", 0.005f}, {"freq", 20}, {"glide", 1}}},
      {"acid at the bottom", {{"acid_filter", 1}, {"cutoff", 40}, {"resonance", 0.98f},
                              {"freq", 20}, {"pwm", 1}, {"key_track", 1}}},
      {"top note, long times", {{"freq", 8000}, {"attack", 4}, {"decay", 4}, {"release", 6},
                                {"filter_decay", 4}, {"pwm", 1}, {"hoover", 1}}},
  };
  for (int rate : {22050, 32000, 44100, 48000, 96000, 192000}) {
    for (const Extreme& extreme : extremes) {
      VoiceRig rig(rate);
      for (auto [label, value] : extreme.controls) rig.set(label, value);
      Stereo out;
      auto play = [&](int frames) {
        const Stereo part = rig.render(frames, [](int i) { return (i / 50) % 2 ? 4.0f : -4.0f; });
        out.left.insert(out.left.end(), part.left.begin(), part.left.end());
        out.right.insert(out.right.end(), part.right.begin(), part.right.end());
      };
      rig.set("gate", 1.0f);
      play(rate / 4);
      rig.set("gate", 0.0f);
      play(1);
      rig.set("gate", 1.0f);  // a retrigger
      play(rate / 8);
      rig.set("gate", 0.0f);
      play(rate / 2);
      for (std::size_t i = 0; i < out.left.size(); ++i) {
        ASSERT_TRUE(isCleanSample(out.left[i]) && isCleanSample(out.right[i]))
            << extreme.name << " at " << rate << " Hz, frame " << i << ": " << out.left[i] << " "
            << out.right[i];
      }
    }
  }
}

}  // namespace
}  // namespace strobe95::test
