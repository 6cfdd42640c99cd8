// A host that carries its own GTK before it opens the editor, as GTK 2 workstations do,
// and loads the built STROBE-95.clap by path. GTK 3 aborts any process in which it finds
// GTK 2, so such a host gets the faceplate from the editor helper beside the plugin, in
// the helper's process; a plugin installed without the helper refuses the editor (the
// host falls back to its own controls). Either way the host lives. "none" is the control:
// a host without a GTK of its own gets the faceplate in its own process. Runs under Xvfb.
//
//   strobe95_foreign_gtk_host <toolkit> <plugin.clap> <beside|alone> <screenshot.png>
//
// toolkit: "gtk2" (opened into the global scope, as linking does), "gtk2-local" (opened
// privately, as a host's own plugin would), "gtk4", or "none". "beside" loads the plugin
// where it was built, beside the helper; "alone" loads a copy in a folder of its own.
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <clap/ext/gui.h>
#include <clap/ext/timer-support.h>

#include "AudioBlock.h"
#include "EventLists.h"
#include "PluginLibrary.h"
#include "Streams.h"
#include "TestHost.h"
#include "TimerHost.h"
#include "WindowImage.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

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
  void expectShown(const std::string& screenshotPath, bool carriesGtk) {
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
    strobe95::test::WindowImage shot;
    const auto end = Clock::now() + 30s;
    do {
      spin(500ms);
      shot = strobe95::test::WindowImage::capture(display_, window_);
    } while (shot.variedShare() < 0.5 && Clock::now() < end);
    check(shot.variedShare() >= 0.5, "the window shows the faceplate, not a blank");
    if (!shot.empty()) shot.writePng(screenshotPath);
    std::printf("screenshot: %s\n", screenshotPath.c_str());
    checkPlaysFromTheKeyboard();
    checkKnobDragReachesTheHost();
    checkLoadedStateShows(shot);
    checkPlays();
    if (carriesGtk) {
      void* gtk3 = dlopen("libgtk-3.so.0", RTLD_LAZY | RTLD_NOLOAD);
      check(gtk3 == nullptr, "no GTK 3 entered the host's process: the faceplate runs in the helper");
      if (gtk3) dlclose(gtk3);
    }
    gui_->destroy(plugin_);
    spin(100ms);
    check(true, "the editor closes and the host lives on");
  }

 private:
  void spin(std::chrono::milliseconds duration) { host_.spin(display_, plugin_, timers_, duration); }

  // The peak of a few blocks' output, with the host's notes, if any.
  float render(strobe95::test::InputEvents* notes) {
    strobe95::test::AudioBlock block(512);
    strobe95::test::OutputEvents out;
    float peak = 0.0f;
    for (int i = 0; i < 8; ++i) {
      plugin_->process(plugin_, block.process(i == 0 ? notes : nullptr, &out));
      for (float sample : block.channels[0]) peak = std::max(peak, std::abs(sample));
    }
    return peak;
  }

  // A player clicks into the faceplate and types "a": the page plays its note through the
  // plugin, as real X input from the server.
  void checkPlaysFromTheKeyboard() {
    check(plugin_->activate(plugin_, 48000, 32, 512) && plugin_->start_processing(plugin_), "activate");
    const float before = render(nullptr);
    XTestFakeMotionEvent(display_, DefaultScreen(display_), 4, 400, CurrentTime);  // the page's margin
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
    spin(300ms);
    const KeyCode a = XKeysymToKeycode(display_, XK_a);
    XTestFakeKeyEvent(display_, a, True, CurrentTime);
    XSync(display_, False);
    float played = 0.0f;
    for (const auto end = Clock::now() + 10s; played <= 0.01f && Clock::now() < end;) {
      spin(50ms);
      played = render(nullptr);
    }
    XTestFakeKeyEvent(display_, a, False, CurrentTime);
    XSync(display_, False);
    spin(300ms);
    plugin_->stop_processing(plugin_);
    plugin_->deactivate(plugin_);
    check(before == 0.0f && played > 0.01f, "typing \"a\" on the faceplate plays a note (peak " + std::to_string(played) + ")");
  }

  // A drag on the cutoff knob reaches the host as a gesture around its values.
  void checkKnobDragReachesTheHost() {
    constexpr int kCutoffX = 80, kCutoffY = 372;  // the knob's centre at scale 1
    const int screen = DefaultScreen(display_);
    XTestFakeMotionEvent(display_, screen, kCutoffX, kCutoffY, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XSync(display_, False);
    spin(100ms);
    for (int step = 1; step <= 8; ++step) {
      XTestFakeMotionEvent(display_, screen, kCutoffX, kCutoffY - 5 * step, CurrentTime);
      XSync(display_, False);
      spin(30ms);
    }
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
    const auto* params = static_cast<const clap_plugin_params*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
    const uint32_t cutoff = strobe95::test::clapIdOf("cutoff");
    int begins = 0, values = 0, ends = 0;
    // The host flushes as a host does, until the gesture has ended or plainly never will.
    for (const auto end = Clock::now() + 10s; ends == 0 && Clock::now() < end;) {
      spin(50ms);
      strobe95::test::InputEvents none;
      strobe95::test::OutputEvents out;
      params->flush(plugin_, none.list(), out.list());
      for (const auto& event : out.events) {
        begins += event.header.type == CLAP_EVENT_PARAM_GESTURE_BEGIN && event.gesture.param_id == cutoff;
        values += event.header.type == CLAP_EVENT_PARAM_VALUE && event.param.param_id == cutoff;
        ends += event.header.type == CLAP_EVENT_PARAM_GESTURE_END && event.gesture.param_id == cutoff;
      }
    }
    check(begins == 1 && values > 0 && ends == 1 && host_.flushRequests > 0,
          "a drag on the cutoff knob reaches the host as one gesture (" + std::to_string(begins) + " begins, " +
              std::to_string(values) + " values, " + std::to_string(ends) + " ends)");
  }

  // A project load shows on the faceplate: the plugin pushes its state to the page.
  void checkLoadedStateShows(const strobe95::test::WindowImage& before) {
    const auto* state = static_cast<const clap_plugin_state*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
    strobe95::test::InputStream stream("STROBE-95 0.5.1\npreset Acid Line\nedited 1\nresonance 0.95\n");
    check(state->load(plugin_, stream.stream()), "state load");
    // The preset display, top right, names the loaded preset.
    const auto presetChanged = [&](const strobe95::test::WindowImage& after) {
      long changed = 0;
      for (int y = 20; y < 85 && y < after.height() && y < before.height(); ++y) {
        for (int x = 650; x < 980 && x < after.width() && x < before.width(); ++x) changed += after.at(x, y) != before.at(x, y);
      }
      return changed > 200;
    };
    bool shown = false;
    for (const auto end = Clock::now() + 10s; !shown && Clock::now() < end;) {
      spin(100ms);
      shown = presetChanged(strobe95::test::WindowImage::capture(display_, window_));
    }
    check(shown, "the loaded state shows on the faceplate");
  }

  // The instrument still sounds in this host, editor or not.
  void checkPlays() {
    check(plugin_->activate(plugin_, 48000, 32, 512) && plugin_->start_processing(plugin_), "activate");
    strobe95::test::InputEvents notes;
    notes.noteOn(0, 60);
    const float peak = render(&notes);
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

// A copy of the plugin in a fresh folder, where no helper lies beside it.
std::string copyAlone(const std::string& pluginPath) {
  char folder[] = "/tmp/strobe95-alone-XXXXXX";
  if (!mkdtemp(folder)) throw std::runtime_error("cannot make a folder for the plugin");
  const auto copy = std::filesystem::path(folder) / "STROBE-95.clap";
  std::filesystem::copy_file(pluginPath, copy);
  return copy.string();
}

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s <gtk2|gtk2-local|gtk4|none> <plugin.clap> <beside|alone> <screenshot.png>\n",
                 argv[0]);
    return 2;
  }
  const std::string toolkitName = argv[1], placement = argv[3];
  std::string pluginPath = argv[2];
  try {
    const bool alone = placement == "alone";
    if (alone) pluginPath = copyAlone(pluginPath);
    if (toolkitName != "none") {
      const Toolkit* toolkit = nullptr;
      for (const Toolkit& candidate : kToolkits) {
        if (toolkitName == candidate.name) toolkit = &candidate;
      }
      if (!toolkit) throw std::runtime_error("unknown toolkit " + toolkitName);
      check(startToolkit(*toolkit), std::string("the host starts its own ") + toolkit->library);
    }
    {
      ForeignHost host(pluginPath);
      if (alone && toolkitName != "none") {
        host.expectRefused();
      } else {
        host.expectShown(argv[4], toolkitName != "none");
      }
    }
    if (alone) std::filesystem::remove_all(std::filesystem::path(pluginPath).parent_path());
  } catch (const std::exception& error) {
    std::printf("FAIL %s\n", error.what());
    return 1;
  }
  std::printf("%d failures\n", strobe95::test::failures());
  return strobe95::test::failures() == 0 ? 0 : 1;
}
