#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "InputRing.h"
#include "SampleFormat.h"

namespace strobe95::standalone {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(SampleFormat, FormatDescriptionsGiveTheirCodes) {
  struct Case {
    uint16_t tag, bits, extension;
    SubFormat sub;
    SampleFormat expected;
  };
  const Case cases[] = {
      {kWaveFormatIeeeFloat, 32, 0, SubFormat::Other, SampleFormat::Float32},
      {kWaveFormatIeeeFloat, 64, 0, SubFormat::Other, SampleFormat::Unusable},
      {kWaveFormatPcm, 16, 0, SubFormat::Other, SampleFormat::Pcm16},
      {kWaveFormatPcm, 24, 0, SubFormat::Other, SampleFormat::Pcm24},
      {kWaveFormatPcm, 32, 0, SubFormat::Other, SampleFormat::Pcm32},
      {kWaveFormatPcm, 8, 0, SubFormat::Other, SampleFormat::Unusable},
      {kWaveFormatExtensible, 32, 22, SubFormat::IeeeFloat, SampleFormat::Float32},
      {kWaveFormatExtensible, 24, 22, SubFormat::Pcm, SampleFormat::Pcm24},
      {kWaveFormatExtensible, 32, 21, SubFormat::IeeeFloat, SampleFormat::Unusable},  // extension too short
      {kWaveFormatExtensible, 16, 22, SubFormat::Other, SampleFormat::Unusable},
      {0x0055, 16, 0, SubFormat::Other, SampleFormat::Unusable},  // a compressed format
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sampleFormatOf(c.tag, c.bits, c.extension, c.sub), c.expected)
        << "tag " << c.tag << ", " << c.bits << " bits, extension " << c.extension;
  }
}

// Integer samples: what a float becomes on the device, and what device bytes read as.
TEST(SampleFormat, IntegersAreClampedScaledTruncatedAndReadBack) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    SampleFormat format;
    float value;
    Bytes bytes;  // little-endian
    float readBack;
  };
  const Case cases[] = {
      {SampleFormat::Pcm16, 0.5f, {0x00, 0x40}, 0.5f},
      {SampleFormat::Pcm16, -1.0f, {0x00, 0x80}, -1.0f},
      {SampleFormat::Pcm16, 1.0f, {0xFF, 0x7F}, 32767.0f / 32768.0f},  // 2^31 clamps to the top
      {SampleFormat::Pcm16, 2.5f, {0xFF, 0x7F}, 32767.0f / 32768.0f},
      {SampleFormat::Pcm16, -0.00001f, {0xFF, 0xFF}, -1.0f / 32768.0f},  // the 32-bit value's upper bits
      {SampleFormat::Pcm24, 0.25f, {0x00, 0x00, 0x20}, 0.25f},
      {SampleFormat::Pcm24, -1.0f, {0x00, 0x00, 0x80}, -1.0f},
      {SampleFormat::Pcm24, 1.0f, {0xFF, 0xFF, 0x7F}, float(0x7FFFFF00) * 0x1p-31f},
      {SampleFormat::Pcm32, -0.5f, {0x00, 0x00, 0x00, 0xC0}, -0.5f},
      {SampleFormat::Pcm32, 1.0f, {0xFF, 0xFF, 0xFF, 0x7F}, 1.0f},  // 2^31 - 1 reads back as 1.0 in float
      {SampleFormat::Pcm32, -INFINITY, {0x00, 0x00, 0x00, 0x80}, -1.0f},
      {SampleFormat::Pcm32, nan, {0x00, 0x00, 0x00, 0x80}, -1.0f},  // never an undefined cast
  };
  for (const Case& c : cases) {
    Bytes written(c.bytes.size(), 0xAA);
    encodeSample(c.value, c.format, written.data());
    EXPECT_EQ(written, c.bytes) << "format " << int(c.format) << ", value " << c.value;
    EXPECT_FLOAT_EQ(decodeSample(c.bytes.data(), c.format), c.readBack) << "format " << int(c.format);
  }
}

TEST(SampleFormat, FloatsPassUnchanged) {
  for (const float value : {0.0f, -0.75f, 3.5f, 1e-30f}) {
    uint8_t bytes[4];
    encodeSample(value, SampleFormat::Float32, bytes);
    EXPECT_EQ(decodeSample(bytes, SampleFormat::Float32), value);
  }
}

