#pragma once
// The Windows audio layer: endpoints of the Windows Audio Session API in shared mode, one
// output and one input endpoint opened as a single stream, and an event-driven render
// thread at "Pro Audio" priority that calls the host once per block.
#include <memory>

#include "AudioBackend.h"

namespace strobe95::standalone {

// The audio API registry: one entry, "wasapi".
const std::vector<AudioApi>& audioApis();

std::unique_ptr<AudioBackend> makeWasapiBackend();

// Makes the running stream's render thread deaf to its device, as when a device stops
// responding mid-stream. Wine has no device that can be pulled out while it plays; its
// check uses this to reach the loss path, and the host's recovery after it, for real.
void silenceWasapiStream(AudioBackend& backend);

}  // namespace strobe95::standalone
