#pragma once
// The nine instruments behind the built-in samples, in the order of the sample table.
#include <array>

#include "SynthStages.h"

namespace strobe95::samples {

// Each renders exactly `frames` frames at 44.1 kHz at any scale; the generator
// normalises the peak afterwards.
Buffer renderOrchHit(int frames);
Buffer renderHouseOrgan(int frames);
Buffer renderPianoStab(int frames);
Buffer renderRaveBell(int frames);
Buffer renderVoxAh(int frames);
Buffer renderLaserZap(int frames);
Buffer renderNoiseSweep(int frames);
Buffer renderSubDrop(int frames);
Buffer renderRiser(int frames);

struct Instrument {
  const char* name;
  const char* symbol;  // the name of its data array in the generated source
  int rootKey;
  int frames;
  bool startsOnZero;  // the hit alone starts mid-waveform, as if cut from a record
  Buffer (*render)(int frames);
};

inline constexpr std::array<Instrument, 9> kInstruments{{
    {"Orch Hit", "kOrchHit", 60, 48510, false, renderOrchHit},
    {"House Organ", "kHouseOrgan", 48, 44100, true, renderHouseOrgan},
    {"Piano Stab", "kPianoStab", 60, 52920, true, renderPianoStab},
    {"Rave Bell", "kRaveBell", 72, 70560, true, renderRaveBell},
    {"Vox Ah", "kVoxAh", 60, 44100, true, renderVoxAh},
    {"Laser Zap", "kLaserZap", 60, 19845, true, renderLaserZap},
    {"Noise Sweep", "kNoiseSweep", 60, 61740, true, renderNoiseSweep},
    {"Sub Drop", "kSubDrop", 36, 44100, true, renderSubDrop},
    {"Riser", "kRiser", 60, 176400, true, renderRiser},
}};

}  // namespace strobe95::samples
