#include "SettingsLists.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace strobe95::standalone {
namespace {

std::string milliseconds(uint32_t frames, uint32_t rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f ms", rate ? frames * 1000.0 / rate : 0.0);
  return text;
}

}  // namespace

std::vector<std::string> deviceLabels(const std::vector<std::string>& names) {
  std::map<std::string, int> seen;
  std::vector<std::string> labels;
  for (const auto& name : names) {
    const int k = ++seen[name];
    labels.push_back(k == 1 ? name : name + " (" + std::to_string(k) + ")");
  }
  return labels;
}

std::string channelChoiceLabel(const char* side, const ChannelChoice& choice) {
  const std::string first = std::string(side) + " " + std::to_string(choice.first + 1);
  if (choice.count < 2) return first;
  // Both labels share "Output " up to their last space: it is written once.
  return first + " + " + std::to_string(choice.first + choice.count);
}

std::vector<uint32_t> commonRates(const AudioDeviceInfo* output, const AudioDeviceInfo* input) {
  if (!output && !input) return {};
  if (!output || !input) return (output ? output : input)->rates;
  std::vector<uint32_t> common;
  std::set_intersection(output->rates.begin(), output->rates.end(), input->rates.begin(), input->rates.end(),
                        std::back_inserter(common));
  return common;
}

uint32_t selectedRate(const std::vector<uint32_t>& rates, uint32_t current) {
  for (const uint32_t wanted : {current, 44100u, 48000u}) {
    if (std::find(rates.begin(), rates.end(), wanted) != rates.end()) return wanted;
  }
  return rates.empty() ? 0 : rates.front();
}

std::vector<BufferItem> bufferItems(const AudioDeviceInfo* output, const AudioDeviceInfo* input, uint32_t rate) {
  uint32_t smallest = 0;
  uint32_t largest = UINT32_MAX;
  for (const AudioDeviceInfo* device : {output, input}) {
    if (!device) continue;
    smallest = std::max(smallest, device->minBuffer);
    largest = std::min(largest, device->maxBuffer);
  }
  std::vector<BufferItem> items;
  for (const uint32_t frames : kOfferedBufferSizes) {
    if (frames < smallest || frames > largest) continue;
    items.push_back({frames, std::to_string(frames) + " (" + milliseconds(frames, rate) + ")"});
  }
  return items;
}

std::string inputNote(const AudioDeviceInfo* chosenInput, bool pluginHasInputs, const AudioDeviceInfo* defaultInput) {
  if (chosenInput && chosenInput->isBluetooth) {
    return "A Bluetooth microphone switches its device to telephone quality, for every application, while it is open.";
  }
  if (!chosenInput && pluginHasInputs && defaultInput && defaultInput->isMicrophone) {
    return "The default input is a microphone, which is opened only when chosen here.";
  }
  return {};
}

std::string latencyLine(const StreamResult& stream, bool inputOpen) {
  std::string line = "Latency: ";
  if (inputOpen) line += "in " + milliseconds(stream.inputLatency, stream.sampleRate) + ", ";
  return line + "out " + milliseconds(stream.outputLatency, stream.sampleRate);
}

}  // namespace strobe95::standalone
