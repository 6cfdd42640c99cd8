#pragma once
// A periodic callback on the host's main thread. On Windows it rides the thread's message
// loop (SetTimer); on Linux the host drives it through its clap.timer-support, so the
// faceplate needs no event loop of its own.
#include <cstdint>
#include <functional>

#include <clap/ext/timer-support.h>

namespace strobe95 {

class MainThreadTimer {
 public:
  MainThreadTimer(const clap_host* host, uint32_t periodMs, std::function<void()> tick);
  ~MainThreadTimer();
  MainThreadTimer(const MainThreadTimer&) = delete;
  MainThreadTimer& operator=(const MainThreadTimer&) = delete;

  // False when the platform or the host gave no timer.
  bool running() const { return running_; }
  // A host timer fired: ticks when it is ours. Returns whether it was.
  bool fire(clap_id timerId);

 private:
  const clap_host* host_;
  const clap_host_timer_support* timerSupport_ = nullptr;
  std::function<void()> tick_;
  clap_id id_ = CLAP_INVALID_ID;
#ifdef _WIN32
  uintptr_t windowsTimer_ = 0;
#endif
  bool running_ = false;
};

}  // namespace strobe95
