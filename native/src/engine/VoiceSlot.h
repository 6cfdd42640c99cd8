#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "DspInterface.h"
#include "ParamSpec.h"

namespace strobe95 {

// One of the engine's voices: its processor, the controls the engine writes, and where
// the voice stands in its life (free, starting, sounding, releasing).
struct VoiceSlot {
  std::unique_ptr<faust::dsp> dsp;
  float* freqControl = nullptr;
  float* gainControl = nullptr;
  float* gateControl = nullptr;
  std::array<float*, kParamCount> paramControls{};  // null where the voice has no such control

  int32_t key = -1;            // -1 when free
  bool held = false;           // key down, or held by the arpeggiator or the mono stack
  bool active = false;         // rendered
  int32_t silentFrames = 0;    // consecutive released-and-quiet frames
  uint32_t startStamp = 0;     // the engine's note counter at the last start
  bool pendingTrigger = false; // a start waits one frame with the gate low
  int32_t pendingKey = 0;
  double pendingVelocity = 0.0;
  bool gateHigh = false;
  double samplePos = -1.0;     // in source frames; negative: no sample playing
  double sampleStep = 1.0;
};

}  // namespace strobe95
