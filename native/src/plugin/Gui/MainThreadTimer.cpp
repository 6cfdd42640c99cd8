#include "MainThreadTimer.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>

#include <map>
#endif

namespace strobe95 {

#ifdef _WIN32
namespace {

// SetTimer's callback knows only the timer's number; this finds its owner (main thread).
std::map<UINT_PTR, MainThreadTimer*>& windowsTimers() {
  static std::map<UINT_PTR, MainThreadTimer*> timers;
  return timers;
}

void CALLBACK onWindowsTimer(HWND, UINT, UINT_PTR id, DWORD) {
  const auto found = windowsTimers().find(id);
  if (found != windowsTimers().end()) found->second->fire(static_cast<clap_id>(id));
}

}  // namespace

MainThreadTimer::MainThreadTimer(const clap_host* host, uint32_t periodMs, std::function<void()> tick)
    : host_(host), tick_(std::move(tick)) {
  windowsTimer_ = SetTimer(nullptr, 0, periodMs, onWindowsTimer);
  running_ = windowsTimer_ != 0;
  if (running_) {
    id_ = static_cast<clap_id>(windowsTimer_);
    windowsTimers()[windowsTimer_] = this;
  }
}

MainThreadTimer::~MainThreadTimer() {
  if (!running_) return;
  KillTimer(nullptr, windowsTimer_);
  windowsTimers().erase(windowsTimer_);
}

#else

MainThreadTimer::MainThreadTimer(const clap_host* host, uint32_t periodMs, std::function<void()> tick)
    : host_(host), tick_(std::move(tick)) {
  if (host_ && host_->get_extension) {
    timerSupport_ =
        static_cast<const clap_host_timer_support*>(host_->get_extension(host_, CLAP_EXT_TIMER_SUPPORT));
  }
  if (timerSupport_ && timerSupport_->register_timer) {
    running_ = timerSupport_->register_timer(host_, periodMs, &id_);
  }
}

MainThreadTimer::~MainThreadTimer() {
  if (running_ && timerSupport_->unregister_timer) timerSupport_->unregister_timer(host_, id_);
}

#endif

bool MainThreadTimer::fire(clap_id timerId) {
  if (!running_ || timerId != id_) return false;
  tick_();
  return true;
}

}  // namespace strobe95
