#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "SamplePlayback.h"
#include "SampleTable.h"

namespace strobe95 {
namespace {

SampleData makeSample(std::vector<float> frames, int rootKey = 60, double rate = 44100.0) {
  SampleData sample;
  sample.frames = std::move(frames);
  sample.rootKey = rootKey;
  sample.sampleRate = rate;
  return sample;
}

std::vector<float> fill(const std::vector<SampleData>& samples, int index, double& position, double step,
                        int frames) {
  std::vector<float> out(frames, 123.0f);  // anything not written shows
  fillSampleInput(samples, index, position, step, out.data(), frames);
  return out;
}

// Plays from the start one frame at a time and counts the frames written before the stop.
int framesUntilStop(const std::vector<SampleData>& samples, int index, double step) {
  double position = 0.0;
  int played = 0;
  float frame = 0.0f;
  for (;;) {
    fillSampleInput(samples, index, position, step, &frame, 1);
    if (position < 0.0) return played;
    ++played;
  }
}

TEST(SampleConversion, KeepsEveryFrameScaledByOneOver32768) {
  const std::vector<SampleData> samples = convertSampleTable();
  ASSERT_EQ(samples.size(), kSampleTable.size());
  for (size_t s = 0; s < samples.size(); ++s) {
    const SampleRecord& record = kSampleTable[s];
    SCOPED_TRACE(record.name);
    EXPECT_EQ(samples[s].rootKey, record.rootKey);
    EXPECT_EQ(samples[s].sampleRate, 44100.0);
    ASSERT_EQ(samples[s].frames.size(), static_cast<size_t>(record.frameCount));
    int mismatches = 0;
    for (int i = 0; i < record.frameCount; ++i) {
      // A power-of-two divisor is exact in float, so no rounding may differ.
      mismatches += samples[s].frames[i] != static_cast<float>(record.data[i]) / 32768.0f;
    }
    EXPECT_EQ(mismatches, 0);
    float peak = 0.0f;
    for (float frame : samples[s].frames) peak = std::fmax(peak, std::fabs(frame));
    EXPECT_EQ(peak, 29195.0f / 32768.0f);
  }
}

TEST(SampleStart, StepFollowsRateRootKeyAndKeysSwitch) {
  const std::vector<SampleData> samples = convertSampleTable();
  constexpr int kOrchHit = 0, kRaveBell = 3, kSubDrop = 7;
  struct Case {
    int index;
    bool keys;
    int engineRate;
    int key;
    double step;
    const char* why;
  };
  const Case cases[] = {
      {kOrchHit, true, 44100, 60, 1.0, "the root key plays the recording as it is"},
      {kOrchHit, true, 44100, 72, 2.0, "an octave up doubles the speed"},
      {kOrchHit, true, 44100, 48, 0.5, "an octave down halves it"},
      {kOrchHit, true, 44100, 67, 1.4983070768766815, "a fifth up is 2^(7/12)"},
      {kOrchHit, false, 44100, 72, 1.0, "Keys off: every key at the recorded speed"},
      {kOrchHit, false, 44100, 0, 1.0, "Keys off, lowest key"},
      {kRaveBell, true, 44100, 72, 1.0, "the bell's root is 72"},
      {kRaveBell, true, 44100, 84, 2.0, "an octave above the bell's root"},
      {kSubDrop, true, 44100, 60, 4.0, "two octaves above the drop's root 36"},
      {kOrchHit, true, 48000, 60, 0.91875, "44100/48000: recorded pitch at a faster engine rate"},
      {kOrchHit, false, 96000, 100, 0.459375, "44100/96000 with Keys off"},
      {kSubDrop, true, 22050, 48, 4.0, "twice for the rate, twice for the octave"},
  };
  for (const Case& c : cases) {
    double position = 17.0, step = 0.0;  // a retrigger mid-sample starts from frame 0
    startSample(samples, c.index, c.keys, c.engineRate, c.key, position, step);
    EXPECT_EQ(position, 0.0) << c.why;
    EXPECT_DOUBLE_EQ(step, c.step) << c.why;
  }
}

TEST(SampleStart, IndexOutsideTheTableStopsTheSample) {
  const std::vector<SampleData> samples = convertSampleTable();
  for (int index : {-1, 9, 1000}) {
    double position = 5.0, step = 3.0;
    startSample(samples, index, true, 44100, 60, position, step);
    EXPECT_EQ(position, -1.0) << index;
    EXPECT_EQ(step, 1.0) << index;
  }
}

TEST(SampleFill, InterpolatesUpToTheLastPairThenStops) {
  const std::vector<SampleData> samples{makeSample({1.0f, 3.0f, -5.0f, 7.0f})};
  double position = 0.0;
  // Positions 0, 0.5, ..., 2.5 lie in the pairs (0,1), (1,2), (2,3); 2.5 uses the last pair
  // (L−2, L−1) halfway: −5 + 12·0.5 = 1. Position 3.0 = L−1 ends the sample.
  const std::vector<float> out = fill(samples, 0, position, 0.5, 8);
  const std::vector<float> expected{1.0f, 2.0f, 3.0f, -1.0f, -5.0f, 1.0f, 0.0f, 0.0f};
  EXPECT_EQ(out, expected);
  EXPECT_EQ(position, -1.0);

  // Once stopped it stays silent.
  EXPECT_EQ(fill(samples, 0, position, 0.5, 3), std::vector<float>(3, 0.0f));
  EXPECT_EQ(position, -1.0);
}

TEST(SampleFill, PositionsJustShortOfAndAtTheLastFrame) {
  const std::vector<SampleData> samples{makeSample({0.0f, 10.0f, 20.0f, 30.0f})};
  double position = 2.75;  // inside the last pair: 20 + 10·0.75
  EXPECT_EQ(fill(samples, 0, position, 1.0, 2), (std::vector<float>{27.5f, 0.0f}));
  EXPECT_EQ(position, -1.0);

  position = 3.0;  // exactly L−1: there is no pair left
  EXPECT_EQ(fill(samples, 0, position, 1.0, 2), (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(position, -1.0);
}

TEST(SampleFill, ChunksContinueWhereTheLastOneEnded) {
  std::vector<float> ramp(50);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<float>(i);
  const std::vector<SampleData> samples{makeSample(ramp)};
  double whole = 0.0;
  const std::vector<float> once = fill(samples, 0, whole, 0.75, 40);
  double split = 0.0;
  std::vector<float> pieces = fill(samples, 0, split, 0.75, 3);
  EXPECT_DOUBLE_EQ(split, 2.25);  // three steps of 0.75
  for (int n : {5, 32}) {
    const std::vector<float> more = fill(samples, 0, split, 0.75, n);
    pieces.insert(pieces.end(), more.begin(), more.end());
  }
  EXPECT_EQ(pieces, once);
  EXPECT_DOUBLE_EQ(whole, 30.0);  // 40 steps of 0.75, still short of frame 49
  // On a ramp the interpolated value is the position itself.
  EXPECT_FLOAT_EQ(once[39], 29.25f);
}

TEST(SampleFill, ChangingTheSampleKeepsPositionAndStep) {
  std::vector<float> a(100), b(10);
  for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<float>(i);
  for (size_t i = 0; i < b.size(); ++i) b[i] = 100.0f + static_cast<float>(i);
  const std::vector<SampleData> samples{makeSample(a), makeSample(b, 48)};

  double position = 0.0;
  EXPECT_EQ(fill(samples, 0, position, 2.0, 3), (std::vector<float>{0.0f, 2.0f, 4.0f}));
  // The voice now reads sample 1 from position 6 with the step it started with (2, not
  // one derived from sample 1's root key): 106, 108, then 10 ≥ L−1 = 9 stops it.
  EXPECT_EQ(fill(samples, 1, position, 2.0, 4), (std::vector<float>{106.0f, 108.0f, 0.0f, 0.0f}));
  EXPECT_EQ(position, -1.0);

  position = 40.0;  // already past the shorter sample's end: stops at once
  EXPECT_EQ(fill(samples, 1, position, 2.0, 2), (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(position, -1.0);
}

TEST(SampleFill, IndexOutsideTheListIsSilentAndHoldsThePosition) {
  const std::vector<SampleData> samples{makeSample({0.0f, 1.0f, 2.0f, 3.0f})};
  double position = 1.0;
  EXPECT_EQ(fill(samples, 9, position, 0.5, 4), std::vector<float>(4, 0.0f));
  EXPECT_EQ(position, 1.0);
  EXPECT_EQ(fill(samples, -1, position, 0.5, 1), std::vector<float>(1, 0.0f));
  EXPECT_EQ(position, 1.0);
}

TEST(SampleFill, ExtremeStepsAndPositionsEndTheSampleSafely) {
  const std::vector<SampleData> samples{makeSample({0.5f, 1.0f, 2.0f, 3.0f}),
                                        makeSample({}), makeSample({0.25f})};
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    int index;
    double position;
    double step;
    float first;
    const char* why;
  };
  const Case cases[] = {
      {0, 0.0, 1e300, 0.5f, "a key far above the root: frame 0, then past every index"},
      {0, 0.0, inf, 0.5f, "a step that overflowed"},
      {0, 1e30, 1.0, 0.0f, "a position beyond any integer"},
      {0, nan, 1.0, 0.0f, "a position that is not a number"},
      {1, 0.0, 1.0, 0.0f, "an empty sample"},
      {2, 0.0, 1.0, 0.0f, "a one-frame sample has no pair"},
  };
  for (const Case& c : cases) {
    double position = c.position;
    const std::vector<float> out = fill(samples, c.index, position, c.step, 4);
    EXPECT_EQ(out, (std::vector<float>{c.first, 0.0f, 0.0f, 0.0f})) << c.why;
    EXPECT_EQ(position, -1.0) << c.why;
  }
}

TEST(SampleFill, TableSamplesPlayForTheirRecordedDurationAtAnyRate) {
  const std::vector<SampleData> samples = convertSampleTable();
  constexpr int kOrchHit = 0;  // 48510 frames: the last position that plays is below 48509
  double position = 0.0, step = 0.0;
  struct Case {
    int engineRate;
    int key;
    bool keys;
    int frames;
    const char* why;
  };
  const Case cases[] = {
      {44100, 60, true, 48509, "positions 0..48508, one output frame each"},
      {44100, 72, true, 24255, "step 2: positions 0, 2, ..., 48508"},
      {44100, 72, false, 48509, "Keys off ignores the key"},
      {48000, 60, true, 52799, "ceil(48509 / 0.91875): still 1.1 s of output at 48 kHz"},
  };
  for (const Case& c : cases) {
    startSample(samples, kOrchHit, c.keys, c.engineRate, c.key, position, step);
    EXPECT_EQ(framesUntilStop(samples, kOrchHit, step), c.frames) << c.why;
  }

  // At the recorded speed the input is the converted sample itself, frame for frame.
  startSample(samples, kOrchHit, true, 44100, 60, position, step);
  std::vector<float> out(128);
  fillSampleInput(samples, kOrchHit, position, step, out.data(), 128);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), samples[kOrchHit].frames.begin()));
}

}  // namespace
}  // namespace strobe95
