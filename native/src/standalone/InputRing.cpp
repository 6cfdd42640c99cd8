#include "InputRing.h"

#include <algorithm>

namespace strobe95::standalone {

void InputRing::reset(uint32_t channels, uint32_t capacity) {
  channels_ = channels;
  capacity_ = capacity;
  read_ = 0;
  fill_ = 0;
  samples_.assign(size_t(channels) * capacity, 0.0f);
}

uint32_t InputRing::pushed(uint32_t frames) {
  const uint32_t taken = std::min(frames, space());
  fill_ += taken;
  return taken;
}

uint32_t InputRing::push(const uint8_t* device, uint32_t frames, const ChannelWindow& window) {
  const uint32_t taken = std::min(frames, space());
  if (taken == 0) return 0;
  const uint32_t size = bytesPerSample(window.format);
  const size_t frameBytes = size_t(size) * window.deviceChannels;
  for (uint32_t c = 0; c < channels_; ++c) {
    float* channel = samples_.data() + size_t(c) * capacity_;
    const bool inside = c < window.count && window.first + c < window.deviceChannels;
    const uint8_t* at = device + size_t(size) * (window.first + c);
    uint32_t write = (read_ + fill_) % capacity_;
    for (uint32_t i = 0; i < taken; ++i, at += frameBytes) {
      channel[write] = inside ? decodeSample(at, window.format) : 0.0f;
      if (++write == capacity_) write = 0;
    }
  }
  return pushed(taken);
}

uint32_t InputRing::pushSilence(uint32_t frames) {
  const uint32_t taken = std::min(frames, space());
  if (taken == 0) return 0;
  for (uint32_t c = 0; c < channels_; ++c) {
    float* channel = samples_.data() + size_t(c) * capacity_;
    uint32_t write = (read_ + fill_) % capacity_;
    for (uint32_t i = 0; i < taken; ++i) {
      channel[write] = 0.0f;
      if (++write == capacity_) write = 0;
    }
  }
  return pushed(taken);
}

void InputRing::pop(float* const* out, uint32_t frames) {
  if (frames == 0) return;
  if (fill_ < frames) {
    for (uint32_t c = 0; c < channels_; ++c) std::fill(out[c], out[c] + frames, 0.0f);
    return;
  }
  for (uint32_t c = 0; c < channels_; ++c) {
    const float* channel = samples_.data() + size_t(c) * capacity_;
    uint32_t at = read_;
    for (uint32_t i = 0; i < frames; ++i) {
      out[c][i] = channel[at];
      if (++at == capacity_) at = 0;
    }
  }
  read_ = (read_ + frames) % capacity_;
  fill_ -= frames;
}

void InputRing::trim(uint32_t inputPeriod, uint32_t block) {
  if (fill_ <= inputPeriod / 2 + 2 * block) return;
  const uint32_t keep = inputPeriod / 2 + block;
  read_ = (read_ + (fill_ - keep)) % capacity_;
  fill_ = keep;
}

}  // namespace strobe95::standalone
