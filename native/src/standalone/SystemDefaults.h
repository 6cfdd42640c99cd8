#pragma once
// The audio choice a user gets before choosing anything: the system's default output
// and, unless it is a microphone, its default input, each at its first channel choice,
// at the output's current rate and 256 frames. Opening a microphone nobody asked for
// would light the system's recording indicator and may drop a headset to telephone
// quality.
#include "StandaloneHost.h"

namespace strobe95::standalone {

// Sets the host's audio choice to the current API's system defaults (selecting the first
// API when none is selected) and forgets the stored devices. Starts nothing. False when
// there is no audio API.
bool chooseSystemDefaults(StandaloneHost& host);

}  // namespace strobe95::standalone
