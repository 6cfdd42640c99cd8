#pragma once
// A power-of-two ring of floats addressed by the processor's one shared write index, so
// every line of a processor advances together and a read is a subtraction and a mask.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace strobe95::fx {

template <std::size_t kLength>
class DelayLine {
  static_assert(kLength > 1 && (kLength & (kLength - 1)) == 0, "the index is masked, not wrapped");

 public:
  // A reset clears megabytes on the audio thread: the widest clear there is.
  void clear() { std::memset(samples_.data(), 0, sizeof samples_); }

  void write(uint32_t index, float x) { samples_[index & kMask] = x; }

  // The value written `delay` samples before `index`; 0 is the one just written.
  float read(uint32_t index, uint32_t delay) const { return samples_[(index - delay) & kMask]; }

  // Linear interpolation between the two slots around a fractional delay. The slots are
  // kept inside the line whatever the delay, so even a runaway value reads valid memory.
  float readFractional(uint32_t index, float delay) const {
    constexpr float kLastSlot = static_cast<float>(kLength - 1);
    constexpr int kLastSlotIndex = static_cast<int>(kLength - 1);
    // std::max/min in this order also turn a NaN delay into slot 0.
    const int whole = static_cast<int>(std::min(kLastSlot, std::max(-1.0f, delay)));
    const auto nearSlot = static_cast<uint32_t>(std::clamp(whole, 0, kLastSlotIndex));
    const auto farSlot = static_cast<uint32_t>(std::clamp(whole + 1, 0, kLastSlotIndex));
    const float fraction = delay - std::floor(delay);
    return (1.0f - fraction) * read(index, nearSlot) + fraction * read(index, farSlot);
  }

  // Silence in the `count` slots from `index` on, as writing zeros there frame by frame would.
  void silence(uint32_t index, uint32_t count) {
    for (uint32_t i = 0; i < std::min<uint32_t>(count, kLength); ++i) samples_[(index + i) & kMask] = 0.0f;
  }

 private:
  static constexpr uint32_t kMask = static_cast<uint32_t>(kLength - 1);

  std::array<float, kLength> samples_{};
};

}  // namespace strobe95::fx
