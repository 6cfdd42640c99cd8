// The voice and the effects as built for speed against the straightforward per-sample
// reference: the same controls, written at the same moments between compute calls of odd
// sizes, must give the same output within 1e-5 (−100 dB of full scale) on every sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Effects.h"
#include "Voice.h"
#include "VoiceBuilds.h"
#include "Zones.h"
#include "reference/ReferenceEffects.h"
#include "reference/ReferenceVoice.h"

namespace strobe95::test {
namespace {

constexpr float kTolerance = 1e-5f;
constexpr int kRates[] = {44100, 48000, 96000};

// Every build of the voice that this processor runs.
std::vector<gen::VoiceBuild> voiceBuilds() {
  if (gen::wideVoiceRuns()) return {gen::VoiceBuild::Baseline, gen::VoiceBuild::Wide};
  return {gen::VoiceBuild::Baseline};
}

// Two processors driven as one: every control write goes to both.
class Pair {
 public:
  Pair(std::unique_ptr<faust::dsp> fast, std::unique_ptr<faust::dsp> reference, int rate)
      : fast_(std::move(fast)), reference_(std::move(reference)) {
    fast_->init(rate);
    reference_->init(rate);
    fast_->buildUserInterface(&fastZones_);
    reference_->buildUserInterface(&referenceZones_);
  }

  void set(const std::string& label, float value) {
    float* a = fastZones_.find(label);
    float* b = referenceZones_.find(label);
    ASSERT_TRUE(a && b) << label;
    *a = *b = value;
  }

  // Renders n frames through both; returns the largest difference seen.
  float render(int n, const std::vector<float>& inLeft, const std::vector<float>& inRight) {
    std::vector<float> a[2] = {std::vector<float>(n), std::vector<float>(n)};
    std::vector<float> b[2] = {std::vector<float>(n), std::vector<float>(n)};
    float* in[] = {const_cast<float*>(inLeft.data()), const_cast<float*>(inRight.data())};
    float* outA[] = {a[0].data(), a[1].data()};
    float* outB[] = {b[0].data(), b[1].data()};
    fast_->compute(n, in, outA);
    reference_->compute(n, in, outB);
    float worst = 0.0f;
    for (int ch = 0; ch < 2; ++ch) {
      for (int i = 0; i < n; ++i) {
        const float d = std::fabs(a[ch][i] - b[ch][i]);
        worst = std::isnan(d) ? INFINITY : std::max(worst, d);
        peak_ = std::max(peak_, std::fabs(b[ch][i]));
      }
    }
    return worst;
  }

  float peak() const { return peak_; }
  faust::dsp& fast() { return *fast_; }

