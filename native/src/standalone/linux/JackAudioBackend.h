#pragma once
// The JACK audio layer: one device, the JACK server, whose channels are this program's
// own ports ("out_1", "out_2" and, when input is used, "in_1", "in_2"). The outputs are
// connected to the first physical playback ports and the inputs from the first capture
// ports, where such ports exist. The server's rate and period are the stream's.
#include <memory>

#include "AudioBackend.h"

namespace strobe95::standalone::linux_standalone {

inline constexpr const char* kJackApiId = "jack";

std::unique_ptr<AudioBackend> makeJackAudioBackend();

// True when a JACK server answers (without starting one).
bool jackServerAnswers();

}  // namespace strobe95::standalone::linux_standalone
