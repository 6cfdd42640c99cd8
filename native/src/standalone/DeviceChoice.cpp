#include "DeviceChoice.h"

#include <algorithm>

namespace strobe95::standalone {
namespace {

constexpr uint32_t kFallbackRateCeiling = 48000;

// The first device of that side whose field equals `text`, trying every device's id,
// then every legacy name, then every display name.
const AudioDeviceInfo* lookUp(const std::vector<AudioDeviceInfo>& devices, DeviceSide side,
                              std::string_view text) {
  if (text.empty()) return nullptr;
  for (auto field : {&AudioDeviceInfo::id, &AudioDeviceInfo::legacyName, &AudioDeviceInfo::name}) {
    for (const auto& device : devices) {
      if (channelsOn(device, side) > 0 && device.*field == text) return &device;
    }
  }
  return nullptr;
}

}  // namespace

uint32_t channelsOn(const AudioDeviceInfo& device, DeviceSide side) {
  return side == DeviceSide::Input ? device.inputChannels : device.outputChannels;
}

const AudioDeviceInfo* findStoredDevice(const std::vector<AudioDeviceInfo>& devices, DeviceSide side,
                                        std::string_view storedId, std::string_view storedName) {
  const AudioDeviceInfo* byId = lookUp(devices, side, storedId);
  if (byId && (storedName.empty() || storedName == byId->legacyName || storedName == byId->name)) return byId;
  if (const AudioDeviceInfo* byName = lookUp(devices, side, storedName)) return byName;
  return byId;
}

const AudioDeviceInfo* findDeviceById(const std::vector<AudioDeviceInfo>& devices, std::string_view id) {
  if (id.empty()) return nullptr;
  for (const auto& device : devices) {
    if (device.id == id) return &device;
  }
  return nullptr;
}

uint32_t preferredRate(const AudioDeviceInfo& device, int64_t requested) {
  if (!device.rateSettable && device.currentRate != 0) return device.currentRate;
  if (requested > 0 && std::find(device.rates.begin(), device.rates.end(), requested) != device.rates.end()) {
    return static_cast<uint32_t>(requested);
  }
  if (device.currentRate != 0) return device.currentRate;
  uint32_t best = 0;
  for (const uint32_t rate : device.rates) {
    if (rate <= kFallbackRateCeiling) best = std::max(best, rate);
  }
  if (best != 0) return best;
  return device.rates.empty() ? 0 : device.rates.front();
}

std::vector<ChannelChoice> channelChoices(uint32_t deviceChannels, bool oneChannelEach) {
  std::vector<ChannelChoice> choices;
  const uint32_t step = oneChannelEach ? 1 : 2;
  for (uint32_t first = 0; first < deviceChannels; first += step) {
    choices.push_back({first, std::min(step, deviceChannels - first)});
  }
  return choices;
}

ChannelChoice storedChannelChoice(uint32_t deviceChannels, bool oneChannelEach, uint32_t storedFirst) {
  const auto choices = channelChoices(deviceChannels, oneChannelEach);
  if (choices.empty()) return {0, 1};
  for (const auto& choice : choices) {
    if (storedFirst >= 1 && choice.first == storedFirst - 1) return choice;
  }
  return choices.front();
}

std::vector<int> matchMidiEntries(const std::vector<MidiPortInfo>& ports, const std::vector<std::string>& storedNames,
                                  const std::vector<StoredPort>& storedPairs) {
  std::vector<StoredPort> entries;
  for (const auto& name : storedNames) entries.push_back({{}, name});
  entries.insert(entries.end(), storedPairs.begin(), storedPairs.end());

  std::vector<bool> taken(ports.size(), false);
  auto take = [&](auto matches) {
    for (std::size_t i = 0; i < ports.size(); ++i) {
      if (!taken[i] && matches(ports[i])) {
        taken[i] = true;
        return int(i);
      }
    }
    return -1;
  };
  std::vector<int> found;
  for (const auto& entry : entries) {
    int at = entry.id.empty() ? -1 : take([&](const MidiPortInfo& p) { return p.id == entry.id; });
    if (at < 0 && !entry.name.empty()) {
      for (auto field : {&MidiPortInfo::id, &MidiPortInfo::legacyName, &MidiPortInfo::name}) {
        at = take([&](const MidiPortInfo& p) { return p.*field == entry.name; });
        if (at >= 0) break;
      }
    }
    found.push_back(at);
  }
  return found;
}

std::vector<std::string> resolveMidiPorts(const std::vector<MidiPortInfo>& ports,
                                          const std::vector<std::string>& storedNames,
                                          const std::vector<StoredPort>& storedPairs) {
  std::vector<std::string> ids;
  for (const int at : matchMidiEntries(ports, storedNames, storedPairs)) {
    if (at >= 0) ids.push_back(ports[std::size_t(at)].id);
  }
  return ids;
}

uint32_t midiMessageLength(uint8_t status) {
  if (status < 0x80) return 0;
  if (status < 0xC0) return 3;
  if (status < 0xE0) return 2;
  if (status < 0xF0) return 3;
  switch (status) {
    case 0xF0:
    case 0xF7: return 0;
    case 0xF1:
    case 0xF3: return 2;
    case 0xF2: return 3;
    default: return 1;
  }
}

}  // namespace strobe95::standalone
