#pragma once
// One stereo output called "Output" and one note input called "Notes".
#include "ClapApi.h"

namespace strobe95 {

uint32_t audioPortCount(bool isInput);
bool audioPortInfo(uint32_t index, bool isInput, clap_audio_port_info* info);
uint32_t notePortCount(bool isInput);
bool notePortInfo(uint32_t index, bool isInput, clap_note_port_info* info);

}  // namespace strobe95
