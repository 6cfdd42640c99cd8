// A host that carries its own GTK before it opens the editor, as GTK 2 workstations do,
// and loads the built STROBE-95.clap by path. GTK 3 aborts any process in which it finds
// GTK 2, so the editor must be refused (the host falls back to its own controls) unless
// it runs outside the host's process; either way the host lives. "none" is the control:
// a host without a GTK of its own gets the faceplate. Runs under Xvfb.
//
//   strobe95_foreign_gtk_host <toolkit> <plugin.clap> <expectation> <screenshot.png>
//
// toolkit: "gtk2" (opened into the global scope, as linking does), "gtk2-local" (opened
// privately, as a host's own plugin would), "gtk4", or "none"; expectation: "refused"
// or "shown".
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include <clap/ext/gui.h>
#include <clap/ext/timer-support.h>

#include "AudioBlock.h"
#include "EventLists.h"
#include "PluginLibrary.h"
#include "TestHost.h"
#include "TimerHost.h"
#include "WindowShot.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using strobe95::test::check;

struct Toolkit {
  const char* name;
  const char* library;
  int scope;
  bool initTakesArguments;  // GTK 2's gtk_init_check(&argc, &argv); GTK 4's takes none
};

constexpr Toolkit kToolkits[] = {
    {"gtk2", "libgtk-x11-2.0.so.0", RTLD_GLOBAL, true},
    {"gtk2-local", "libgtk-x11-2.0.so.0", RTLD_LOCAL, true},
    {"gtk4", "libgtk-4.so.1", RTLD_GLOBAL, false},
};

// Loads and initialises the host's toolkit on the display, as the host does at start-up.
bool startToolkit(const Toolkit& toolkit) {
  void* handle = dlopen(toolkit.library, RTLD_NOW | toolkit.scope);
  if (!handle) {
    std::printf("cannot load %s: %s\n", toolkit.library, dlerror());
    return false;
  }
  void* init = dlsym(handle, "gtk_init_check");
  if (!init) return false;
  if (toolkit.initTakesArguments) return reinterpret_cast<int (*)(int*, char***)>(init)(nullptr, nullptr) != 0;
  return reinterpret_cast<int (*)()>(init)() != 0;
}

class ForeignHost {
 public:
  ForeignHost(const std::string& pluginPath) : library_(pluginPath) {
    display_ = XOpenDisplay(nullptr);
    if (!display_) throw std::runtime_error("no X display");
    if (!library_.entry()) throw std::runtime_error("cannot load the plugin: " + library_.error());
    const auto* factory = strobe95::test::factoryOf(library_);
    plugin_ = factory->create_plugin(factory, &host_.host, "co.glowhaus.strobe95");
    if (!plugin_ || !plugin_->init(plugin_)) throw std::runtime_error("cannot create the plugin");
    gui_ = static_cast<const clap_plugin_gui*>(plugin_->get_extension(plugin_, CLAP_EXT_GUI));
    timers_ = static_cast<const clap_plugin_timer_support*>(plugin_->get_extension(plugin_, CLAP_EXT_TIMER_SUPPORT));
    if (!gui_ || !timers_) throw std::runtime_error("no clap.gui or clap.timer-support");
  }

  ~ForeignHost() {
    plugin_->destroy(plugin_);
    if (window_) XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

  // The host asks for an embedded editor and is told no at every turn.
  void expectRefused() {
    check(!gui_->is_api_supported(plugin_, CLAP_WINDOW_API_X11, false), "x11 is not offered");
    const char* api = nullptr;
    bool floating = false;
    check(!gui_->get_preferred_api(plugin_, &api, &floating), "no preferred api");
    check(!gui_->create(plugin_, CLAP_WINDOW_API_X11, false), "create refuses the editor");
    checkPlays();
  }

  // The host opens the editor and sees the faceplate in its window.
  void expectShown(const std::string& screenshotPath) {
    check(gui_->is_api_supported(plugin_, CLAP_WINDOW_API_X11, false), "x11 is offered");
    check(gui_->create(plugin_, CLAP_WINDOW_API_X11, false), "create");
    uint32_t width = 0, height = 0;
    gui_->get_size(plugin_, &width, &height);
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, width, height, 0, 0, 0x303030);
    XMapWindow(display_, window_);
    XSync(display_, False);
    clap_window parent{CLAP_WINDOW_API_X11, {}};
    parent.x11 = window_;
    check(gui_->set_parent(plugin_, &parent), "set_parent into the host's window");
    check(gui_->show(plugin_), "show");
    strobe95::test::WindowShot shot;
    const auto end = Clock::now() + 30s;
    do {
      spin(500ms);
      shot = strobe95::test::captureWindow(display_, window_);
    } while (shot.variedShare() < 0.5 && Clock::now() < end);
    check(shot.variedShare() >= 0.5, "the window shows the faceplate, not a blank");
    if (!shot.empty()) strobe95::test::writePng(screenshotPath, shot);
    std::printf("screenshot: %s\n", screenshotPath.c_str());
    checkPlays();
    gui_->destroy(plugin_);
    spin(100ms);
    check(true, "the editor closes and the host lives on");
  }

 private:
  void spin(std::chrono::milliseconds duration) {
    const auto end = Clock::now() + duration;
    do {
      while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
      }
      host_.fireDueTimers(plugin_, timers_);
      std::this_thread::sleep_for(1ms);
    } while (Clock::now() < end);
  }

  // The instrument still sounds in this host, editor or not.
  void checkPlays() {
    check(plugin_->activate(plugin_, 48000, 32, 512) && plugin_->start_processing(plugin_), "activate");
    strobe95::test::AudioBlock block(512);
    strobe95::test::InputEvents notes;
    notes.noteOn(0, 60);
    strobe95::test::OutputEvents out;
    float peak = 0.0f;
    for (int i = 0; i < 8; ++i) {
      plugin_->process(plugin_, block.process(i == 0 ? &notes : nullptr, &out));
      for (float sample : block.channels[0]) peak = std::max(peak, std::abs(sample));
    }
    plugin_->stop_processing(plugin_);
    plugin_->deactivate(plugin_);
    check(peak > 0.01f, "a note sounds");
  }

  strobe95::test::TimerHost host_;
  strobe95::test::PluginLibrary library_;
  Display* display_ = nullptr;
  ::Window window_ = 0;
  const clap_plugin* plugin_ = nullptr;
  const clap_plugin_gui* gui_ = nullptr;
  const clap_plugin_timer_support* timers_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s <gtk2|gtk2-local|gtk4|none> <plugin.clap> <refused|shown> <screenshot.png>\n",
                 argv[0]);
    return 2;
  }
  const std::string toolkitName = argv[1], expectation = argv[3];
  try {
    if (toolkitName != "none") {
      const Toolkit* toolkit = nullptr;
      for (const Toolkit& candidate : kToolkits) {
        if (toolkitName == candidate.name) toolkit = &candidate;
      }
      if (!toolkit) throw std::runtime_error("unknown toolkit " + toolkitName);
      check(startToolkit(*toolkit), std::string("the host starts its own ") + toolkit->library);
    }
    ForeignHost host(argv[2]);
    if (expectation == "refused") {
      host.expectRefused();
    } else {
      host.expectShown(argv[4]);
    }
  } catch (const std::exception& error) {
    std::printf("FAIL %s\n", error.what());
    return 1;
  }
  std::printf("%d failures\n", strobe95::test::failures());
  return strobe95::test::failures() == 0 ? 0 : 1;
}
