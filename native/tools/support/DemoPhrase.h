#pragma once
// The phrase the renderer plays when no MIDI file is given: two bars of off-beat chord
// stabs, then two bars of held chords for pads and the arpeggiator, in A minor.
#include "MidiFile.h"

namespace strobe95::tools {

MidiSong demoPhrase();

}  // namespace strobe95::tools
