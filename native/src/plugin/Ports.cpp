#include "Ports.h"

#include <cstdio>

namespace strobe95 {

uint32_t audioPortCount(bool isInput) { return isInput ? 0 : 1; }

bool audioPortInfo(uint32_t index, bool isInput, clap_audio_port_info* info) {
  if (isInput || index != 0) return false;
  info->id = 0;
  std::snprintf(info->name, sizeof info->name, "%s", "Output");
  info->flags = CLAP_AUDIO_PORT_IS_MAIN;
  info->channel_count = 2;
  info->port_type = CLAP_PORT_STEREO;
  info->in_place_pair = CLAP_INVALID_ID;
  return true;
}

uint32_t notePortCount(bool isInput) { return isInput ? 1 : 0; }

bool notePortInfo(uint32_t index, bool isInput, clap_note_port_info* info) {
  if (!isInput || index != 0) return false;
  info->id = 0;
  info->supported_dialects = CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI;
  info->preferred_dialect = CLAP_NOTE_DIALECT_CLAP;
  std::snprintf(info->name, sizeof info->name, "%s", "Notes");
  return true;
}

}  // namespace strobe95
