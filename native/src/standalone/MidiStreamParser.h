#pragma once
// Whole MIDI messages out of a raw byte stream, as a serial MIDI port delivers it: running
// status, real-time bytes anywhere (even inside another message), sysex of any length up to
// the host's longest, and stray data bytes skipped. Used on a MIDI input's reader thread;
// its sysex buffer is reserved at construction.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "MidiBackend.h"

namespace strobe95::standalone {

class MidiStreamParser {
 public:
  static constexpr std::size_t kLongest = 65532;  // the host's input queue takes no more

  MidiStreamParser() { sysex_.reserve(kLongest); }
  void feed(const uint8_t* bytes, std::size_t length, const MidiReceive& receive);

 private:
  void take(uint8_t byte, const MidiReceive& receive);

  uint8_t status_ = 0;        // the running status; 0 when there is none
  uint8_t message_[3] = {};
  std::size_t have_ = 0;      // bytes of message_ so far, the status among them
  std::size_t need_ = 0;      // bytes the message has in all
  std::vector<uint8_t> sysex_;
  bool inSysex_ = false;
  bool overlong_ = false;
};

}  // namespace strobe95::standalone
