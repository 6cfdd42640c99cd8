#pragma once
// The host side that the editor tests share: a clap_host offering params (counting flush
// requests), state (counting dirty marks) and timers, whose timers the test's own loop
// fires, as a Linux workstation runs an editor from its loop.
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>
#include <clap/host.h>

struct _XDisplay;  // Xlib's Display; its header's macros stay out of the includer

namespace strobe95::test {

// Prints one result line and counts the failures for the exit status.
void check(bool ok, const std::string& what);
int failures();

struct TimerHost {
  using Clock = std::chrono::steady_clock;
  struct Timer {
    std::chrono::milliseconds period;
    Clock::time_point due;
  };

  TimerHost();
  TimerHost(const TimerHost&) = delete;
  TimerHost& operator=(const TimerHost&) = delete;

  // Fires every timer that is due on `plugin` (whose timers may come and go while firing).
  void fireDueTimers(const clap_plugin* plugin, const clap_plugin_timer_support* timers);
  // The host's loop for a while: drains the X server's events and fires due timers.
  void spin(_XDisplay* display, const clap_plugin* plugin, const clap_plugin_timer_support* pluginTimers,
            std::chrono::milliseconds duration);

  clap_host host{};
  clap_host_params params{};
  clap_host_state state{};
  clap_host_timer_support timers{};
  std::map<clap_id, Timer> registered;
  clap_id nextTimer = 1;
  int flushRequests = 0;
  int dirtyMarks = 0;
};

}  // namespace strobe95::test
