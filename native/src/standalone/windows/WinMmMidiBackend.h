#pragma once
// The Windows MIDI layer on the multimedia MIDI functions: input ports with long-message
// buffers and sysex put together across them, and output ports for short and long
// messages. It offers no virtual ports.
#include <memory>

#include "MidiBackend.h"

namespace strobe95::standalone {

std::unique_ptr<MidiBackend> makeWinMmMidiBackend();

}  // namespace strobe95::standalone
