#pragma once
#include <cstdint>

#include "FixedList.h"

namespace strobe95 {

struct HeldNote {
  uint32_t key;
  double velocity;
};

// Distinct keys held at once. MIDI has 128; CLAP hosts may send more, and a press beyond
// this many distinct held keys is dropped rather than growing a list on the audio thread.
inline constexpr std::size_t kMaxHeldKeys = 256;

using HeldNotes = FixedList<HeldNote, kMaxHeldKeys>;

// Removes any entry for the key, then appends it: the most recent press is last.
inline void pressKey(HeldNotes& notes, uint32_t key, double velocity) {
  notes.removeIf([key](const HeldNote& n) { return n.key == key; });
  notes.push_back({key, velocity});
}

inline void releaseKey(HeldNotes& notes, uint32_t key) {
  notes.removeIf([key](const HeldNote& n) { return n.key == key; });
}

}  // namespace strobe95
