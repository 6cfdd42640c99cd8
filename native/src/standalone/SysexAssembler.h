#pragma once
// Sysex messages put together from the long-message buffers a MIDI input fills, which may
// split one message over several buffers and carry real-time bytes inside it. Used on the
// MIDI layer's callback thread; its buffer is reserved when the input opens.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "MidiBackend.h"

namespace strobe95::standalone {

class SysexAssembler {
 public:
  // The longest message the host's MIDI input queue takes.
  static constexpr std::size_t kLongest = 65532;

  SysexAssembler() { message_.reserve(kLongest); }

  // One buffer's recorded bytes: real-time bytes (0xF8 and up) go on at once as 1-byte
  // messages, 0xF0 starts a message, 0xF7 ends and hands it on whole. Bytes outside a
  // message are ignored, and a message longer than kLongest is dropped whole.
  void feed(const uint8_t* bytes, std::size_t length, const MidiReceive& receive);
  // The layer reported a broken buffer: the message so far is dropped.
  void clear();

 private:
  std::vector<uint8_t> message_;
  bool inMessage_ = false;
  bool overlong_ = false;
};

}  // namespace strobe95::standalone
