#pragma once
#include <cstdint>

#include "EngineEvent.h"

namespace strobe95 {

inline constexpr int kVoiceCount = 16;

// The sound engine of one active plugin instance; used by the audio thread only.
// Temporary: until the voices and effects arrive it takes its events and renders
// silence, so the plugin boundary can be built and tested around it.
class Engine {
 public:
  Engine(int voiceCount, int sampleRate);

  int sampleRate() const { return sampleRate_; }
  int voiceCount() const { return voiceCount_; }
  uint64_t sampleCounter() const { return sampleCounter_; }

  // outLeft and outRight may be the same buffer.
  void process(float* outLeft, float* outRight, int32_t frames, const EngineEvent* events,
               int32_t eventCount);

 private:
  int sampleRate_;
  int voiceCount_;
  uint64_t sampleCounter_ = 0;
};

}  // namespace strobe95
