#pragma once
// What the Audio/MIDI settings window lists, as pure functions over the device records:
// device labels, channel choices, common rates, buffer sizes, the note and the latency
// line. The window only puts these into its controls.
#include <cstdint>
#include <string>
#include <vector>

#include "AudioBackend.h"
#include "DeviceChoice.h"

namespace strobe95::standalone {

inline constexpr uint32_t kOfferedBufferSizes[] = {32, 64, 128, 256, 512};

// Names in list order; the k-th occurrence (k >= 2) of a name reads "name (k)".
std::vector<std::string> deviceLabels(const std::vector<std::string>& names);

// "Output 1", or "Output 1 + 2" for a pair; side is "Input" or "Output".
std::string channelChoiceLabel(const char* side, const ChannelChoice& choice);

// The rates both used devices offer, ascending; null devices are not used.
std::vector<uint32_t> commonRates(const AudioDeviceInfo* output, const AudioDeviceInfo* input);
// The current rate when listed, else 44100, else 48000, else the first; 0 for none.
uint32_t selectedRate(const std::vector<uint32_t>& rates, uint32_t current);

struct BufferItem {
  uint32_t frames;
  std::string label;  // "256 (5.3 ms)"
};
// The offered sizes within every used device's range, with their length at `rate`.
std::vector<BufferItem> bufferItems(const AudioDeviceInfo* output, const AudioDeviceInfo* input, uint32_t rate);

// The note under the input choice, empty when there is nothing to say.
std::string inputNote(const AudioDeviceInfo* chosenInput, bool pluginHasInputs, const AudioDeviceInfo* defaultInput);

// "Latency: in 5.3 ms, out 10.7 ms", or "Latency: out 10.7 ms" without an input.
std::string latencyLine(const StreamResult& stream, bool inputOpen);

}  // namespace strobe95::standalone
