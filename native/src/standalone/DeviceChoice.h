#pragma once
// How a stored choice finds its device, port, channels and rate again among what the
// system offers today. Pure functions over the backends' records.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "AudioBackend.h"
#include "MidiBackend.h"
#include "StandaloneSettings.h"

namespace strobe95::standalone {

enum class DeviceSide { Input, Output };

inline constexpr uint32_t kLargestOfferedBuffer = 512;  // frames; the largest size the settings offer
inline constexpr uint32_t kDefaultBufferFrames = 256;

uint32_t channelsOn(const AudioDeviceInfo& device, DeviceSide side);

// The device a stored id and name stand for, among devices with channels on that side:
// by id, else by name, comparing each with every device's id, then legacy name, then
// display name. Null when neither finds one.
const AudioDeviceInfo* findStoredDevice(const std::vector<AudioDeviceInfo>& devices, DeviceSide side,
                                        std::string_view storedId, std::string_view storedName);

const AudioDeviceInfo* findDeviceById(const std::vector<AudioDeviceInfo>& devices, std::string_view id);

// The rate a device runs at when `requested` is asked for (0 or less: its own).
uint32_t preferredRate(const AudioDeviceInfo& device, int64_t requested);

struct ChannelChoice {
  uint32_t first = 0;  // 0-based device channel
  uint32_t count = 0;
  bool operator==(const ChannelChoice&) const = default;
};

// Stereo pairs and a last odd channel alone, or one choice per channel.
std::vector<ChannelChoice> channelChoices(uint32_t deviceChannels, bool oneChannelEach);

// The choice a stored first channel names (1-based; 0 or an unknown one: the first choice).
// Devices without channels give {0, 1}: a side always asks for at least one channel.
ChannelChoice storedChannelChoice(uint32_t deviceChannels, bool oneChannelEach, uint32_t storedFirst);

// For each stored entry, plain names first and then the pairs, in the order stored: the
// index of the port it stands for, or -1. An entry matches by id first, then by name
// (against each port's id, legacy name and display name); each port is taken at most once.
std::vector<int> matchMidiEntries(const std::vector<MidiPortInfo>& ports, const std::vector<std::string>& storedNames,
                                  const std::vector<StoredPort>& storedPairs);

// Port ids for stored entries, in the order stored; unmatched entries are left out.
std::vector<std::string> resolveMidiPorts(const std::vector<MidiPortInfo>& ports,
                                          const std::vector<std::string>& storedNames,
                                          const std::vector<StoredPort>& storedPairs);

// Bytes of a short MIDI message by its status byte; 0 for bytes that start none here
// (data bytes, sysex start and end).
uint32_t midiMessageLength(uint8_t status);

}  // namespace strobe95::standalone
