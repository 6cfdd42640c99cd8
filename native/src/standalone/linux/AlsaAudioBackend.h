#pragma once
// The ALSA audio layer: the default device and every hardware PCM device, each with the
// channels, rates and period sizes it takes; one output and one input device opened as a
// stream, and a render thread that reads the input, calls the host and writes the output
// once per period.
#include <memory>

#include "AudioBackend.h"

namespace strobe95::standalone::linux_standalone {

inline constexpr const char* kAlsaApiId = "alsa";

std::unique_ptr<AudioBackend> makeAlsaAudioBackend();

}  // namespace strobe95::standalone::linux_standalone
