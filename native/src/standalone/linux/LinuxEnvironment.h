#pragma once
// What the host core is built on in the Linux program: JACK, then ALSA, for audio, both
// for MIDI, the XDG config home for its files, the steady clock.
#include "StandaloneHost.h"

namespace strobe95::standalone::linux_standalone {

HostEnvironment linuxEnvironment();

}  // namespace strobe95::standalone::linux_standalone
