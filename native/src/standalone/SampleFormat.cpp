#include "SampleFormat.h"

#include <algorithm>
#include <cstring>

namespace strobe95::standalone {

SampleFormat sampleFormatOf(uint16_t tag, uint16_t bitsPerSample, uint16_t extensionSize, SubFormat subFormat) {
  const bool extensible = tag == kWaveFormatExtensible && extensionSize >= kExtensibleSize;
  const bool isFloat = tag == kWaveFormatIeeeFloat || (extensible && subFormat == SubFormat::IeeeFloat);
  const bool isPcm = tag == kWaveFormatPcm || (extensible && subFormat == SubFormat::Pcm);
  if (isFloat) return bitsPerSample == 32 ? SampleFormat::Float32 : SampleFormat::Unusable;
  if (!isPcm) return SampleFormat::Unusable;
  switch (bitsPerSample) {
    case 16: return SampleFormat::Pcm16;
    case 24: return SampleFormat::Pcm24;
    case 32: return SampleFormat::Pcm32;
    default: return SampleFormat::Unusable;
  }
}

uint32_t bytesPerSample(SampleFormat format) {
  switch (format) {
    case SampleFormat::Float32: return 4;
    case SampleFormat::Pcm16: return 2;
    case SampleFormat::Pcm24: return 3;
    case SampleFormat::Pcm32: return 4;
    default: return 0;
  }
}

float decodeSample(const uint8_t* sample, SampleFormat format) {
  switch (format) {
    case SampleFormat::Float32: {
      float value;
      std::memcpy(&value, sample, sizeof value);
      return value;
    }
    case SampleFormat::Pcm16:
      return float(int16_t(uint16_t(sample[0] | sample[1] << 8))) * (1.0f / 32768.0f);
    case SampleFormat::Pcm24:
      return float(int32_t(uint32_t(sample[0]) << 8 | uint32_t(sample[1]) << 16 | uint32_t(sample[2]) << 24)) *
             0x1p-31f;
    case SampleFormat::Pcm32:
      return float(int32_t(uint32_t(sample[0]) | uint32_t(sample[1]) << 8 | uint32_t(sample[2]) << 16 |
                           uint32_t(sample[3]) << 24)) *
             0x1p-31f;
    default: return 0.0f;
  }
}

void encodeSample(float value, SampleFormat format, uint8_t* sample) {
  if (format == SampleFormat::Float32) {
    std::memcpy(sample, &value, sizeof value);
    return;
  }
  // NaN clamps to -1 here: std::clamp keeps it, and a NaN cast to an integer is undefined.
  const double clamped = value >= -1.0f ? std::min(double(value), 1.0) : -1.0;
  const double scaled = std::clamp(clamped * 2147483648.0, -2147483648.0, 2147483647.0);
  const uint32_t bits = uint32_t(int32_t(scaled));
  switch (format) {
    case SampleFormat::Pcm16:
      sample[0] = uint8_t(bits >> 16);
      sample[1] = uint8_t(bits >> 24);
      break;
    case SampleFormat::Pcm24:
      sample[0] = uint8_t(bits >> 8);
      sample[1] = uint8_t(bits >> 16);
      sample[2] = uint8_t(bits >> 24);
      break;
    case SampleFormat::Pcm32:
      for (int i = 0; i < 4; ++i) sample[i] = uint8_t(bits >> (8 * i));
      break;
    default: break;
  }
}

void writeDeviceFrames(const float* const* channels, uint32_t frames, const ChannelWindow& window, uint8_t* device) {
  const uint32_t size = bytesPerSample(window.format);
  const size_t frameBytes = size_t(size) * window.deviceChannels;
  std::memset(device, 0, frameBytes * frames);
  const uint32_t count = std::min(window.count, window.deviceChannels > window.first ? window.deviceChannels - window.first : 0u);
  for (uint32_t c = 0; c < count; ++c) {
    uint8_t* at = device + size_t(size) * (window.first + c);
    for (uint32_t i = 0; i < frames; ++i, at += frameBytes) encodeSample(channels[c][i], window.format, at);
  }
}

}  // namespace strobe95::standalone
