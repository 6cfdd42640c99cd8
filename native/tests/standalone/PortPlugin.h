#pragma once
// A small CLAP plugin with whatever ports a test asks for. The synthesizer has one
// stereo output, no audio input and no note output, so the bridge's handling of mono
// outputs, device inputs and outgoing MIDI can only be seen through a plugin like this.
// Its output channel c carries 0.5 + c / 10 plus its main input's channel c.
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

#include "ClapHostApi.h"

namespace strobe95::standalone::test {

struct PortPluginScript {
  std::vector<uint32_t> inputChannels;   // one entry per input port; port 0 is main
  std::vector<uint32_t> outputChannels;  // one entry per output port; port 0 is main
  uint32_t inputDialects = CLAP_NOTE_DIALECT_MIDI | CLAP_NOTE_DIALECT_CLAP;
  bool noteOutput = false;
  // Pushed to the host's output events on the next process call.
  std::vector<std::vector<uint8_t>> eventsToSend;
  // What process saw: per block, the events with their header and bytes.
  struct SeenEvent {
    clap_event_header_t header;
    std::vector<uint8_t> bytes;
  };
  std::vector<std::vector<SeenEvent>> blocks;
  std::vector<std::vector<float>> lastInputs;  // main input channels of the last block
  int activations = 0;
  std::vector<std::thread::id> mainThreadCalls;
  std::vector<clap_id> timersFired;
  double lastRate = 0;
};

inline PortPluginScript gPortPlugin;

namespace port_plugin {

inline const clap_plugin_descriptor_t kDescriptor = {
    {1, 2, 10}, "test.port-plugin", "Port Plugin", "", "", "", "", "1", "", nullptr};

inline bool init(const clap_plugin_t*) { return true; }
inline void destroy(const clap_plugin_t*) {}
inline bool activate(const clap_plugin_t*, double rate, uint32_t, uint32_t) {
  ++gPortPlugin.activations;
  gPortPlugin.lastRate = rate;
  return true;
}
inline void deactivate(const clap_plugin_t*) {}
inline bool startProcessing(const clap_plugin_t*) { return true; }
inline void stopProcessing(const clap_plugin_t*) {}
inline void reset(const clap_plugin_t*) {}

inline clap_process_status process(const clap_plugin_t*, const clap_process_t* p) {
  auto& seen = gPortPlugin.blocks.emplace_back();
  for (uint32_t i = 0; i < p->in_events->size(p->in_events); ++i) {
    const clap_event_header_t* e = p->in_events->get(p->in_events, i);
    PortPluginScript::SeenEvent event{*e, {}};
    if (e->type == CLAP_EVENT_MIDI) {
      const auto* m = reinterpret_cast<const clap_event_midi_t*>(e);
      event.bytes.assign(m->data, m->data + 3);
    } else if (e->type == CLAP_EVENT_MIDI_SYSEX) {
      const auto* s = reinterpret_cast<const clap_event_midi_sysex_t*>(e);
      event.bytes.assign(s->buffer, s->buffer + s->size);
    }
    seen.push_back(std::move(event));
  }
  gPortPlugin.lastInputs.clear();
  const bool hasInput = p->audio_inputs_count > 0;
  if (hasInput) {
    for (uint32_t c = 0; c < p->audio_inputs[0].channel_count; ++c) {
      gPortPlugin.lastInputs.emplace_back(p->audio_inputs[0].data32[c], p->audio_inputs[0].data32[c] + p->frames_count);
    }
  }
  for (uint32_t port = 0; port < p->audio_outputs_count; ++port) {
    const clap_audio_buffer_t& out = p->audio_outputs[port];
    for (uint32_t c = 0; c < out.channel_count; ++c) {
      for (uint32_t f = 0; f < p->frames_count; ++f) {
        float v = 0.5f + float(c) / 10;
        if (port == 0 && hasInput && c < p->audio_inputs[0].channel_count) v += p->audio_inputs[0].data32[c][f];
        out.data32[c][f] = v;
      }
    }
  }
  for (const auto& bytes : gPortPlugin.eventsToSend) {
    p->out_events->try_push(p->out_events, reinterpret_cast<const clap_event_header_t*>(bytes.data()));
  }
  gPortPlugin.eventsToSend.clear();
  return CLAP_PROCESS_CONTINUE;
}

inline uint32_t audioCount(const clap_plugin_t*, bool isInput) {
  return uint32_t((isInput ? gPortPlugin.inputChannels : gPortPlugin.outputChannels).size());
}
inline bool audioGet(const clap_plugin_t*, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
  const auto& ports = isInput ? gPortPlugin.inputChannels : gPortPlugin.outputChannels;
  if (index >= ports.size()) return false;
  *info = {};
  info->id = index;
  info->channel_count = ports[index];
  info->flags = index == 0 ? CLAP_AUDIO_PORT_IS_MAIN : 0;
  info->in_place_pair = CLAP_INVALID_ID;
  return true;
}
inline const clap_plugin_audio_ports_t kAudioPorts = {audioCount, audioGet};

inline uint32_t noteCount(const clap_plugin_t*, bool isInput) { return isInput ? 1 : (gPortPlugin.noteOutput ? 1 : 0); }
inline bool noteGet(const clap_plugin_t*, uint32_t index, bool isInput, clap_note_port_info_t* info) {
  if (index != 0) return false;
  *info = {};
  info->supported_dialects = isInput ? gPortPlugin.inputDialects : uint32_t(CLAP_NOTE_DIALECT_MIDI);
  return isInput || gPortPlugin.noteOutput;
}
inline const clap_plugin_note_ports_t kNotePorts = {noteCount, noteGet};

inline void onTimer(const clap_plugin_t*, clap_id id) { gPortPlugin.timersFired.push_back(id); }
inline const clap_plugin_timer_support_t kTimerSupport = {onTimer};

inline const void* extension(const clap_plugin_t*, const char* id) {
  if (std::string_view(id) == CLAP_EXT_TIMER_SUPPORT) return &kTimerSupport;
  if (std::string_view(id) == CLAP_EXT_AUDIO_PORTS) return &kAudioPorts;
  if (std::string_view(id) == CLAP_EXT_NOTE_PORTS) return &kNotePorts;
  return nullptr;
}
inline void onMainThread(const clap_plugin_t*) { gPortPlugin.mainThreadCalls.push_back(std::this_thread::get_id()); }

inline clap_plugin_t gPlugin = {&kDescriptor, nullptr, init, destroy, activate, deactivate, startProcessing,
                                stopProcessing, reset, process, extension, onMainThread};

inline uint32_t count(const clap_plugin_factory_t*) { return 1; }
inline const clap_plugin_descriptor_t* descriptor(const clap_plugin_factory_t*, uint32_t i) {
  return i == 0 ? &kDescriptor : nullptr;
}
inline const clap_plugin_t* create(const clap_plugin_factory_t*, const clap_host_t*, const char* id) {
  return std::string_view(id) == kDescriptor.id ? &gPlugin : nullptr;
}
inline const clap_plugin_factory_t kFactory = {count, descriptor, create};
inline bool entryInit(const char*) { return true; }
inline void entryDeinit() {}
inline const void* factory(const char* id) {
  return std::string_view(id) == CLAP_PLUGIN_FACTORY_ID ? &kFactory : nullptr;
}

}  // namespace port_plugin

inline const clap_plugin_entry_t kPortPluginEntry = {{1, 2, 10}, port_plugin::entryInit, port_plugin::entryDeinit,
                                                     port_plugin::factory};

// A CLAP event of type T as the bytes the plugin pushes.
template <typename T>
std::vector<uint8_t> eventBytes(const T& event) {
  std::vector<uint8_t> bytes(sizeof(T));
  std::memcpy(bytes.data(), &event, sizeof(T));
  return bytes;
}

}  // namespace strobe95::standalone::test
