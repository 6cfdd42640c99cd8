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

  // The scoop's shape in [0, 1] for `count` samples, where rose[i] says the gate rose on
  // sample i: the counter steps first, then the shapes follow from the counts in a loop
  // the compiler vectorises.
  void run(const bool* rose, int count, const ScoopTiming& timing, float* shape) {
    int32_t counter = count_;
    for (int i = 0; i < count; ++i) {
      if (rose[i]) {
        counter = 1;
      } else if (counter > 0 && counter < kCountLimit) {
        ++counter;
      }
      shape[i] = static_cast<float>(counter);
    }
    count_ = counter;
    for (int i = 0; i < count; ++i) {
      const float k = shape[i];
      shape[i] = std::max(0.0f, std::min(k * timing.attackInv, 1.0f + (timing.attackLength - k) * timing.returnInv));
    }
  }

 private:
  // Far past the end of any scoop; stopping there keeps a note held for days from
  // overflowing the counter back into a scoop.
  static constexpr int32_t kCountLimit = 1 << 30;

  int32_t count_ = 0;
};

}  // namespace strobe95::voice
