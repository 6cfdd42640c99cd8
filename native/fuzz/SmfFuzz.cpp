// Any bytes as a Standard MIDI File handed to the renderer. A file either reads as a
// song or is refused with a reason; a song's notes are in time order, at finite beats
// inside its length, with keys and velocities a MIDI byte holds.
#include <cmath>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "FuzzInput.h"
#include "MidiFile.h"

using namespace strobe95::tools;
using strobe95::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto parsed = parseMidiFile(std::vector<uint8_t>(data, data + size));
  if (const auto* reason = std::get_if<std::string>(&parsed)) {
    require(!reason->empty(), "a file is refused without a reason");
    return 0;
  }
  const MidiSong& song = std::get<MidiSong>(parsed);
  require(std::isfinite(song.lengthBeats) && song.lengthBeats >= 0, "the song is %g beats long", song.lengthBeats);
  if (song.tempo) require(std::isfinite(*song.tempo) && *song.tempo > 0, "the tempo is %g", *song.tempo);
  double last = 0;
  for (const MidiNote& note : song.notes) {
    require(std::isfinite(note.beat) && note.beat >= last && note.beat <= song.lengthBeats,
            "a note at beat %g follows one at %g in a song of %g beats", note.beat, last, song.lengthBeats);
    require((note.status & 0xE0) == 0x80, "a note has status %#x", unsigned(note.status));
    require(note.key < 128 && note.velocity < 128, "a note has key %u, velocity %u", unsigned(note.key),
            unsigned(note.velocity));
    last = note.beat;
  }
  return 0;
}
