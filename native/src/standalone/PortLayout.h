#pragma once
// The plugin's audio ports as the audio callback lays them out (at most 64 ports and 64
// channels), and which MIDI it takes and gives.
#include <array>
#include <cstdint>

#include "ClapHostApi.h"

namespace strobe95::standalone {

inline constexpr uint32_t kMaxPluginPorts = 64;
inline constexpr uint32_t kMaxPluginChannels = 64;

struct PortLayout {
  uint32_t inputPorts = 0;
  uint32_t outputPorts = 0;
  std::array<uint32_t, kMaxPluginPorts> channels{};  // per port, inputs first
  uint32_t inputChannels = 0;
  uint32_t outputChannels = 0;
  int32_t mainInput = -1;   // input port index, -1: none
  int32_t mainOutput = -1;  // output port index, -1: none
  bool acceptsMidi = false;
  bool acceptsClapNotes = false;
  bool hasMidiOutput = false;

  uint32_t outputPortChannels(int32_t port) const { return channels[inputPorts + uint32_t(port)]; }
};

void describeAudioPorts(PortLayout& layout, const clap_plugin_t* plugin, const clap_plugin_audio_ports_t* ports);
void describeNotePorts(PortLayout& layout, const clap_plugin_t* plugin, const clap_plugin_note_ports_t* ports);

}  // namespace strobe95::standalone
