#pragma once
// MIDI from ALSA: every readable sequencer port of the other clients, and every raw MIDI
// input device. Chosen ports are subscribed to this program's own sequencer port
// "midi_in" (raw devices are opened); one reader thread takes their events and hands the
// host whole messages. Ports that come later raise a flag the program polls. Without a
// sequencer (no /dev/snd/seq) only raw devices are offered.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "MidiBackend.h"

namespace strobe95::standalone::linux_standalone {

inline constexpr const char* kAlsaSequencerPrefix = "alsa-seq:";
inline constexpr const char* kAlsaRawPrefix = "alsa-raw:";

class AlsaMidiInput {
 public:
  AlsaMidiInput();
  ~AlsaMidiInput();
  AlsaMidiInput(const AlsaMidiInput&) = delete;
  AlsaMidiInput& operator=(const AlsaMidiInput&) = delete;

  std::vector<MidiPortInfo> ports();
  // Makes exactly these ports (ids from ports()) the open ones; returns those opened.
  std::vector<std::string> open(const std::vector<std::string>& ids, MidiReceive receive);
  bool takePortsChanged() { return portsChanged_.exchange(false); }

 private:
  struct State;
  void stopReader();
  void read();

  std::unique_ptr<State> state_;        // main thread, and the reader thread while it runs
  std::atomic<bool> portsChanged_{false};  // reader thread stores, main thread takes
};

}  // namespace strobe95::standalone::linux_standalone
