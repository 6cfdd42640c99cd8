#include "Engine.h"

#include <algorithm>

namespace strobe95 {

Engine::Engine(int voiceCount, int sampleRate) : sampleRate_(sampleRate), voiceCount_(voiceCount) {}

void Engine::process(float* outLeft, float* outRight, int32_t frames, const EngineEvent*,
                     int32_t) {
  if (frames <= 0) return;
  std::fill(outLeft, outLeft + frames, 0.0f);
  std::fill(outRight, outRight + frames, 0.0f);
  sampleCounter_ += static_cast<uint64_t>(frames);
}

}  // namespace strobe95