// Two stream channels into the window at device channels 1 and 2 of a four-channel 16-bit
// endpoint: channels 0 and 3 stay silent, whatever the buffer held.
TEST(SampleFormat, WritingFillsOnlyTheWindowAndSilencesTheRest) {
  const float left[] = {0.5f, -0.5f}, right[] = {0.25f, 1.0f};
  const float* channels[] = {left, right};
  Bytes device(2 * 4 * 2, 0x55);
  writeDeviceFrames(channels, 2, {SampleFormat::Pcm16, 4, 1, 2}, device.data());
  const Bytes expected = {0, 0, 0x00, 0x40, 0x00, 0x20, 0, 0,   // frame 0
                          0, 0, 0x00, 0xC0, 0xFF, 0x7F, 0, 0};  // frame 1
  EXPECT_EQ(device, expected);
  // A window reaching past the device's channels writes what fits and no further.
  Bytes narrow(2 * 2 * 2, 0x55);
  writeDeviceFrames(channels, 2, {SampleFormat::Pcm16, 2, 1, 2}, narrow.data());
  EXPECT_EQ(narrow, (Bytes{0, 0, 0x00, 0x40, 0, 0, 0x00, 0xC0}));
}

// A capture packet of three-channel 24-bit frames, window = device channels 1 and 2.
Bytes packet24(const std::vector<std::array<int32_t, 3>>& frames) {
  Bytes bytes;
  for (const auto& frame : frames) {
    for (const int32_t v : frame) {
      bytes.push_back(uint8_t(v));
      bytes.push_back(uint8_t(v >> 8));
      bytes.push_back(uint8_t(v >> 16));
    }
  }
  return bytes;
}

TEST(InputRing, TakesTheWindowUpToItsSpaceAndGivesBlocksInOrder) {
  InputRing ring;
  ring.reset(2, 4);
  const ChannelWindow window{SampleFormat::Pcm24, 3, 1, 2};
  const Bytes packet = packet24({{7, 0x100000, -0x100000}, {7, 0x200000, -0x200000}, {7, 0x300000, -0x300000}});
  EXPECT_EQ(ring.push(packet.data(), 3, window), 3u);
  EXPECT_EQ(ring.push(packet.data(), 3, window), 1u);  // the rest of a packet beyond the space is dropped
  EXPECT_EQ(ring.fill(), 4u);

  float a[3], b[3];
  float* out[] = {a, b};
  ring.pop(out, 3);
  EXPECT_FLOAT_EQ(a[0], 0.125f);
  EXPECT_FLOAT_EQ(b[2], -0.375f);
  EXPECT_EQ(ring.fill(), 1u);
  ring.pop(out, 3);  // fewer than a block held: zeros, and the held frame stays
  EXPECT_EQ(a[0], 0.0f);
  EXPECT_EQ(ring.fill(), 1u);

  // Wrapping around the end keeps the order: the held frame, then silence, then a packet.
  EXPECT_EQ(ring.pushSilence(1), 1u);
  EXPECT_EQ(ring.push(packet.data(), 1, window), 1u);
  ring.pop(out, 3);
  EXPECT_FLOAT_EQ(a[0], 0.125f);
  EXPECT_EQ(a[1], 0.0f);
  EXPECT_FLOAT_EQ(a[2], 0.125f);
  EXPECT_EQ(ring.fill(), 0u);
}

TEST(InputRing, RunningAheadIsCutBackToHalfAPeriodAndABlock) {
  struct Case {
    uint32_t fill, period, block, kept;
  };
  const Case cases[] = {
      {100, 96, 16, 64},  // 100 > 48 + 32: cut to 48 + 16, the oldest frames dropped
      {80, 96, 16, 80},   // exactly half a period plus two blocks: left alone
      {40, 96, 16, 40},
      {1000, 480, 128, 368},
  };
  for (const Case& c : cases) {
    InputRing ring;
    ring.reset(1, 2000);
    std::vector<uint8_t> packet;
    for (uint32_t i = 0; i < c.fill; ++i) {
      const float v = float(i) / 4096.0f;
      uint8_t bytes[4];
      encodeSample(v, SampleFormat::Float32, bytes);
      packet.insert(packet.end(), bytes, bytes + 4);
    }
    ring.push(packet.data(), c.fill, {SampleFormat::Float32, 1, 0, 1});
    ring.trim(c.period, c.block);
    ASSERT_EQ(ring.fill(), c.kept) << c.fill;
    float first;
    float* out[] = {&first};
    ring.pop(out, 1);
    EXPECT_EQ(first, float(c.fill - c.kept) / 4096.0f) << "the newest frames stay";
  }
}

TEST(InputRing, AnEmptyRingNeverDividesByZero) {
  InputRing ring;
  ring.reset(2, 0);
  const uint8_t none[8] = {};
  float a[1], b[1];
  float* out[] = {a, b};
  EXPECT_EQ(ring.push(none, 1, {SampleFormat::Pcm16, 2, 0, 2}), 0u);
  EXPECT_EQ(ring.pushSilence(1), 0u);
  ring.pop(out, 0);
  ring.pop(out, 1);
  EXPECT_EQ(a[0], 0.0f);
  ring.trim(0, 0);
}

}  // namespace
}  // namespace strobe95::standalone
