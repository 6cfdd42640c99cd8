#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "EffectsRig.h"

namespace strobe95::test {
namespace {

TEST(EffectsDelay, LeftOnlyInputGetsNoEchoesAndNoEchoFedReverbRightOnlyDoes) {
  auto render = [](float delayMix, bool rightSide) {
    EffectsRig rig;
    rig.set("chorus", 0.5f);
    rig.set("reverb_mix", 0.5f);
    rig.set("delay_feedback", 0.9f);
    rig.set("delay_seconds", 0.01f);
    rig.set("delay_mix", delayMix);
    StereoBuffer input{24000};
    (rightSide ? input.right : input.left) = noise(24000, 0.5f);
    return rig.run(input);
  };
  // The delay lines only ever receive the right channel, so a left-only signal renders
  // identically whether the echoes are mixed in or not.
  const StereoBuffer leftDry = render(0.0f, false);
  const StereoBuffer leftWet = render(1.0f, false);
  EXPECT_EQ(leftWet.left, leftDry.left);
  EXPECT_EQ(leftWet.right, leftDry.right);

  const StereoBuffer rightDry = render(0.0f, true);
  const StereoBuffer rightWet = render(1.0f, true);
  EXPECT_NE(rightWet.left, rightDry.left);
  EXPECT_NE(rightWet.right, rightDry.right);
}

// The echo train a click on the right must produce, built from the filter's transfer
// function a(1 + z^-1) / (1 - (1 - 2a) z^-1), a = tan(pi fc / fs) / (1 + tan(pi fc / fs)):
// the first echo D samples later on the right, then each one fb times the previous, one
// more pass through the filter and D + 1 samples later (the extra sample is the hop from
// one line's output into the other line), alternating sides.
StereoBuffer expectedEchoes(std::size_t frames, std::size_t click, std::size_t delay, double feedback,
                            double toneHz, double sampleRate) {
  const double t = std::tan(std::numbers::pi * toneHz / sampleRate);
  const double a = t / (1.0 + t);
  auto filter = [&](const std::vector<double>& x) {
    std::vector<double> y(x.size(), 0.0);
    for (std::size_t n = 1; n < x.size(); ++n) y[n] = (1.0 - 2.0 * a) * y[n - 1] + a * (x[n] + x[n - 1]);
    return y;
  };
  StereoBuffer expected{frames};
  expected.right[click] = 1.0f;  // the dry click
  std::vector<double> echo(frames, 0.0);
  echo[click + delay] = 1.0;
  echo = filter(echo);
  for (int k = 1; click + k * delay < frames; ++k) {
    std::vector<float>& side = k % 2 == 1 ? expected.right : expected.left;
    for (std::size_t n = 0; n < frames; ++n) side[n] += static_cast<float>(echo[n]);
    std::vector<double> next(frames, 0.0);
    for (std::size_t n = delay + 1; n < frames; ++n) next[n] = feedback * echo[n - delay - 1];
    echo = filter(next);
  }
  return expected;
}

TEST(EffectsDelay, EachEchoIsThePreviousTimesFeedbackThroughTheToneFilterOnceMore) {
  struct Case {
    float tone, feedback;
  };
  const Case cases[] = {{12000, 0.5f}, {3500, 0.35f}, {500, 0.9f}};
  constexpr std::size_t kClick = 48000;  // after a second the delay time has settled
  constexpr std::size_t kDelay = 4800;   // 0.1 s
  constexpr std::size_t kFrames = kClick + 4 * (kDelay + 1) + 2000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tone);
    EffectsRig rig;
    rig.set("delay_mix", 1.0f);
    rig.set("delay_seconds", 0.1f);
    rig.set("delay_tone", c.tone);
    rig.set("delay_feedback", c.feedback);
    StereoBuffer input{kFrames};
    input.right[kClick] = 1.0f;
    const StereoBuffer output = rig.run(input);
    const StereoBuffer expected = expectedEchoes(kFrames, kClick, kDelay, c.feedback, c.tone, 48000.0);
    for (std::size_t n = 0; n < kFrames; ++n) {
      ASSERT_NEAR(output.right[n], expected.right[n], 2e-6f) << n - kClick;
      ASSERT_NEAR(output.left[n], expected.left[n], 2e-6f) << n - kClick;
    }
  }
}

