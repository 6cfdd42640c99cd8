// A small X11 host that opens the faceplate in its own window, the way a Linux
// workstation does: it runs the editor through clap.timer-support from its own loop,
// plays the page's part by calling the page's bindings from script, and checks what
// reaches the plugin and the host. Runs under Xvfb; writes a screenshot of the window.
//
//   strobe95_editor_host <screenshot.png>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <clap/ext/gui.h>
#include <clap/ext/timer-support.h>

#include "EventLists.h"
#include "Gui/Gui.h"
#include "Plugin.h"
#include "Streams.h"
#include "TimerHost.h"

// Last: Xlib's macros (None, Bool) would clash with the plugin's names.
#include "WindowShot.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using strobe95::test::AnyEvent;
using strobe95::test::check;

class EditorHost {
 public:
  EditorHost() {
    display_ = XOpenDisplay(nullptr);
    if (!display_) throw std::runtime_error("no X display");
    plugin_ = new strobe95::Plugin(&host_.host);
    clap_ = plugin_->clapPlugin();
    clap_->init(clap_);
    clap_->activate(clap_, 48000, 32, 512);
    gui_ = static_cast<const clap_plugin_gui*>(clap_->get_extension(clap_, CLAP_EXT_GUI));
    timer_ = static_cast<const clap_plugin_timer_support*>(clap_->get_extension(clap_, CLAP_EXT_TIMER_SUPPORT));
    params_ = static_cast<const clap_plugin_params*>(clap_->get_extension(clap_, CLAP_EXT_PARAMS));
    state_ = static_cast<const clap_plugin_state*>(clap_->get_extension(clap_, CLAP_EXT_STATE));
  }

  ~EditorHost() {
    clap_->deactivate(clap_);
    clap_->destroy(clap_);
    if (window_) XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }

  void run() {
    check(gui_ && timer_, "offers clap.gui and clap.timer-support");
    check(gui_->is_api_supported(clap_, CLAP_WINDOW_API_X11, false), "x11 embedded is supported");
    const char* api = nullptr;
    bool floating = true;
    check(gui_->get_preferred_api(clap_, &api, &floating) && !std::strcmp(api, "x11") && !floating,
          "prefers x11, embedded");
    check(gui_->create(clap_, CLAP_WINDOW_API_X11, false), "create");
    uint32_t width = 0, height = 0;
    gui_->get_size(clap_, &width, &height);
    check(width == 1000 && height == 850, "size at scale 1 is 1000 x 850");

    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, width, height, 0, 0, 0x303030);
    XStoreName(display_, window_, "STROBE-95 editor test");
    XMapWindow(display_, window_);
    XSync(display_, False);
    clap_window parent{};
    parent.api = CLAP_WINDOW_API_X11;
    parent.x11 = window_;
    check(gui_->set_parent(clap_, &parent), "set_parent into the host's window");
    check(gui_->show(clap_), "show");

    const bool ready = waitFor(30s, "document.querySelector('.strobe95-gui') !== null && !!window.strobeRefresh");
    check(ready, "the page builds its faceplate");
    if (!ready) return;

    drivePageBindings();
    showHostAutomation();
    showLoadedState();
    screenshot();

