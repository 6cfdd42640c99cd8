#pragma once
// The program's one JACK client, "STROBE-95", shared by the audio and the MIDI layer. Its
// process callback reads MIDI first, so a cycle's notes reach the host before the cycle's
// audio is rendered, then runs the audio stream.
#include <jack/jack.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace strobe95::standalone::linux_standalone {

inline constexpr const char* kJackClientName = "STROBE-95";

// One side of the process callback. JACK's process thread.
class JackCycle {
 public:
  virtual ~JackCycle() = default;
  virtual void cycle(jack_nframes_t frames) = 0;
};

class JackClient {
 public:
  // The client, opened and activated on first use (never starting a server); null when
  // no JACK server answers. Main thread.
  static std::shared_ptr<JackClient> shared();
  ~JackClient();
  JackClient(const JackClient&) = delete;
  JackClient& operator=(const JackClient&) = delete;

  jack_client_t* handle() const { return client_; }
  std::string name() const;
  uint32_t sampleRate() const;
  uint32_t bufferSize() const;
  // Full names of the ports of this type and flags, this client's own left out.
  std::vector<std::string> ports(const char* type, unsigned long flags) const;

  // Installs a side (or null). Returns once the process thread can no longer be inside
  // the side that was there before, so its owner may go. Main thread.
  void setMidi(JackCycle* midi) { swap(midi_, midi); }
  void setAudio(JackCycle* audio) { swap(audio_, audio); }

  // Set from JACK's threads: the server went away; ports came or went.
  bool serverGone() const { return serverGone_.load(); }
  bool takePortsChanged() { return portsChanged_.exchange(false); }
  // Called from JACK's notification thread when the server stops (`lost`) or the buffer
  // size changes.
  using StopReport = void (*)(void* context, const char* why, bool lost);
  void setStopReport(StopReport report, void* context);

  // Tests only: run by each thread JACK starts for clients opened from now on, before
  // their first cycle.
  static void setThreadInitForTesting(void (*init)());

 private:
  explicit JackClient(jack_client_t* client);
  void swap(std::atomic<JackCycle*>& side, JackCycle* next);
  static int process(jack_nframes_t frames, void* self);
  static void shutdown(jack_status_t, const char* reason, void* self);
  static void portRegistered(jack_port_id_t, int, void* self);
  static int bufferSizeChanged(jack_nframes_t frames, void* self);

  jack_client_t* client_;                       // main thread; JACK's threads use it
  std::atomic<JackCycle*> midi_{nullptr};       // main thread stores, process thread loads
  std::atomic<JackCycle*> audio_{nullptr};      // main thread stores, process thread loads
  std::atomic<bool> inCycle_{false};            // process thread stores, main thread waits on it
  std::atomic<bool> serverGone_{false};         // JACK's threads store, main thread loads
  std::atomic<bool> portsChanged_{false};       // JACK's threads store, main thread takes
  std::atomic<uint32_t> openedBufferSize_{0};   // JACK's threads store and load
  std::atomic<StopReport> stopReport_{nullptr};  // main thread stores, JACK's threads call
  std::atomic<void*> stopContext_{nullptr};
};

}  // namespace strobe95::standalone::linux_standalone
