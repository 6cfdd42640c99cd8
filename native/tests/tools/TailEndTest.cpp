#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "TailEnd.h"

namespace strobe95::tools {
namespace {

// Feeds a tail sample by sample until it ends (or a minute passes); the frames it took.
uint64_t tailOf(int rate, const std::function<float(uint64_t)>& signal) {
  TailEnd end(rate);
  for (uint64_t i = 0; i < uint64_t(rate) * 60; ++i) {
    if (end.take(signal(i), -signal(i))) return end.frames();
  }
  return 0;
}

TEST(TailEnd, EndsAfterATenthOfASecondBelowMinus90DbfsAtMostAfterThirtySeconds) {
  const float quiet = 0.9f * TailEnd::kSilence, heard = 1.1f * TailEnd::kSilence;
  struct Case {
    const char* what;
    int rate;
    std::function<float(uint64_t)> signal;
    uint64_t frames;
  };
  const Case cases[] = {
      {"silence", 48000, [](uint64_t) { return 0.0f; }, 4800},
      {"just below -90 dBFS", 44100, [=](uint64_t) { return quiet; }, 4410},
      {"a second heard, then silence", 48000, [=](uint64_t i) { return i < 48000 ? heard : 0.0f; }, 48000 + 4800},
      // A single loud sample inside the quiet tenth starts it again.
      {"a click after 50 ms of quiet", 48000, [](uint64_t i) { return i == 2400 ? 0.5f : 0.0f; }, 2401 + 4800},
      {"a reverb that never falls silent", 96000, [=](uint64_t) { return heard; }, 30 * 96000},
      {"a decay of 60 dB a second from full scale", 48000,
       [](uint64_t i) { return std::pow(10.0f, -3.0f * float(i) / 48000.0f); }, 72000 + 4800},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(double(tailOf(c.rate, c.signal)), double(c.frames), 1.0) << c.what;
  }
}

}  // namespace
}  // namespace strobe95::tools
