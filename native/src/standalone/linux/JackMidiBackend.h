#pragma once
// MIDI through JACK: this program's input port "midi_in", and as input ports every MIDI
// output of the other JACK clients (hardware ports among them). Opening a set of inputs
// connects exactly those to "midi_in"; their events reach the host from the process
// callback, before the cycle's audio.
#include <memory>

#include "MidiBackend.h"

namespace strobe95::standalone::linux_standalone {

class JackMidiBackend : public MidiBackend {
 public:
  // True once after JACK ports came or went, so that "all ports" can take new ones in.
  // Main thread.
  virtual bool takePortsChanged() = 0;
};

// A backend without a client (and so without ports) when no JACK server answers.
std::unique_ptr<JackMidiBackend> makeJackMidiBackend();

}  // namespace strobe95::standalone::linux_standalone