TEST(EffectsDelay, TimeGlidesWithATimeConstantOf22_7Milliseconds) {
  // A ramp on the right tells, sample by sample, how far back the delay reads: the echo of
  // a ramp is the ramp D samples (plus the tone filter's half-sample lag) earlier.
  for (int rate : {48000, 96000}) {
    SCOPED_TRACE(rate);
    const auto fs = static_cast<double>(rate);
    const std::size_t jump = static_cast<std::size_t>(rate);  // the first second settles at 0.1 s
    const std::size_t frames = 2 * jump;
    constexpr float kScale = 1e-3f;
    EffectsRig rig(rate);
    rig.set("delay_mix", 1.0f);
    rig.set("delay_feedback", 0.0f);
    rig.set("delay_tone", 12000.0f);
    rig.set("delay_seconds", 0.1f);
    StereoBuffer input{frames};
    for (std::size_t n = 0; n < frames; ++n) input.right[n] = kScale * static_cast<float>(n);
    StereoBuffer head{jump};
    std::copy_n(input.right.begin(), jump, head.right.begin());
    const StereoBuffer before = rig.run(head);
    rig.set("delay_seconds", 0.5f);
    StereoBuffer tail{jump};
    std::copy(input.right.begin() + static_cast<long>(jump), input.right.end(), tail.right.begin());
    const StereoBuffer after = rig.run(tail);

    auto delayAt = [&](const StereoBuffer& output, std::size_t offset, std::size_t n) {
      const double echo = static_cast<double>(output.right[n]) - input.right[offset + n];
      return static_cast<double>(offset + n) - echo / kScale;
    };
    EXPECT_NEAR(delayAt(before, 0, jump - 1), 0.1 * fs, 2.0);
    struct Point {
      double seconds, expected;  // after the jump; the glide's share covered, 1 - e^(-t/tau)
    };
    const double tau = 1.0 / 44.1;
    for (const Point p : {Point{tau, 1.0 - std::exp(-1.0)}, Point{3 * tau, 1.0 - std::exp(-3.0)},
                          Point{0.9, 1.0}}) {
      const auto n = static_cast<std::size_t>(p.seconds * fs);
      const double covered = (delayAt(after, jump, n) / fs - 0.1) / 0.4;
      // The read head races backwards while the delay grows (the echo's pitch bends
      // down), and the tone filter lags that by a few samples: allow 0.2 ms.
      EXPECT_NEAR(covered, p.expected, 0.0002 / 0.4) << p.seconds;
    }
  }
}

TEST(EffectsDelay, NeverReachesFurtherBackThan191999Samples) {
  struct Case {
    int rate;
    float seconds;
    std::size_t expected;
  };
  const Case cases[] = {
      {48000, 2.0f, 96000},     // two seconds fit
      {96000, 2.0f, 191999},    // 192000 is clamped to the line's reach
      {192000, 0.5f, 96000},    // within reach
      {192000, 1.5f, 191999},   // at 192 kHz just under a second is the longest delay
      {192000, 2.0f, 191999},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    SCOPED_TRACE(c.seconds);
    EffectsRig rig(c.rate);
    rig.set("delay_mix", 1.0f);
    rig.set("delay_seconds", c.seconds);
    const auto click = static_cast<std::size_t>(c.rate);  // after a second the time has settled
    StereoBuffer input{click + c.expected + 16};
    input.right[click] = 1.0f;
    const StereoBuffer output = rig.run(input);
    std::size_t first = click + 1;
    while (first < output.size() && output.right[first] == 0.0f) ++first;
    EXPECT_EQ(first - click, c.expected);
  }
}

}  // namespace
}  // namespace strobe95::test
