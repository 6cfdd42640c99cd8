#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "ChorusLfo.h"
#include "EffectsRig.h"

namespace strobe95::test {
namespace {

// Records every visitor call the processor makes, ranges included.
class RecordingUi : public faust::UI {
 public:
  struct Slider {
    std::string label;
    float* zone;
    float init, min, max, step;
  };
  std::vector<std::string> boxes;
  int closes = 0;
  int otherCalls = 0;
  std::vector<Slider> sliders;

  void openTabBox(const char*) override { ++otherCalls; }
  void openHorizontalBox(const char*) override { ++otherCalls; }
  void openVerticalBox(const char* label) override { boxes.emplace_back(label); }
  void closeBox() override { ++closes; }
  void addButton(const char*, float*) override { ++otherCalls; }
  void addCheckButton(const char*, float*) override { ++otherCalls; }
  void addVerticalSlider(const char*, float*, float, float, float, float) override { ++otherCalls; }
  void addHorizontalSlider(const char* label, float* zone, float init, float min, float max, float step) override {
    sliders.push_back({label, zone, init, min, max, step});
  }
  void addNumEntry(const char*, float*, float, float, float, float) override { ++otherCalls; }
  void addHorizontalBargraph(const char*, float*, float, float) override { ++otherCalls; }
  void addVerticalBargraph(const char*, float*, float, float) override { ++otherCalls; }
  void addSoundfile(const char*, const char*, void**) override { ++otherCalls; }
  void declare(float*, const char*, const char*) override { ++otherCalls; }
};

TEST(Effects, ReportsItsNineSlidersInOneBoxWithDefaultsStored) {
  auto owned = std::make_unique<gen::Effects>();  // about two megabytes: never on the stack
  gen::Effects& effects = *owned;
  effects.init(48000);
  RecordingUi ui;
  effects.buildUserInterface(&ui);

  struct Expected {
    const char* label;
    float init, min, max, step;
  };
  // The parameter table's ids and ranges, alphabetical as the engine walks them.
  const Expected expected[] = {
      {"chorus", 0, 0, 1, 0.01f},           {"delay_feedback", 0.35f, 0, 0.9f, 0.01f},
      {"delay_mix", 0, 0, 1, 0.01f},        {"delay_seconds", 0.326f, 0.01f, 2, 0.0001f},
      {"delay_tone", 3500, 500, 12000, 1},  {"drive", 0, 0, 1, 0.01f},
      {"reverb_damp", 0.4f, 0, 1, 0.01f},   {"reverb_mix", 0, 0, 1, 0.01f},
      {"reverb_size", 0.6f, 0, 0.95f, 0.01f},
  };
  EXPECT_EQ(ui.boxes, std::vector<std::string>{"STROBE-95 FX"});
  EXPECT_EQ(ui.closes, 1);
  EXPECT_EQ(ui.otherCalls, 0);
  ASSERT_EQ(ui.sliders.size(), std::size(expected));
  for (std::size_t i = 0; i < ui.sliders.size(); ++i) {
    const auto& slider = ui.sliders[i];
    SCOPED_TRACE(expected[i].label);
    EXPECT_EQ(slider.label, expected[i].label);
    EXPECT_EQ(*slider.zone, expected[i].init);  // the default is what init stored
    EXPECT_EQ(slider.init, expected[i].init);
    EXPECT_EQ(slider.min, expected[i].min);
    EXPECT_EQ(slider.max, expected[i].max);
    EXPECT_EQ(slider.step, expected[i].step);
  }

  Zones zones;
  effects.buildUserInterface(&zones);
  EXPECT_EQ(zones.find("cutoff"), nullptr);  // a voice control, not an effect
  EXPECT_EQ(effects.getNumInputs(), 2);
  EXPECT_EQ(effects.getNumOutputs(), 2);
}

// Every effect on, so every line and state takes part in the comparisons below.
void everyEffectOn(EffectsRig& rig) {
  rig.set("drive", 0.4f);
  rig.set("chorus", 0.6f);
  rig.set("delay_mix", 0.5f);
  rig.set("delay_seconds", 0.01f);
  rig.set("delay_feedback", 0.7f);
  rig.set("reverb_mix", 0.5f);
}

TEST(Effects, ReinitClearsEverythingCloneCopiesEverythingAndEmptyBlocksChangeNothing) {
  const StereoBuffer input{4096};
  StereoBuffer burst{4096};
  burst.left = noise(4096, 0.8f, 1);
  burst.right = noise(4096, 0.8f, 2);

  EffectsRig fresh;
  everyEffectOn(fresh);
  const StereoBuffer reference = fresh.run(burst);

  EffectsRig used;
  everyEffectOn(used);
  used.run(burst);
  used.effects().init(48000);  // back to the defaults, silence and a zero delay time
  everyEffectOn(used);
  float* none[2] = {nullptr, nullptr};
  used.effects().compute(0, none, none);
  used.effects().compute(-3, none, none);
  EXPECT_EQ(used.run(burst).left, reference.left);

  // A clone taken mid-tail continues exactly like its original.
  EffectsRig original;
  everyEffectOn(original);
  original.run(burst);
  std::unique_ptr<faust::dsp> copy(original.effects().clone());
  const StereoBuffer expected = original.run(burst);
  StereoBuffer cloned{4096};
  for (std::size_t start = 0; start < 4096; start += 128) {
    float* in[2] = {burst.left.data() + start, burst.right.data() + start};
    float* out[2] = {cloned.left.data() + start, cloned.right.data() + start};
    copy->compute(128, in, out);
  }
  EXPECT_EQ(cloned.left, expected.left);
  EXPECT_EQ(cloned.right, expected.right);
  EXPECT_EQ(copy->getSampleRate(), 48000);
}

TEST(Effects, OutputDoesNotDependOnHowFramesAreSplitIntoBlocks) {
  // The engine renders in chunks of any length up to 128 and writes controls between
  // them: the same writes at the same frames must give the same samples.
  StereoBuffer input{48000};
  input.left = noise(input.size(), 0.7f, 9);
  input.right = noise(input.size(), 0.7f, 10);
  auto render = [&](auto nextBlock) {
    EffectsRig rig;
    everyEffectOn(rig);
    StereoBuffer output{input.size()};
    float seconds = 0.01f;
    std::size_t nextChange = 6000;
    for (std::size_t start = 0; start < input.size();) {
      if (start == nextChange) {  // a tempo change every 6000 frames
        seconds = seconds < 0.1f ? 0.15f : 0.04f;
        rig.set("delay_seconds", seconds);
        nextChange += 6000;
      }
      const std::size_t frames = std::min({nextBlock(), input.size() - start, nextChange - start});
      float* in[2] = {input.left.data() + start, input.right.data() + start};
      float* out[2] = {output.left.data() + start, output.right.data() + start};
      rig.effects().compute(static_cast<int>(frames), in, out);
      start += frames;
    }
    return output;
  };
  unsigned seed = 3;
  const StereoBuffer regular = render([] { return std::size_t{128}; });
  const StereoBuffer ragged = render([&] {
    seed = seed * 1664525u + 1013904223u;
    return std::size_t{1} + (seed >> 16) % 128;
  });
  EXPECT_EQ(ragged.left, regular.left);
  EXPECT_EQ(ragged.right, regular.right);
}

TEST(Effects, DriveZeroIsAnExactBypass) {
  EffectsRig rig;
  StereoBuffer input{8192};
  input.left = noise(8192, 3.0f, 7);
  input.right = noise(8192, 0.01f, 8);
  const StereoBuffer output = rig.run(input);
  EXPECT_EQ(output.left, input.left);
  EXPECT_EQ(output.right, input.right);
}

TEST(Effects, DriveBendsFromTheSmallestSetting) {
  struct Case {
    float drive, input, expected;
    const char* why;
  };
  const Case cases[] = {
      {0.01f, 1e-3f, 1e-3f * std::sqrt(1.06f), "small signals gain sqrt(1 + 6 drive)"},
      {0.5f, 1e-4f, 2e-4f, "pre-gain 4 into a linear tanh, compensated by 1/2"},
      {1.0f, 10.0f, 1.0f / std::sqrt(7.0f), "a saturated tanh gives 1, over sqrt(7)"},
      {1.0f, -10.0f, -1.0f / std::sqrt(7.0f), "the curve is odd"},
      {0.01f, 100.0f, 1.0f / std::sqrt(1.06f), "even the lightest drive clips loud peaks"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EffectsRig rig;
    rig.set("drive", c.drive);
    StereoBuffer input{16};
    std::fill(input.left.begin(), input.left.end(), c.input);
    const StereoBuffer output = rig.run(input);
    EXPECT_NEAR(output.left[15], c.expected, std::fabs(c.expected) * 1e-4f);
    EXPECT_EQ(output.right[15], 0.0f);
  }
}

TEST(Effects, ChorusTradesDryLevelForTheTwoTaps) {
  struct Case {
    float chorus, expectedLeft;
    const char* why;
  };
  // A steady left input: once the line holds it, each tap reads the same level back.
  const Case cases[] = {
      {0.0f, 1.0f, "no chorus: the dry path alone"},
      {0.5f, 1.1f, "0.75 dry + 0.35 wet"},
      {1.0f, 1.2f, "full chorus: 0.5 dry + 0.7 wet"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EffectsRig rig;
    rig.set("chorus", c.chorus);
    StereoBuffer input{2048};
    std::fill(input.left.begin(), input.left.end(), 1.0f);
    const StereoBuffer output = rig.run(input);
    for (std::size_t n = 400; n < 2048; ++n) {
      ASSERT_NEAR(output.left[n], c.expectedLeft, 1e-5f) << n;
      ASSERT_EQ(output.right[n], 0.0f) << n;
    }
  }
}

// Centre of mass of a stretch of samples, in samples from `from`.
double centroid(const std::vector<float>& samples, std::size_t from, std::size_t to) {
  double weighted = 0.0, total = 0.0;
  for (std::size_t n = from; n < to; ++n) {
    weighted += static_cast<double>(n - from) * samples[n];
    total += samples[n];
  }
  return weighted / total;
}

TEST(Effects, ChorusTapsStartAtOppositeEndsOfTheirSweep) {
  EffectsRig rig;
  rig.set("chorus", 1.0f);
  StereoBuffer click{1024};
  click.left[0] = 1.0f;
  click.right[0] = 1.0f;
  const StereoBuffer output = rig.run(click);
  // The sweep starts at its bottom, so the left tap sits at 3.5 ms (168 samples) and the
  // right one at 6.5 ms (312). Each has moved by under 1.5 samples when the click passes
  // (0.55 Hz over 3 ms of a 144-sample sweep), always towards its other end.
  const double left = centroid(output.left, 1, 1024) + 1;
  const double right = centroid(output.right, 1, 1024) + 1;
  EXPECT_GT(left, 168.0);
  EXPECT_LT(left, 169.5);
  EXPECT_LT(right, 312.0);
  EXPECT_GT(right, 310.5);
  double wet = 0.0;
  for (std::size_t n = 1; n < 1024; ++n) wet += output.left[n];
  EXPECT_NEAR(wet, 0.7, 0.01);  // the tap's two interpolation weights sum to about 1
}

TEST(ChorusLfo, IsATriangleAtItsFrequencyStartingFromZero) {
  const double cyclesPerSample = 0.55 / 48000.0;
  fx::ChorusLfo lfo;
  lfo.setFrequency(static_cast<float>(cyclesPerSample));
  lfo.clear();
  // Two full periods (about 3.6 s): the fixed-point phase must not drift from the ideal.
  for (int n = 0; n < 175000; ++n) {
    const double cycles = static_cast<double>(n) * cyclesPerSample;
    const double ideal = 1.0 - std::fabs(2.0 * (cycles - std::floor(cycles)) - 1.0);
    ASSERT_NEAR(lfo.next(), ideal, 1e-5) << n;
  }
}

TEST(Effects, ExtremeControlsNeverGiveNanInfinityOrSubnormals) {
  struct Case {
    int sampleRate;
    float drive, chorus, feedback, mix, seconds, tone, damp, reverbMix, size;
  };
  const Case cases[] = {
      {48000, 0, 0, 0, 0, 0.01f, 500, 0, 0, 0},             // every control at its minimum
      {48000, 1, 1, 0.9f, 1, 2, 12000, 1, 1, 0.95f},        // every control at its maximum
      {48000, 1, 1, 0.9f, 1, 0.01f, 12000, 0, 1, 0.95f},    // the longest tails
      {192000, 1, 1, 0.9f, 1, 2, 12000, 0, 1, 0.95f},       // the highest rate
      {44100, 0, 1, 0.9f, 1, 0.01f, 500, 0.01f, 1, 0.95f},  // darkest echoes, brightest tank
      {0, 1, 1, 0.9f, 1, 2, 12000, 0, 1, 0.95f},            // a nonsense rate runs at 50 Hz
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sampleRate);
    EffectsRig rig(c.sampleRate);
    rig.set("drive", c.drive);
    rig.set("chorus", c.chorus);
    rig.set("delay_feedback", c.feedback);
    rig.set("delay_mix", c.mix);
    rig.set("delay_seconds", c.seconds);
    rig.set("delay_tone", c.tone);
    rig.set("reverb_damp", c.damp);
    rig.set("reverb_mix", c.reverbMix);
    rig.set("reverb_size", c.size);
    StereoBuffer input{72000};
    // A loud burst, a tiny one just above the subnormal range, then a long silence.
    const std::vector<float> loud = noise(4800, 8.0f, 3);
    const std::vector<float> tiny = noise(4800, 4e-38f, 4);
    std::copy(loud.begin(), loud.end(), input.left.begin());
    std::copy(loud.rbegin(), loud.rend(), input.right.begin());
    std::copy(tiny.begin(), tiny.end(), input.left.begin() + 9600);
    std::copy(tiny.begin(), tiny.end(), input.right.begin() + 9600);
    const StereoBuffer output = rig.run(input);
    for (std::size_t n = 0; n < output.size(); ++n) {
      for (float sample : {output.left[n], output.right[n]}) {
        ASSERT_TRUE(std::isfinite(sample)) << n;
        ASSERT_TRUE(sample == 0.0f || std::fabs(sample) >= kDenormalFloor) << n << ": " << sample;
      }
    }
  }
}

}  // namespace
}  // namespace strobe95::test