    check(gui_->hide(clap_) && gui_->show(clap_), "hide and show again");
    gui_->destroy(clap_);
    check(plugin_->gui() == nullptr, "destroy removes the editor");
    survivesBrokenParents();
    followsTheHostsWindow();
    fillsTheWindowAtEveryScale();
  }

  std::string screenshotPath;

 private:
  // The size of the editor's window inside the host's, or 0 x 0 when there is none.
  std::pair<int, int> embeddedSize(::Window parent) {
    ::Window root = 0, parentOfParent = 0, *children = nullptr;
    unsigned count = 0;
    std::pair<int, int> size{0, 0};
    if (XQueryTree(display_, parent, &root, &parentOfParent, &children, &count) && count > 0) {
      XWindowAttributes attributes{};
      if (XGetWindowAttributes(display_, children[0], &attributes)) size = {attributes.width, attributes.height};
    }
    if (children) XFree(children);
    return size;
  }

  // Some hosts hand over their window first and size it afterwards, as Qtractor does:
  // the editor follows, rather than staying at the size it found.
  void followsTheHostsWindow() {
    check(gui_->create(clap_, CLAP_WINDOW_API_X11, false), "create for a window sized later");
    const ::Window window = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 640, 480, 0, 0, 0);
    XMapWindow(display_, window);
    XSync(display_, False);
    clap_window parent{CLAP_WINDOW_API_X11, {}};
    parent.x11 = window;
    check(gui_->set_parent(clap_, &parent) && gui_->show(clap_), "set_parent into a 640 x 480 window");
    XResizeWindow(display_, window, 1000, 850);
    XSync(display_, False);
    std::pair<int, int> size;
    for (const auto end = Clock::now() + 5s; size != std::pair(1000, 850) && Clock::now() < end;) {
      spin(50ms);
      size = embeddedSize(window);
    }
    check(size == std::pair(1000, 850), "the editor grows with the host's window to " + std::to_string(size.first) +
                                            " x " + std::to_string(size.second));
    gui_->destroy(clap_);
    XDestroyWindow(display_, window);
    XSync(display_, False);
  }

  struct Area {
    int x, y, width, height;
  };
  // The share of an area's pixels that show the page's ground colour.
  static double groundShare(const strobe95::test::WindowShot& shot, Area area, uint32_t ground) {
    long count = 0;
    for (int y = area.y; y < area.y + area.height; ++y) {
      for (int x = area.x; x < area.x + area.width; ++x) count += shot.pixel(x, y) == ground;
    }
    return static_cast<double>(count) / (static_cast<double>(area.width) * area.height);
  }

  // The host's scale becomes the page's zoom: the faceplate fills the larger window.
  void fillsTheWindowAtEveryScale() {
    constexpr double kMarginPx = 20;  // the page's padding around the faceplate, and some
    struct Scale {
      double scale;
      uint32_t width, height;  // what get_size answers: the base size, truncated
    };
    constexpr Scale kScales[] = {{1.0, 1000, 850}, {1.25, 1250, 1062}, {1.5, 1500, 1275}, {2.0, 2000, 1700}};
    for (const auto& [scale, width, height] : kScales) {
      const std::string at = " at scale " + std::to_string(scale).substr(0, 4);
      gui_->set_scale(clap_, scale);
      check(gui_->create(clap_, CLAP_WINDOW_API_X11, false), "create" + at);
      uint32_t w = 0, h = 0;
      check(gui_->get_size(clap_, &w, &h) && w == width && h == height, "get_size" + at);
      const ::Window window = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, w, h, 0, 0, 0x303030);
      XMapWindow(display_, window);
      XSync(display_, False);
      clap_window parent{CLAP_WINDOW_API_X11, {}};
      parent.x11 = window;
      check(gui_->set_parent(clap_, &parent) && gui_->show(clap_), "set_parent and show" + at);
      check(waitFor(30s, "document.querySelector('.strobe95-gui') !== null && document.fonts.status === 'loaded'"),
            "the page builds" + at);
      // The page lays out its base size in the zoomed window, and the faceplate reaches the
      // window's edges but for its margin.
      const auto layout = nlohmann::json::parse(
          evaluate("(() => { const r = document.querySelector('.strobe95-gui').getBoundingClientRect(); "
                   "return [innerWidth, innerHeight, r.right, r.bottom]; })()"),
          nullptr, false);
      const bool measured = layout.is_array() && layout.size() == 4;
      check(measured && layout[0] == 1000 && std::abs(layout[1].get<double>() - height / scale) <= 1.0,
            "the page sees the base size, " + layout.dump() + at);
      check(measured && layout[2].get<double>() >= layout[0].get<double>() - kMarginPx &&
                layout[3].get<double>() >= layout[1].get<double>() - kMarginPx,
            "the faceplate reaches the page's margin" + at);
      spin(300ms);
      const auto shot = strobe95::test::captureWindow(display_, window);
      check(!shot.empty(), "the window can be read back" + at);
      if (!shot.empty()) {
        // Unzoomed, the faceplate would end at its base size and leave the page's dark
        // ground in bands along the right and the bottom.
        const uint32_t ground = shot.pixel(1, static_cast<int>(height) / 2);  // the margin, left of the faceplate
        check(groundShare(shot, {int(width - 20 * scale), 0, int(8 * scale), int(height)}, ground) < 0.2 &&
                  groundShare(shot, {0, int(height - 28 * scale), int(width), int(8 * scale)}, ground) < 0.2,
              "no dark band along the right or the bottom" + at);
        std::string path = screenshotPath;
        path.insert(path.size() - 4, "-" + std::to_string(scale).substr(0, 4));
        strobe95::test::writePng(path, shot);
        std::printf("screenshot: %s\n", path.c_str());
      }
      gui_->destroy(clap_);
      XDestroyWindow(display_, window);
      XSync(display_, False);
    }
    gui_->set_scale(clap_, 1.0);
  }

  // A parent the X server never knew, one destroyed between create and set_parent, and
  // one destroyed under the shown editor cost the editor, never the host: GDK's own
  // handler would end the process on their X errors.
  void survivesBrokenParents() {
    const ::Window unknown = XAllocID(display_);  // reserved for us, names no window
    const std::pair<const char*, std::function<::Window()>> brokenParents[] = {
        {"a window id the server does not know", [&] { return unknown; }},
        {"a window destroyed after create", [&] {
           const ::Window gone = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 100, 100, 0, 0, 0);
           XDestroyWindow(display_, gone);
           XSync(display_, False);
           return gone;
         }},
    };
    for (const auto& [what, makeParent] : brokenParents) {
      check(gui_->create(clap_, CLAP_WINDOW_API_X11, false), std::string("create for ") + what);
      clap_window parent{CLAP_WINDOW_API_X11, {}};
      parent.x11 = makeParent();
      check(!gui_->set_parent(clap_, &parent), std::string("set_parent refuses ") + what);
      spin(200ms);  // late X errors would arrive while GTK runs
      check(gui_->show(clap_) && gui_->hide(clap_), std::string("the editor lives on after ") + what);
      gui_->destroy(clap_);
    }

    check(gui_->create(clap_, CLAP_WINDOW_API_X11, false), "create again");
    const ::Window doomed = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1000, 850, 0, 0, 0);
    XMapWindow(display_, doomed);
    XSync(display_, False);
    clap_window parent{CLAP_WINDOW_API_X11, {}};
    parent.x11 = doomed;
    check(gui_->set_parent(clap_, &parent) && gui_->show(clap_), "a good window still takes the editor");
    check(waitFor(30s, "document.querySelector('.strobe95-gui') !== null"), "the page builds in it");
    XDestroyWindow(display_, doomed);  // the host drops its window before the editor
    XSync(display_, False);
    spin(300ms);
    check(gui_->hide(clap_) && gui_->show(clap_), "hide and show after the host's window went");
    gui_->destroy(clap_);
    spin(300ms);
    check(plugin_->gui() == nullptr, "the editor closes after the host's window went, and the host lives");
  }

  // Lets the X server and the plugin's timers run for a while.
  void spin(std::chrono::milliseconds duration) {
    const auto end = Clock::now() + duration;
    do {
      while (XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
      }
      host_.fireDueTimers(clap_, timer_);
      std::this_thread::sleep_for(1ms);
    } while (Clock::now() < end);
  }

  // Runs script in the page and waits for its JSON result ("" when it failed).
  std::string evaluate(const std::string& script, std::chrono::milliseconds timeout = 5s) {
    std::string result;
    bool done = false;
    plugin_->gui()->webView()->evaluate(script, [&](const std::string& json) {
      result = json;
      done = true;
    });
    const auto end = Clock::now() + timeout;
    while (!done && Clock::now() < end) spin(1ms);
    return result;
  }

  bool waitFor(std::chrono::milliseconds timeout, const std::string& condition) {
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end) {
      if (evaluate("!!(" + condition + ")") == "true") return true;
      spin(5ms);
    }
    return false;
  }

  std::vector<AnyEvent> flush(strobe95::test::InputEvents* in = nullptr) {
    strobe95::test::OutputEvents out;
    params_->flush(clap_, in ? in->list() : strobe95::test::InputEvents().list(), out.list());
    return out.events;
  }

  double value(const char* id) {
    double v = NAN;
    params_->get_value(clap_, strobe95::clapIdForTextId(id), &v);
    return v;
  }

  // The page's part: a knob turn as the page sends it, a preset and a key.
  void drivePageBindings() {
    const uint32_t cutoff = strobe95::clapIdForTextId("cutoff");
    const int requestsBefore = host_.flushRequests;
    evaluate("strobeGesture('cutoff', true); strobeSet('cutoff', 99999); strobeSet('cutoff', 5000); "
             "strobeGesture('cutoff', false); 0");
    waitFor(2s, "true");  // the calls travel after the script that made them
    check(value("cutoff") == 5000.0, "strobeSet reaches the plugin's value");
    check(host_.flushRequests >= requestsBefore + 3, "the host is asked to flush after each value and the end");
    const auto events = flush();
    const bool shape = events.size() == 4 && events[0].header.type == CLAP_EVENT_PARAM_GESTURE_BEGIN &&
                       events[1].header.type == CLAP_EVENT_PARAM_VALUE &&
                       events[2].header.type == CLAP_EVENT_PARAM_VALUE &&
                       events[3].header.type == CLAP_EVENT_PARAM_GESTURE_END;
    check(shape, "the host gets gesture begin, two values, gesture end (got " + std::to_string(events.size()) + ")");
    if (shape) {
      check(events[0].gesture.param_id == cutoff && events[1].param.param_id == cutoff &&
                events[3].gesture.param_id == cutoff,
            "every event carries cutoff's CLAP id");
      // 99999 Hz lies above the 16 kHz top of the range: the first value is clamped.
      check(events[1].param.value == 16000.0 && events[2].param.value == 5000.0, "values 16000 then 5000");
    }

    const int marks = host_.dirtyMarks;
    evaluate("window.__reply = null; strobePreset('Hoover', true).then(() => strobeInit())"
             ".then(s => { window.__reply = JSON.stringify(s); }); 0");
    waitFor(2s, "window.__reply !== null");
    const std::string reply = evaluate("window.__reply");
    check(reply.find(R"(\"preset\":\"Hoover\",\"edited\":true)") != std::string::npos,
          "strobeInit answers the preset the page chose");
    check(reply.find(R"(\"cutoff\":5000)") != std::string::npos, "strobeInit answers the values");
    check(host_.dirtyMarks > marks, "strobePreset marks the host's state dirty");

    evaluate("window.__rejected = null; strobeSet('cutoff').then(() => { window.__rejected = false; }, "
             "() => { window.__rejected = true; }); 0");
    check(waitFor(2s, "window.__rejected === true") && value("cutoff") == 5000.0,
          "a call missing an argument is rejected and changes nothing");
  }

  // Host automation: one value through flush, shown on the page within 100 ms.
  void showHostAutomation() {
    strobe95::test::InputEvents in;
    in.param(0, strobe95::clapIdForTextId("drive"), 0.75);
    const auto start = Clock::now();
    flush(&in);
    const bool shown = waitFor(1s,
                               "document.querySelector('.strobe95-gui').shadowRoot"
                               ".querySelector('[role=slider][aria-label=Drive]').getAttribute('aria-valuenow') == 0.75");
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    check(shown && elapsed <= 100, "host automation shows on the page in " + std::to_string(elapsed) + " ms");
  }

  // A project load: the preset name with its edited mark shows at once.
  void showLoadedState() {
    strobe95::test::InputStream stream("STROBE-95 0.5.1\npreset Acid Line\nedited 1\ncutoff 380\nacid_filter 1\n");
    check(state_->load(clap_, stream.stream()), "state load");
    const std::string presetText =
        "(() => { const list = document.querySelector('.strobe95-gui').shadowRoot"
        ".querySelector('select[aria-label=Preset]'); return list.options[list.selectedIndex].textContent; })()";
    const bool shown = waitFor(1s, presetText + " === 'Acid Line (edited)'");
    check(shown, "the loaded preset shows as \"Acid Line (edited)\" (page shows " + evaluate(presetText) + ")");
  }

  void screenshot() {
    spin(300ms);  // let the page paint what it was last told
    const auto shot = strobe95::test::captureWindow(display_, window_);
    check(!shot.empty(), "the window can be read back");
    if (shot.empty()) return;
    // An empty or blank embedding would leave the host's plain grey everywhere.
    check(shot.variedShare() > 0.1, "the window shows the faceplate, not a blank");
    strobe95::test::writePng(screenshotPath, shot);
    std::printf("screenshot: %s\n", screenshotPath.c_str());
  }

  strobe95::test::TimerHost host_;
  Display* display_ = nullptr;
  ::Window window_ = 0;
  strobe95::Plugin* plugin_ = nullptr;
  const clap_plugin* clap_ = nullptr;
  const clap_plugin_gui* gui_ = nullptr;
  const clap_plugin_timer_support* timer_ = nullptr;
  const clap_plugin_params* params_ = nullptr;
  const clap_plugin_state* state_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <screenshot.png>\n", argv[0]);
    return 2;
  }
  try {
    EditorHost host;
    host.screenshotPath = argv[1];
    host.run();
  } catch (const std::exception& error) {
    std::printf("FAIL %s\n", error.what());
    return 1;
  }
  std::printf("%d failures\n", strobe95::test::failures());
  return strobe95::test::failures() == 0 ? 0 : 1;
}
