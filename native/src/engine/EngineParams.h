#pragma once
// The parameters the engine reads itself, by table index.
#include "ParamSpec.h"

namespace strobe95 {

struct EngineParamIndex {
  int mono = findParamByTextId("mono");
  int sampleTrack = findParamByTextId("sample_track");
  int sample = findParamByTextId("sample");
  int delayNote = findParamByTextId("delay_note");
  int arpOn = findParamByTextId("arp_on");
  int arpMode = findParamByTextId("arp_mode");
  int arpRate = findParamByTextId("arp_rate");
  int arpOctaves = findParamByTextId("arp_octaves");
  int arpGate = findParamByTextId("arp_gate");
  int arpFeel = findParamByTextId("arp_feel");
};

// Beats of delay for "1/16", "1/8", "3/16", "1/4", "3/8", "1/2".
inline constexpr float kDelayNoteBeats[] = {0.25f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f};
inline constexpr float kMaxDelaySeconds = 2.0f;

// Note frequency in Hz, computed in double so high keys keep their tuning.
double noteFrequency(double key);

}  // namespace strobe95
