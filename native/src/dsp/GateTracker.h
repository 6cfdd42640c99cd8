#pragma once
// Follows the gate control sample by sample and keeps the two clocks both envelopes run
// on: samples since the gate last rose (held while the gate is 0) and samples since it
// fell to 0.
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

 private:
  // Past the longest release at the highest rate; stopping there keeps an idle voice
  // from overflowing the count after hours.
  static constexpr int32_t kReleaseCountLimit = 1 << 30;

  float previousGate_ = 0.0f;
  float sinceRise_ = 0.0f;
  int32_t sinceRelease_ = 0;
};

}  // namespace strobe95::voice
