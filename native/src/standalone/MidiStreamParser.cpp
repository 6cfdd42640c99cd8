#include "MidiStreamParser.h"

namespace strobe95::standalone {
namespace {

// The length of a message with this status, the status included; 0 for sysex's 0xF0,
// whose end is its 0xF7.
std::size_t messageLength(uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 2;
    case 0xF0:
      break;
    default:
      return 3;
  }
  switch (status) {
    case 0xF1:
    case 0xF3:
      return 2;
    case 0xF2:
      return 3;
    default:
      return 1;  // 0xF6, and the undefined 0xF4 and 0xF5
  }
}

}  // namespace

void MidiStreamParser::feed(const uint8_t* bytes, std::size_t length, const MidiReceive& receive) {
  for (std::size_t i = 0; i < length; ++i) take(bytes[i], receive);
}

void MidiStreamParser::take(uint8_t byte, const MidiReceive& receive) {
  if (byte >= 0xF8) {  // real-time: goes on at once and interrupts nothing
    receive(&byte, 1);
    return;
  }
  if (inSysex_) {
    if (byte < 0x80) {
      if (sysex_.size() < kLongest) {
        sysex_.push_back(byte);
      } else {
        overlong_ = true;
      }
      return;
    }
    // 0xF7 ends the message; any other status ends it too, unfinished, and is read anew.
    if (byte == 0xF7 && !overlong_ && sysex_.size() < kLongest) {
      sysex_.push_back(byte);
      receive(sysex_.data(), sysex_.size());
    }
    inSysex_ = false;
    sysex_.clear();
    if (byte == 0xF7) return;
  }
  if (byte == 0xF0) {
    inSysex_ = true;
    overlong_ = false;
    sysex_.assign(1, byte);
    status_ = 0;
    return;
  }
  if (byte >= 0x80) {
    if (byte == 0xF7) return;  // an end without a start
    // System common messages cancel the running status; channel messages set it.
    status_ = byte < 0xF0 ? byte : 0;
    message_[0] = byte;
    have_ = 1;
    need_ = messageLength(byte);
  } else {
    if (have_ == 0) {
      if (status_ == 0) return;  // a data byte with nothing to belong to
      message_[0] = status_;
      have_ = 1;
      need_ = messageLength(status_);
    }
    message_[have_++] = byte;
  }
  if (have_ == need_) {
    receive(message_, have_);
    have_ = 0;
  }
}

}  // namespace strobe95::standalone
