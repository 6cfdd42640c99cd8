#pragma once
// The hoover's pitch scoop: at every note start the pitch dips within half a millisecond
// and climbs back linearly, the swoop that makes a detuned saw stack sound like a hoover.
#include <algorithm>
#include <cstdint>

namespace strobe95::voice {

inline constexpr float kScoopAttackSeconds = 0.0005f;
inline constexpr float kScoopReturnSeconds = 0.18f;
// At full depth a note starts a quarter low, just under a fourth.
inline constexpr float kScoopDepth = 0.25f;

struct ScoopTiming {
  float attackLength = 1.0f;  // samples
  float attackInv = 1.0f;
  float returnInv = 1.0f;

  static ScoopTiming at(float sampleRate) {
    ScoopTiming timing;
    timing.attackLength = std::max(1.0f, kScoopAttackSeconds * sampleRate);
    timing.attackInv = 1.0f / timing.attackLength;
    timing.returnInv = 1.0f / std::max(1.0f, kScoopReturnSeconds * sampleRate);
    return timing;
  }
};

class HooverScoop {
 public:
  void clear() { count_ = 0; }

  // The scoop's shape in [0, 1] for this sample; rose: the gate rose on this sample.
  float next(bool rose, const ScoopTiming& timing) {
    if (rose) {
      count_ = 1;
    } else if (count_ > 0 && count_ < kCountLimit) {
      ++count_;
    }
    const float k = static_cast<float>(count_);
    return std::max(0.0f, std::min(k * timing.attackInv,
                                   1.0f + (timing.attackLength - k) * timing.returnInv));
  }

 private:
  // Far past the end of any scoop; stopping there keeps a note held for days from
  // overflowing the counter back into a scoop.
  static constexpr int32_t kCountLimit = 1 << 30;

  int32_t count_ = 0;
};

}  // namespace strobe95::voice
