#pragma once
// The sample formats an audio endpoint may use, and the conversions between them and the
// host's 32-bit float samples. Pure: the Windows backend decides the format from the
// endpoint's format description and moves frames with these.
#include <cstdint>

namespace strobe95::standalone {

enum class SampleFormat : uint8_t { Unusable = 0, Float32 = 1, Pcm16 = 2, Pcm24 = 3, Pcm32 = 4 };

// What an extensible format's sub-format GUID names, as far as the formats go.
enum class SubFormat : uint8_t { Other, Pcm, IeeeFloat };

inline constexpr uint16_t kWaveFormatPcm = 1;
inline constexpr uint16_t kWaveFormatIeeeFloat = 3;
inline constexpr uint16_t kWaveFormatExtensible = 0xFFFE;
inline constexpr uint16_t kExtensibleSize = 22;  // the extension an extensible format carries

// The format of a description: its tag, bits per sample, extension size and sub-format.
SampleFormat sampleFormatOf(uint16_t tag, uint16_t bitsPerSample, uint16_t extensionSize, SubFormat subFormat);

uint32_t bytesPerSample(SampleFormat format);

// One device sample to float: float as is, 16-bit over 32768, 24- and 32-bit as a 32-bit
// integer over 2^31.
float decodeSample(const uint8_t* sample, SampleFormat format);

// One float to a device sample: integers take it clamped to [-1, 1], times 2^31, clamped
// to the 32-bit range and truncated, and keep its upper 16, 24 or 32 bits.
void encodeSample(float value, SampleFormat format, uint8_t* sample);

// A window of device channels: `count` channels starting at `first`, inside frames of
// `deviceChannels` interleaved samples.
struct ChannelWindow {
  SampleFormat format = SampleFormat::Unusable;
  uint32_t deviceChannels = 0;
  uint32_t first = 0;
  uint32_t count = 0;
};

// Writes planar float channels into a device buffer of `frames` frames: the buffer is
// zeroed first, so device channels outside the window stay silent.
void writeDeviceFrames(const float* const* channels, uint32_t frames, const ChannelWindow& window, uint8_t* device);

}  // namespace strobe95::standalone
