#pragma once
// Follows the gate control sample by sample and keeps the two clocks both envelopes run
// on: samples since the gate last rose (held while the gate is 0) and samples since it
// fell to 0.
#include <algorithm>
#include <cstdint>

namespace strobe95::voice {

struct GateEdges {
  bool trigger = false;  // a note starts: the gate rose from 0 or below
  bool rose = false;     // the gate rose, from any value, including 0.5 to 1
  float sinceRise = 0.0f;
  float sinceRelease = 0.0f;
};

class GateTracker {
 public:
  void clear() {
    previousGate_ = 0.0f;
    sinceRise_ = 0.0f;
    sinceRelease_ = 0;
  }

  GateEdges next(float gate) {
    const bool gateOn = gate > 0.0f;
    GateEdges edges;
    edges.trigger = previousGate_ <= 0.0f && gateOn;
    edges.rose = !(previousGate_ >= gate);
    previousGate_ = gate;
    // A float count: it stops growing by itself at 2^24, long after every envelope
    // segment has ended.
    sinceRise_ = (edges.rose ? 0.0f : sinceRise_) + (gateOn ? 1.0f : 0.0f);
    if (gate == 0.0f) {
      if (sinceRelease_ < kReleaseCountLimit) ++sinceRelease_;
    } else {
      sinceRelease_ = 0;
    }
    edges.sinceRise = sinceRise_;
    edges.sinceRelease = static_cast<float>(sinceRelease_);
    return edges;
  }

  // The edges and clocks of `count` samples over which the gate control holds one value,
  // as next() would give them: only the first sample can see the gate move, so the rest
  // follow from it without a chain from sample to sample. Returns whether the first
  // sample starts a note.
  bool run(float gate, int count, bool* rose, float* sinceRise, float* sinceRelease) {
    const GateEdges first = next(gate);
    rose[0] = first.rose;
    sinceRise[0] = first.sinceRise;
    sinceRelease[0] = first.sinceRelease;
    // Against itself the gate rises only if it is not a number; then the count restarts
    // at every sample.
    const bool risesAgain = !(gate >= gate);
    const float step = gate > 0.0f ? 1.0f : 0.0f;
    const float riseStart = risesAgain ? 0.0f : sinceRise_;
    const int32_t releaseStart = gate == 0.0f ? sinceRelease_ : -1;
    for (int i = 1; i < count; ++i) {
      rose[i] = risesAgain;
      // Counting by ones in float stops at 2^24, where the next one rounds away.
      sinceRise[i] = risesAgain ? step : std::min(riseStart + static_cast<float>(i) * step, kRiseCountLimit);
      sinceRelease[i] = releaseStart < 0 ? 0.0f : static_cast<float>(std::min(releaseStart + i, kReleaseCountLimit));
    }
    if (count > 1) {
      sinceRise_ = sinceRise[count - 1];
      // From the integers: past 2^24 the float copies have lost their odd counts.
      sinceRelease_ = releaseStart < 0 ? 0 : std::min(releaseStart + count - 1, kReleaseCountLimit);
    }
    return first.trigger;
  }

 private:
  static constexpr float kRiseCountLimit = 16777216.0f;  // 2^24
  // Past the longest release at the highest rate; stopping there keeps an idle voice
  // from overflowing the count after hours.
  static constexpr int32_t kReleaseCountLimit = 1 << 30;

  float previousGate_ = 0.0f;
  float sinceRise_ = 0.0f;
  int32_t sinceRelease_ = 0;
};

}  // namespace strobe95::voice
