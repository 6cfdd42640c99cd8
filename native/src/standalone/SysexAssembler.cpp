#include "SysexAssembler.h"

namespace strobe95::standalone {

void SysexAssembler::feed(const uint8_t* bytes, std::size_t length, const MidiReceive& receive) {
  for (std::size_t i = 0; i < length; ++i) {
    const uint8_t byte = bytes[i];
    if (byte > 0xF7) {
      receive(&byte, 1);
    } else if (byte == 0xF0) {
      clear();
      inMessage_ = true;
      message_.push_back(byte);
    } else if (inMessage_) {
      if (message_.size() < kLongest) {
        message_.push_back(byte);
      } else {
        overlong_ = true;
      }
      if (byte == 0xF7) {
        if (!overlong_) receive(message_.data(), message_.size());
        clear();
      }
    }
  }
}

void SysexAssembler::clear() {
  message_.clear();
  inMessage_ = false;
  overlong_ = false;
}

}  // namespace strobe95::standalone
