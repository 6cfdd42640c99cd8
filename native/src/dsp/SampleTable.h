#pragma once
// The nine built-in one-shot samples, compiled into the program. Their frames are
// rendered at build time by the generator in samples/.
#include <array>
#include <cstdint>

namespace strobe95 {

struct SampleRecord {
  const char* name;
  int32_t rootKey;     // the key that plays the sample at its recorded speed
  int32_t sampleRate;  // Hz
  const int16_t* data;  // mono
  int32_t frameCount;
};

inline constexpr int kSampleCount = 9;

// In the order of the `sample` parameter's choices.
extern const std::array<SampleRecord, kSampleCount> kSampleTable;

}  // namespace strobe95