 private:
  std::unique_ptr<faust::dsp> fast_, reference_;
  Zones fastZones_, referenceZones_;
  float peak_ = 0.0f;
};

struct Range {
  const char* label;
  float min, max;
};

// Every voice control the engine writes, over its whole range.
constexpr Range kVoiceRanges[] = {
    {"attack", 0.001f, 0.5f},      {"cutoff", 40.0f, 16000.0f}, {"decay", 0.001f, 2.0f},
    {"detune", 0.0f, 1.0f},        {"env_amount", 0.0f, 1.0f},  {"filter_decay", 0.005f, 2.0f},
    {"hoover", 0.0f, 1.0f},        {"key_track", 0.0f, 1.0f},   {"noise", 0.0f, 1.0f},
    {"pwm", 0.0f, 1.0f},           {"release", 0.001f, 1.0f},   {"resonance", 0.0f, 0.98f},
    {"sample_level", 0.0f, 1.0f},  {"sub", 0.0f, 1.0f},         {"supersaw", 0.0f, 1.0f},
    {"sustain", 0.0f, 1.0f},       {"width", 0.0f, 1.0f},       {"glide", 0.0f, 1.0f},
};

TEST(FastVoice, MatchesTheReferenceOverRandomNotesControlsRatesAndBlockSizes) {
  for (const gen::VoiceBuild build : voiceBuilds()) {
    SCOPED_TRACE(gen::voiceBuildName(build));
    std::mt19937 random(95);
    const auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
    for (int trial = 0; trial < 12; ++trial) {
      const int rate = kRates[trial % 3];
      Pair voice(gen::makeVoice(build), std::make_unique<reference::Voice>(), rate);
      for (const Range& r : kVoiceRanges) voice.set(r.label, uniform(r.min, r.max));
      voice.set("acid_filter", trial % 2 ? 1.0f : 0.0f);

      std::vector<float> sampleIn(400), unused(400);
      float worst = 0.0f;
      int frames = 0;
      while (frames < rate / 2) {
        // A move between two compute calls: a note, a release, a glide or scoop change,
        // a filter switch or any other control, or nothing.
        switch (random() % 8) {
          case 0: {  // a note start on a silent or a sounding voice (legato gates stay up)
            const int key = 24 + int(random() % 85);
            voice.set("freq", float(440.0 * std::pow(2.0, (key - 69) / 12.0)));
            voice.set("gain", uniform(0.05f, 1.0f));
            voice.set("gate", random() % 4 ? 1.0f : 0.5f);
            break;
          }
          case 1: voice.set("gate", 0.0f); break;
          case 2: voice.set("glide", uniform(0.0f, 1.0f)); break;
          case 3: voice.set("hoover", uniform(0.0f, 1.0f)); break;
          case 4: voice.set("acid_filter", random() % 2 ? 1.0f : 0.0f); break;
          case 5: {
            const Range& r = kVoiceRanges[random() % std::size(kVoiceRanges)];
            voice.set(r.label, uniform(r.min, r.max));
            break;
          }
          default: break;
        }
        // Mostly the engine's chunks of up to 128 frames, now and then a longer call, which
        // the voice splits itself.
        const int n = 1 + int(random() % (random() % 8 ? 128 : 400));
        for (int i = 0; i < n; ++i) sampleIn[i] = uniform(-1.0f, 1.0f);
        worst = std::max(worst, voice.render(n, sampleIn, unused));
        frames += n;
      }
      EXPECT_LE(worst, kTolerance) << "trial " << trial << " at " << rate << " Hz";
      EXPECT_GT(voice.peak(), 0.01f) << "trial " << trial << " made sound";
    }
  }
}

// The acid filter's fast step is its equations rearranged, so it rounds differently; a
// held cutoff at full resonance is where such differences would pile up, ringing at the
// cutoff for as long as the note lasts.
TEST(FastVoice, TheAcidFilterStaysWithTheReferenceThroughLongResonantNotes) {
  struct Case {
    int rate;
    float cutoff, resonance, width;
  };
  const Case cases[] = {
      {44100, 40.0f, 0.98f, 0.0f},   {44100, 400.0f, 0.98f, 1.0f}, {48000, 2500.0f, 0.98f, 0.5f},
      {48000, 16000.0f, 0.98f, 0.5f}, {96000, 800.0f, 0.98f, 1.0f}, {96000, 16000.0f, 0.6f, 0.0f},
      {44100, 1200.0f, 0.0f, 0.5f},
  };
  for (const gen::VoiceBuild build : voiceBuilds()) {
    SCOPED_TRACE(gen::voiceBuildName(build));
    for (const Case& c : cases) {
      Pair voice(gen::makeVoice(build), std::make_unique<reference::Voice>(), c.rate);
      voice.set("acid_filter", 1.0f);
      voice.set("cutoff", c.cutoff);
      voice.set("resonance", c.resonance);
      voice.set("width", c.width);
      voice.set("env_amount", 0.0f);
      voice.set("sustain", 1.0f);
      voice.set("pwm", 1.0f);
      voice.set("sub", 1.0f);
      voice.set("freq", 55.0f);
      voice.set("gain", 1.0f);
      voice.set("gate", 1.0f);
      std::vector<float> sampleIn(128, 0.0f), unused(128);
      float worst = 0.0f;
      for (int frames = 0; frames < 3 * c.rate; frames += 128) {
        worst = std::max(worst, voice.render(128, sampleIn, unused));
      }
      voice.set("gate", 0.0f);
      for (int frames = 0; frames < c.rate; frames += 128) worst = std::max(worst, voice.render(128, sampleIn, unused));
      EXPECT_LE(worst, kTolerance) << c.cutoff << " Hz, resonance " << c.resonance << " at " << c.rate << " Hz";
      EXPECT_GT(voice.peak(), 0.05f) << c.cutoff << " Hz made sound";
    }
  }
}

constexpr Range kEffectsRanges[] = {
    {"chorus", 0.0f, 1.0f},        {"delay_feedback", 0.0f, 0.9f}, {"delay_mix", 0.0f, 1.0f},
    {"delay_seconds", 0.01f, 2.0f}, {"delay_tone", 500.0f, 12000.0f}, {"drive", 0.0f, 1.0f},
    {"reverb_damp", 0.0f, 1.0f},   {"reverb_mix", 0.0f, 1.0f},     {"reverb_size", 0.0f, 0.95f},
};

// Bursts of sound, silences in which the fast chain goes to sleep, and control moves
// that wake it; the reference never sleeps, so any state the sleep lost or any sound it
// cut would show. Half the trials have short tails so that they sleep within the test.
TEST(FastEffects, MatchTheReferenceThroughSoundSilenceSleepAndWaking) {
  std::mt19937 random(1995);
  const auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
  for (int trial = 0; trial < 6; ++trial) {
    const int rate = kRates[trial % 3];
    const bool shortTail = trial < 3;
    Pair effects(std::make_unique<gen::Effects>(), std::make_unique<reference::Effects>(), rate);
    const auto randomise = [&](const Range& r) {
      const std::string label = r.label;
      float v = uniform(r.min, r.max);
      if (shortTail && label == "delay_seconds") v = uniform(0.01f, 0.3f);
      if (shortTail && label == "delay_feedback") v = uniform(0.0f, 0.3f);
      if (shortTail && label == "reverb_size") v = uniform(0.0f, 0.5f);
      effects.set(r.label, v);
    };
    for (const Range& r : kEffectsRanges) randomise(r);

    std::vector<float> left(128), right(128);
    float worst = 0.0f;
    int slept = 0;
    for (int burst = 0; burst < 3; ++burst) {
      // A tenth of a second of sound, then three seconds of silence with an occasional
      // control move.
      const int sound = rate / 10, silence = rate * 3;
      for (int frames = 0; frames < sound + silence;) {
        const int n = 1 + int(random() % 128);
        const bool audible = frames < sound;
        for (int i = 0; i < n; ++i) {
          left[i] = audible ? uniform(-0.8f, 0.8f) : 0.0f;
          right[i] = audible ? uniform(-0.8f, 0.8f) : 0.0f;
        }
        if (!audible && random() % 300 == 0) randomise(kEffectsRanges[random() % std::size(kEffectsRanges)]);
        worst = std::max(worst, effects.render(n, left, right));
        slept += static_cast<gen::Effects&>(effects.fast()).asleep() ? 1 : 0;
        frames += n;
      }
    }
    EXPECT_LE(worst, kTolerance) << "trial " << trial << " at " << rate << " Hz";
    EXPECT_GT(effects.peak(), 0.1f);
    if (shortTail) {
      EXPECT_GT(slept, 0) << "trial " << trial << " never slept";
    }
  }
}


// The delay line holds 5.46 s at 48 kHz. After a longer sleep the reference, which ran on,
// has overwritten all of it with silence; a delay time raised past the quiet window at
// the wake must read that silence too, not the sound from before the sleep.
TEST(FastEffects, ALongSleepLeavesNoOldSoundForALongerDelayToFind) {
  constexpr int kRate = 48000;
  Pair effects(std::make_unique<gen::Effects>(), std::make_unique<reference::Effects>(), kRate);
  for (const Range& r : kEffectsRanges) effects.set(r.label, r.min);
  effects.set("delay_mix", 1.0f);
  effects.set("delay_seconds", 0.05f);
  std::mt19937 random(95);
  std::uniform_real_distribution<float> noise(-0.8f, 0.8f);
  std::vector<float> left(128), right(128);
  float worst = 0.0f;
  const auto run = [&](int seconds, bool audible) {
    for (int frames = 0; frames < seconds * kRate; frames += 128) {
      for (int i = 0; i < 128; ++i) {
        left[i] = audible ? noise(random) : 0.0f;
        right[i] = audible ? noise(random) : 0.0f;
      }
      worst = std::max(worst, effects.render(128, left, right));
    }
  };
  run(6, true);
  run(7, false);
  ASSERT_TRUE(static_cast<gen::Effects&>(effects.fast()).asleep());
  effects.set("delay_seconds", 2.0f);
  run(3, false);
  EXPECT_LE(worst, kTolerance);
}

}  // namespace
}  // namespace strobe95::test
