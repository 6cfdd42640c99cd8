#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "ParamSpec.h"
#include "SampleTable.h"

namespace strobe95 {
namespace {

// 64-bit FNV-1a over the frames as little-endian 16-bit words, as the generator prints it.
uint64_t checksum(const SampleRecord& record) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (int32_t i = 0; i < record.frameCount; ++i) {
    const auto word = static_cast<uint16_t>(record.data[i]);
    for (unsigned byte : {word & 0xFFu, static_cast<unsigned>(word >> 8)}) {
      hash ^= byte;
      hash *= 0x100000001B3ull;
    }
  }
  return hash;
}

struct Expected {
  const char* name;
  int rootKey;
  int frames;  // seconds × 44100
  // Printed by the sample generator. A change here means the sounds changed: listen to
  // them (strobe95-samples-listen) before taking the new numbers.
  uint64_t checksum;
};

constexpr Expected kExpected[kSampleCount] = {
    {"Orch Hit", 60, 48510, 0x69196c195cc0c7b0ull},     // 1.10 s
    {"House Organ", 48, 44100, 0x0001b6687d036419ull},  // 1.00 s
    {"Piano Stab", 60, 52920, 0xbd2f9378f772a437ull},   // 1.20 s
    {"Rave Bell", 72, 70560, 0xd7b65c0d48397bb3ull},    // 1.60 s
    {"Vox Ah", 60, 44100, 0x256d391589267129ull},       // 1.00 s
    {"Laser Zap", 60, 19845, 0x18f82475a877c035ull},    // 0.45 s
    {"Noise Sweep", 60, 61740, 0xb4218e183f5c733eull},  // 1.40 s
    {"Sub Drop", 36, 44100, 0x9544b5ab8b76f0f5ull},     // 1.00 s
    {"Riser", 60, 176400, 0x1174de5a658d5526ull},       // 4.00 s
};

TEST(SampleTable, RecordsMatchTheirNamesKeysAndLengths) {
  for (int i = 0; i < kSampleCount; ++i) {
    const SampleRecord& record = kSampleTable[i];
    const Expected& expected = kExpected[i];
    SCOPED_TRACE(expected.name);
    EXPECT_STREQ(record.name, expected.name);
    EXPECT_EQ(record.rootKey, expected.rootKey);
    EXPECT_EQ(record.sampleRate, 44100);
    EXPECT_EQ(record.frameCount, expected.frames);
    EXPECT_EQ(checksum(record), expected.checksum) << std::hex << "0x" << checksum(record);
  }
}

TEST(SampleTable, NamesAreTheSampleParameterChoicesInOrder) {
  const int sample = findParamByTextId("sample");
  ASSERT_GE(sample, 0);
  const ParamSpec& param = kParamSpecs[sample];
  ASSERT_EQ(param.choiceCount, kSampleCount);
  for (int i = 0; i < kSampleCount; ++i) EXPECT_STREQ(param.choices[i], kSampleTable[i].name) << i;
}

TEST(SampleTable, PeaksAtMinusOneDecibelAndEndsOnZero) {
  for (const SampleRecord& record : kSampleTable) {
    SCOPED_TRACE(record.name);
    int peak = 0;
    for (int32_t i = 0; i < record.frameCount; ++i) peak = std::max(peak, std::abs(static_cast<int>(record.data[i])));
    EXPECT_EQ(peak, 29195);  // 32768 · 10^(−1/20) ≈ 29204, set exactly to 29195 for every sample
    EXPECT_EQ(record.data[record.frameCount - 1], 0);
    // The hit alone starts mid-waveform, like a stab cut from a record; the rest start silent.
    if (std::string(record.name) == "Orch Hit") {
      EXPECT_NE(record.data[0], 0);
    } else {
      EXPECT_EQ(record.data[0], 0);
    }
  }
}

// Normalised correlation of a stretch of the sample with itself `lag` frames later.
double selfSimilarity(const SampleRecord& record, double fromSeconds, double lengthSeconds, int lag) {
  const int start = static_cast<int>(fromSeconds * record.sampleRate);
  const int length = static_cast<int>(lengthSeconds * record.sampleRate);
  double cross = 0.0, energy = 0.0;
  for (int i = start; i < start + length; ++i) {
    const double a = record.data[i], b = record.data[i + lag];
    cross += a * b;
    energy += 0.5 * (a * a + b * b);
  }
  return cross / energy;
}

TEST(SampleTable, PitchedSamplesSoundTheirRootKey) {
  // The root key is where the sample plays at its recorded pitch, so the sound repeats
  // after one period of that key, and less well after the period of a semitone either side.
  for (int index : {1, 3, 4}) {  // the organ, the bell and the voice are single notes
    const SampleRecord& record = kSampleTable[index];
    const double frequency = 440.0 * std::pow(2.0, (record.rootKey - 69) / 12.0);
    const double period = record.sampleRate / frequency;
    const auto lagAt = [&](double semitones) {
      return static_cast<int>(std::lround(period * std::pow(2.0, semitones / 12.0)));
    };
    SCOPED_TRACE(record.name);
    const double atRoot = selfSimilarity(record, 0.2, 0.1, lagAt(0.0));
    EXPECT_GT(atRoot, 0.8);
    EXPECT_GT(atRoot, selfSimilarity(record, 0.2, 0.1, lagAt(1.0)));
    EXPECT_GT(atRoot, selfSimilarity(record, 0.2, 0.1, lagAt(-1.0)));
  }
}

// Zero crossings per second over a stretch: rises and falls with the pitch or the band.
double crossingRate(const SampleRecord& record, double fromSeconds, double lengthSeconds) {
  const int start = static_cast<int>(fromSeconds * record.sampleRate);
  const int length = static_cast<int>(lengthSeconds * record.sampleRate);
  int crossings = 0;
  for (int i = start + 1; i < start + length; ++i) {
    crossings += (record.data[i - 1] < 0) != (record.data[i] < 0);
  }
  return crossings / lengthSeconds;
}

TEST(SampleTable, SweepsMoveTheWayTheirNamesSay) {
  struct Case {
    int index;
    bool rises;
  };
  for (const Case& c : {Case{5, false}, Case{6, true}, Case{7, false}, Case{8, true}}) {
    const SampleRecord& record = kSampleTable[c.index];
    const double length = record.frameCount / static_cast<double>(record.sampleRate);
    const double early = crossingRate(record, 0.1 * length, 0.2 * length);
    const double late = crossingRate(record, 0.7 * length, 0.2 * length);
    SCOPED_TRACE(record.name);
    if (c.rises) {
      EXPECT_GT(late, 1.5 * early);
    } else {
      EXPECT_LT(late, early / 1.5);
    }
  }
}

}  // namespace
}  // namespace strobe95
