#include "MidiFile.h"

#include <algorithm>

namespace strobe95::tools {
namespace {

// Reads big-endian numbers and variable-length quantities, refusing to run past the end.
class Reader {
 public:
  Reader(const std::vector<uint8_t>& bytes, size_t begin, size_t end) : bytes_(bytes), pos_(begin), end_(end) {}

  bool atEnd() const { return pos_ >= end_; }
  size_t position() const { return pos_; }
  bool has(size_t n) const { return end_ - pos_ >= n; }

  std::optional<uint32_t> fixed(size_t n) {
    if (!has(n)) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 0; i < n; ++i) value = (value << 8) | bytes_[pos_++];
    return value;
  }

  std::optional<uint32_t> variable() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      if (atEnd()) return std::nullopt;
      const uint8_t byte = bytes_[pos_++];
      value = (value << 7) | (byte & 0x7F);
      if (!(byte & 0x80)) return value;
    }
    return std::nullopt;  // longer than the four bytes the format allows
  }

  std::optional<uint8_t> byte() {
    if (atEnd()) return std::nullopt;
    return bytes_[pos_++];
  }

  bool skip(size_t n) {
    if (!has(n)) return false;
    pos_ += n;
    return true;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t pos_;
  size_t end_;
};

template <typename... Parts>
std::string message(const Parts&... parts) {
  std::string text;
  (text.append(parts), ...);
  return text;
}

bool tagAt(const std::vector<uint8_t>& bytes, size_t pos, const char* tag) {
  return bytes.size() >= pos + 4 && std::equal(tag, tag + 4, bytes.begin() + static_cast<ptrdiff_t>(pos));
}

struct TrackResult {
  std::string error;
  double lengthBeats = 0;
};

TrackResult readTrack(Reader track, double ticksPerBeat, MidiSong& song) {
  uint64_t ticks = 0;
  uint8_t runningStatus = 0;
  while (!track.atEnd()) {
    const auto delta = track.variable();
    if (!delta) return {"a track ends inside an event time"};
    ticks += *delta;
    auto first = track.byte();
    if (!first) return {"a track ends before its event"};
    uint8_t status = *first;
    if (status == 0xFF) {
      const auto type = track.byte();
      const auto length = track.variable();
      if (!type || !length || !track.has(*length)) return {"a meta event runs past its track"};
      if (*type == 0x51 && *length == 3 && !song.tempo) {
        const uint32_t microsPerBeat = *track.fixed(3);
        if (microsPerBeat > 0) song.tempo = 60e6 / microsPerBeat;
      } else {
        track.skip(*length);
      }
      if (*type == 0x2F) break;  // end of track
      continue;
    }
    if (status == 0xF0 || status == 0xF7) {
      const auto length = track.variable();
      if (!length || !track.skip(*length)) return {"a system exclusive message runs past its track"};
      continue;
    }
    uint8_t data1;
    if (status & 0x80) {
      runningStatus = status;
      const auto d = track.byte();
      if (!d) return {"a track ends inside a message"};
      data1 = *d;
    } else {
      if (!runningStatus) return {"a message has no status byte"};
      data1 = status;
      status = runningStatus;
    }
    const uint8_t kind = status & 0xF0;
    uint8_t data2 = 0;
    if (kind != 0xC0 && kind != 0xD0) {
      const auto d = track.byte();
      if (!d) return {"a track ends inside a message"};
      data2 = *d;
    }
    if (kind == 0x80 || kind == 0x90) {
      song.notes.push_back({double(ticks) / ticksPerBeat, status, uint8_t(data1 & 0x7F), uint8_t(data2 & 0x7F)});
    }
  }
  return {"", double(ticks) / ticksPerBeat};
}

}  // namespace

std::variant<MidiSong, std::string> parseMidiFile(const std::vector<uint8_t>& bytes) {
  if (!tagAt(bytes, 0, "MThd")) return std::string("not a Standard MIDI File (no MThd header)");
  Reader header(bytes, 4, bytes.size());
  const auto headerLength = header.fixed(4);
  if (!headerLength || *headerLength < 6 || !header.has(*headerLength)) return std::string("the header is truncated");
  const uint32_t format = *header.fixed(2);
  const uint32_t trackCount = *header.fixed(2);
  const uint32_t division = *header.fixed(2);
  if (format > 1) return message("MIDI file format ", std::to_string(format), " is not supported (only 0 and 1)");
  if (division & 0x8000) return std::string("SMPTE time division is not supported");
  if (division == 0) return std::string("the time division is zero");

  MidiSong song;
  size_t pos = 8 + *headerLength;
  for (uint32_t t = 0; t < trackCount; ++t) {
    if (!tagAt(bytes, pos, "MTrk")) return message("track ", std::to_string(t + 1), " is missing or malformed");
    Reader lengthReader(bytes, pos + 4, bytes.size());
    const auto length = lengthReader.fixed(4);
    if (!length || !lengthReader.has(*length)) return message("track ", std::to_string(t + 1), " is truncated");
    const size_t begin = pos + 8;
    const TrackResult result = readTrack(Reader(bytes, begin, begin + *length), double(division), song);
    if (!result.error.empty()) return message("track ", std::to_string(t + 1), ": ", result.error);
    song.lengthBeats = std::max(song.lengthBeats, result.lengthBeats);
    pos = begin + *length;
  }
  std::stable_sort(song.notes.begin(), song.notes.end(),
                   [](const MidiNote& a, const MidiNote& b) { return a.beat < b.beat; });
  return song;
}

}  // namespace strobe95::tools
