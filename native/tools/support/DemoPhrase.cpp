#include "DemoPhrase.h"

#include <algorithm>
#include <array>

namespace strobe95::tools {
namespace {

constexpr std::array<std::array<uint8_t, 3>, 4> kChords = {{
    {57, 60, 64},  // A minor
    {53, 57, 60},  // F
    {55, 60, 64},  // C
    {55, 59, 62},  // G
}};

void chord(MidiSong& song, const std::array<uint8_t, 3>& keys, double start, double length, uint8_t velocity) {
  for (uint8_t key : keys) {
    song.notes.push_back({start, 0x90, key, velocity});
    song.notes.push_back({start + length, 0x80, key, 0});
  }
}

}  // namespace

MidiSong demoPhrase() {
  MidiSong song;
  for (int bar = 0; bar < 2; ++bar) {
    for (int half = 0; half < 2; ++half) {
      const auto& keys = kChords[static_cast<size_t>(bar * 2 + half)];
      const double start = bar * 4.0 + half * 2.0;
      chord(song, keys, start, 0.5, 110);
      chord(song, keys, start + 0.75, 0.25, 90);
      chord(song, keys, start + 1.5, 0.5, 100);
    }
  }
  for (int i = 0; i < 4; ++i) chord(song, kChords[static_cast<size_t>(i)], 8.0 + i * 2.0, 1.9, 100);
  std::stable_sort(song.notes.begin(), song.notes.end(),
                   [](const MidiNote& a, const MidiNote& b) { return a.beat < b.beat; });
  song.lengthBeats = 16.0;
  return song;
}

}  // namespace strobe95::tools
