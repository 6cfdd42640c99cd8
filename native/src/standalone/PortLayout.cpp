#include "PortLayout.h"

#include <algorithm>

namespace strobe95::standalone {

void describeAudioPorts(PortLayout& layout, const clap_plugin_t* plugin, const clap_plugin_audio_ports_t* ports) {
  layout.channels.fill(0);
  layout.inputChannels = layout.outputChannels = 0;
  layout.mainInput = layout.mainOutput = -1;
  uint32_t inputs = ports->count(plugin, true);
  uint32_t outputs = ports->count(plugin, false);
  if (uint64_t(inputs) + outputs > kMaxPluginPorts) {
    inputs = std::min(inputs, kMaxPluginPorts);
    outputs = kMaxPluginPorts - inputs;
  }
  layout.inputPorts = inputs;
  layout.outputPorts = outputs;

  uint32_t budget = kMaxPluginChannels;
  auto describe = [&](bool isInput, uint32_t count, uint32_t slotOffset, uint32_t& total, int32_t& main) {
    for (uint32_t i = 0; i < count; ++i) {
      clap_audio_port_info_t info{};
      // A port the plugin cannot describe has no channels here.
      if (!ports->get(plugin, i, isInput, &info)) info.channel_count = 0;
      const uint32_t channels = std::min(budget, info.channel_count);
      budget -= channels;
      total += channels;
      layout.channels[slotOffset + i] = channels;
      if (info.flags & CLAP_AUDIO_PORT_IS_MAIN) main = int32_t(i);
    }
  };
  describe(true, inputs, 0, layout.inputChannels, layout.mainInput);
  describe(false, outputs, inputs, layout.outputChannels, layout.mainOutput);
}

void describeNotePorts(PortLayout& layout, const clap_plugin_t* plugin, const clap_plugin_note_ports_t* ports) {
  layout.acceptsMidi = layout.acceptsClapNotes = layout.hasMidiOutput = false;
  clap_note_port_info_t info{};
  if (ports->count(plugin, true) > 0 && ports->get(plugin, 0, true, &info)) {
    layout.acceptsMidi = (info.supported_dialects & CLAP_NOTE_DIALECT_MIDI) != 0;
    layout.acceptsClapNotes = (info.supported_dialects & CLAP_NOTE_DIALECT_CLAP) != 0;
  }
  const uint32_t outputs = ports->count(plugin, false);
  for (uint32_t i = 0; i < outputs; ++i) {
    clap_note_port_info_t out{};
    if (ports->get(plugin, i, false, &out) &&
        (out.supported_dialects & (CLAP_NOTE_DIALECT_MIDI | CLAP_NOTE_DIALECT_CLAP)) != 0) {
      layout.hasMidiOutput = true;
    }
  }
}

}  // namespace strobe95::standalone
