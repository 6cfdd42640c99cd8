#pragma once
// Standard MIDI Files (formats 0 and 1) read into note events on a beat timeline.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace strobe95::tools {

struct MidiNote {
  double beat;       // quarter notes from the start of the file
  uint8_t status;    // 0x80 or 0x90 with its channel, as in the file
  uint8_t key;
  uint8_t velocity;
};

struct MidiSong {
  std::vector<MidiNote> notes;      // all tracks merged, in time order
  std::optional<double> tempo;      // the file's first tempo, beats per minute
  double lengthBeats = 0;           // up to the last event of any track
};

// The song, or a message saying what is wrong with the bytes.
std::variant<MidiSong, std::string> parseMidiFile(const std::vector<uint8_t>& bytes);

}  // namespace strobe95::tools
