#pragma once
// Where a render's tail ends: once the output has stayed below -90 dBFS for 100 ms, or
// after 30 s however long the reverb rings. Fed the tail's frames in order.
#include <cstdint>

namespace strobe95::tools {

class TailEnd {
 public:
  static constexpr float kSilence = 3.1622777e-5f;  // -90 dBFS
  static constexpr double kQuietSeconds = 0.1;
  static constexpr double kLongestSeconds = 30.0;

  explicit TailEnd(int rate)
      : quietNeeded_(static_cast<uint64_t>(kQuietSeconds * rate)),
        longest_(static_cast<uint64_t>(kLongestSeconds * rate)) {}

  // Takes one frame of the tail; true when the tail ends with it.
  bool take(float left, float right) {
    ++frames_;
    quiet_ = (left > -kSilence && left < kSilence && right > -kSilence && right < kSilence) ? quiet_ + 1 : 0;
    return quiet_ >= quietNeeded_ || frames_ >= longest_;
  }

  uint64_t frames() const { return frames_; }

 private:
  uint64_t quietNeeded_;
  uint64_t longest_;
  uint64_t quiet_ = 0;
  uint64_t frames_ = 0;
};

}  // namespace strobe95::tools
