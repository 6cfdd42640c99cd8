#include "TimerHost.h"

#include <cstring>
#include <thread>

#include <X11/Xlib.h>

namespace strobe95::test {
namespace {

int gFailures = 0;

TimerHost& self(const clap_host* host) { return *static_cast<TimerHost*>(host->host_data); }

}  // namespace

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);  // a test that dies next still shows how far it got
  if (!ok) ++gFailures;
}

int failures() { return gFailures; }

TimerHost::TimerHost() {
  host.clap_version = CLAP_VERSION;
  host.host_data = this;
  host.name = "editor test host";
  host.vendor = "tests";
  host.url = "";
  host.version = "1";
  host.get_extension = [](const clap_host* h, const char* id) -> const void* {
    if (!std::strcmp(id, CLAP_EXT_PARAMS)) return &self(h).params;
    if (!std::strcmp(id, CLAP_EXT_STATE)) return &self(h).state;
    if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT)) return &self(h).timers;
    return nullptr;
  };
  host.request_restart = [](const clap_host*) {};
  host.request_process = [](const clap_host*) {};
  host.request_callback = [](const clap_host*) {};
  params.rescan = [](const clap_host*, clap_param_rescan_flags) {};
  params.clear = [](const clap_host*, clap_id, clap_param_clear_flags) {};
  params.request_flush = [](const clap_host* h) { ++self(h).flushRequests; };
  state.mark_dirty = [](const clap_host* h) { ++self(h).dirtyMarks; };
  timers.register_timer = [](const clap_host* h, uint32_t periodMs, clap_id* id) {
    TimerHost& owner = self(h);
    *id = owner.nextTimer++;
    const auto period = std::chrono::milliseconds(periodMs);
    owner.registered[*id] = {period, Clock::now() + period};
    return true;
  };
  timers.unregister_timer = [](const clap_host* h, clap_id id) { return self(h).registered.erase(id) == 1; };
}

void TimerHost::fireDueTimers(const clap_plugin* plugin, const clap_plugin_timer_support* timerSupport) {
  const auto now = Clock::now();
  for (auto& [id, timer] : std::map(registered)) {
    if (now >= timer.due && registered.count(id)) {
      registered[id].due = now + timer.period;
      timerSupport->on_timer(plugin, id);
    }
  }
}

void TimerHost::spin(_XDisplay* display, const clap_plugin* plugin, const clap_plugin_timer_support* pluginTimers,
                     std::chrono::milliseconds duration) {
  const auto end = Clock::now() + duration;
  do {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
    }
    fireDueTimers(plugin, pluginTimers);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  } while (Clock::now() < end);
}

}  // namespace strobe95::test
