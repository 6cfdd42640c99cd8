#pragma once
// The audio choice a user gets before choosing anything: the system's default output
// and, unless it is a microphone, its default input, each at its first channel choice,
// at the output's current rate and 256 frames. Opening a microphone nobody asked for
// would light the system's recording indicator and may drop a headset to telephone
// quality.
#include "StandaloneHost.h"

namespace strobe95::standalone {

// The system defaults of this backend for a plugin with these ports. Touches nothing.
AudioChoice systemDefaultChoice(AudioBackend& backend, const PortLayout& layout);

// Makes the system defaults the host's audio choice (selecting the first API when none
// is selected); the stored devices in the settings record stay as they are, so that a
// choice the user never confirmed cannot reach the file. Starts nothing. False when
// there is no audio API.
bool chooseSystemDefaults(StandaloneHost& host);

}  // namespace strobe95::standalone
