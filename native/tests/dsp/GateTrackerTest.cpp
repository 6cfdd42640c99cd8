// A run of samples at one gate value must give the edges and clocks that stepping the
// tracker sample by sample gives, from any state: the voice's envelopes and scoop read
// the run's arrays as if each sample had been stepped.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "GateTracker.h"

namespace strobe95::test {
namespace {

using voice::GateEdges;
using voice::GateTracker;

TEST(GateTrackerRun, GivesWhatSteppingGivesFromEveryStateAndGate) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    std::vector<float> before;  // gate values stepped one by one first
    float gate;
    int count;
  };
  const std::vector<float> longHold(20000, 1.0f);
  const Case cases[] = {
      {"a note start from silence", {0.0f, 0.0f}, 1.0f, 128},
      {"a held note", {1.0f, 1.0f, 1.0f}, 1.0f, 128},
      {"a rise without passing 0", {0.5f, 0.5f}, 1.0f, 77},
      {"a release", {1.0f, 1.0f}, 0.0f, 128},
      {"negative zero releases too", {1.0f}, -0.0f, 31},
      {"a gate below zero", {1.0f}, -1.0f, 64},
      {"a gate that is not a number", {1.0f}, nan, 40},
      {"a single sample", {0.0f}, 1.0f, 1},
      {"a long hold", longHold, 1.0f, 128},
  };
  for (const Case& c : cases) {
    GateTracker stepped, run;
    for (const float g : c.before) {
      stepped.next(g);
      run.next(g);
    }
    std::vector<char> rose(size_t(c.count));
    std::vector<float> sinceRise(size_t(c.count)), sinceRelease(size_t(c.count));
    const bool trigger = run.run(c.gate, c.count, reinterpret_cast<bool*>(rose.data()), sinceRise.data(),
                                 sinceRelease.data());
    for (int i = 0; i < c.count; ++i) {
      const GateEdges e = stepped.next(c.gate);
      if (i == 0) {
        EXPECT_EQ(trigger, e.trigger) << c.what;
      } else {
        EXPECT_FALSE(e.trigger) << c.what << ": a held value starts no note";
      }
      EXPECT_EQ(bool(rose[size_t(i)]), e.rose) << c.what << " at " << i;
      EXPECT_EQ(sinceRise[size_t(i)], e.sinceRise) << c.what << " at " << i;
      EXPECT_EQ(sinceRelease[size_t(i)], e.sinceRelease) << c.what << " at " << i;
    }
    // And both carry on alike.
    for (const float g : {c.gate, 0.0f, 1.0f}) {
      const GateEdges a = stepped.next(g), b = run.next(g);
      EXPECT_EQ(a.sinceRise, b.sinceRise) << c.what;
      EXPECT_EQ(a.sinceRelease, b.sinceRelease) << c.what;
    }
  }
}

// The rise count stops where float counting by ones stops (2^24, after 5.8 minutes at
// 48 kHz); the release count, an integer, counts on past it exactly.
TEST(GateTrackerRun, ClocksStopAtTheirLimitsAsSteppingDoes) {
  for (const float gate : {1.0f, 0.0f}) {
    GateTracker stepped, run;
    // Runs of an odd length, so the counts at their ends are odd and even by turns: past
    // 2^24 a count kept in float would lose its odd ones.
    constexpr int kRun = 127;
    constexpr int kRuns = (16777216 + 100000) / kRun;
    std::vector<char> rose(kRun);
    std::vector<float> sinceRise(kRun), sinceRelease(kRun);
    for (int r = 0; r < kRuns; ++r) {
      run.run(gate, kRun, reinterpret_cast<bool*>(rose.data()), sinceRise.data(), sinceRelease.data());
      GateEdges e;
      for (int i = 0; i < kRun; ++i) e = stepped.next(gate);
      ASSERT_EQ(sinceRise[kRun - 1], e.sinceRise) << "gate " << gate << " run " << r;
      ASSERT_EQ(sinceRelease[kRun - 1], e.sinceRelease) << "gate " << gate << " run " << r;
    }
    if (gate > 0) {
      EXPECT_EQ(sinceRise[kRun - 1], 16777216.0f);
    } else {
      EXPECT_EQ(sinceRelease[kRun - 1], float(kRuns * kRun));
    }
  }
}

}  // namespace
}  // namespace strobe95::test
