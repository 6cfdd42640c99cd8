#pragma once
// The captured input between the capture packets and the render periods: planar float
// frames in a ring sized when the stream opens, so the render thread never allocates.
// The render thread is its only user.
#include <cstdint>
#include <vector>

#include "SampleFormat.h"

namespace strobe95::standalone {

class InputRing {
 public:
  // Opening the stream: `capacity` = the input device period + 4 blocks.
  void reset(uint32_t channels, uint32_t capacity);

  uint32_t capacity() const { return capacity_; }
  uint32_t fill() const { return fill_; }
  uint32_t space() const { return capacity_ - fill_; }

  // A capture packet: its window's channels converted to float, or zeros for a packet
  // flagged silent. Takes at most the free space; returns the frames taken.
  uint32_t push(const uint8_t* device, uint32_t frames, const ChannelWindow& window);
  uint32_t pushSilence(uint32_t frames);

  // Moves `frames` of the oldest frames out into planar buffers, or zeros when fewer are
  // held (the held ones stay for later).
  void pop(float* const* out, uint32_t frames);

  // Input running ahead of the output by more than half an input period plus two blocks
  // is cut back to half a period plus one block, dropping the oldest frames.
  void trim(uint32_t inputPeriod, uint32_t block);

 private:
  uint32_t pushed(uint32_t frames);

  uint32_t channels_ = 0;
  uint32_t capacity_ = 0;
  uint32_t read_ = 0;
  uint32_t fill_ = 0;
  std::vector<float> samples_;  // channel c at [c * capacity_, (c + 1) * capacity_)
};

}  // namespace strobe95::standalone
