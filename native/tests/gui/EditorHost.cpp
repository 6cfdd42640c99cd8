// A small X11 host that opens the faceplate in its own window, the way a Linux
// workstation does: it runs the editor through clap.timer-support from its own loop,
// plays the page's part by calling the page's bindings from script, then works the page
// with real mouse and keys through the X server, and checks what reaches the plugin and
// the host. Runs under Xvfb; writes screenshots of the window beside the given path.
//
//   strobe95_editor_host <screenshot.png>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <clap/ext/gui.h>
#include <clap/ext/timer-support.h>

#include <nlohmann/json.hpp>

#include "AudioBlock.h"
#include "EventLists.h"
#include "Gui/Gui.h"
#include "Plugin.h"
#include "Streams.h"
#include "TimerHost.h"
#include "WindowImage.h"
#include "XInput.h"

// Last: Xlib's macros (None, Bool) would clash with the plugin's names.
#include <X11/Xlib.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using strobe95::test::AnyEvent;
using strobe95::test::check;
using strobe95::test::Area;
using strobe95::test::WindowImage;
using Json = nlohmann::json;

constexpr double kMinimumContrast = 4.5;  // the accessibility guidelines' level AA for text
constexpr double kDarkest = 0.1;          // a background at or below this luminance is dark
constexpr float kWheelStep = 0.02f;       // a wheel notch: 2 % of a knob's travel
constexpr float kShiftDragStep = 80.0f / 1600.0f;  // 80 px of a 1600 px fine travel

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
    input_ = strobe95::test::XInput(display_, window_);
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
    checkPage();

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
    const ::Window window = hostWindow(640, 480);
    check(adopt(window), "set_parent into a 640 x 480 window");
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

  // The share of an area's pixels that show the page's ground colour.
  static double groundShare(const strobe95::test::WindowImage& shot, Area area, strobe95::test::Rgb ground) {
    long count = 0;
    for (int y = area.y; y < area.y + area.height; ++y) {
      for (int x = area.x; x < area.x + area.width; ++x) count += shot.at(x, y) == ground;
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
      const ::Window window = hostWindow(w, h);
      check(adopt(window), "set_parent and show" + at);
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
      const auto shot = strobe95::test::WindowImage::capture(display_, window);
      check(!shot.empty(), "the window can be read back" + at);
      if (!shot.empty()) {
        // Unzoomed, the faceplate would end at its base size and leave the page's dark
        // ground in bands along the right and the bottom.
        const strobe95::test::Rgb ground = shot.at(1, static_cast<int>(height) / 2);  // the margin, left of the faceplate
        check(groundShare(shot, {int(width - 20 * scale), 0, int(8 * scale), int(height)}, ground) < 0.2 &&
                  groundShare(shot, {0, int(height - 28 * scale), int(width), int(8 * scale)}, ground) < 0.2,
              "no dark band along the right or the bottom" + at);
        std::string path = screenshotPath;
        path.insert(path.size() - 4, "-" + std::to_string(scale).substr(0, 4));
        shot.writePng(path);
        std::printf("screenshot: %s\n", path.c_str());
      }
      pageZoom_ = scale;
      input_ = strobe95::test::XInput(display_, window);
      if (loadProbes()) checkPresetListAt(scale, window);
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
    const ::Window doomed = hostWindow(1000, 850);
    check(adopt(doomed), "a good window still takes the editor");
    check(waitFor(30s, "document.querySelector('.strobe95-gui') !== null"), "the page builds in it");
    XDestroyWindow(display_, doomed);  // the host drops its window before the editor
    XSync(display_, False);
    spin(300ms);
    check(gui_->hide(clap_) && gui_->show(clap_), "hide and show after the host's window went");
    gui_->destroy(clap_);
    spin(300ms);
    check(plugin_->gui() == nullptr, "the editor closes after the host's window went, and the host lives");
  }

  // A mapped top-level window of the host's, of the page's dark grey.
  ::Window hostWindow(unsigned width, unsigned height) {
    const ::Window window = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, width, height, 0, 0, 0x303030);
    XMapWindow(display_, window);
    XSync(display_, False);
    return window;
  }

  // The editor made a child of the window and shown.
  bool adopt(::Window window) {
    clap_window parent{CLAP_WINDOW_API_X11, {}};
    parent.x11 = window;
    return gui_->set_parent(clap_, &parent) && gui_->show(clap_);
  }

  // Lets the X server and the plugin's timers run for a while.
  void spin(std::chrono::milliseconds duration) { host_.spin(display_, clap_, timer_, duration); }

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
    // How soon is reported, not judged: a busy machine delays the page, not the plugin.
    check(shown, "host automation shows on the page (after " + std::to_string(elapsed) + " ms)");
  }

  // A project load: the preset name with its edited mark shows at once.
  void showLoadedState() {
    strobe95::test::InputStream stream("STROBE-95 0.5.1\npreset Acid Line\nedited 1\ncutoff 380\nacid_filter 1\n");
    check(state_->load(clap_, stream.stream()), "state load");
    const std::string presetText =
        "document.querySelector('.strobe95-gui').shadowRoot.querySelector('[role=combobox][aria-label=Preset]')"
        ".textContent";
    const bool shown = waitFor(1s, presetText + " === 'Acid Line (edited)'");
    check(shown, "the loaded preset shows as \"Acid Line (edited)\" (page shows " + evaluate(presetText) + ")");
  }

  void screenshot() {
    spin(300ms);  // let the page paint what it was last told
    const WindowImage image = WindowImage::capture(display_, window_);
    check(!image.empty(), "the window can be read back");
    if (image.empty()) return;
    long distinct = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) distinct += !(image.at(x, y) == image.at(0, 0));
    }
    // An empty or blank embedding would leave the host's plain grey everywhere.
    check(distinct > image.width() * image.height() / 10, "the window shows the faceplate, not a blank");
    image.writePng(screenshotPath);
    std::printf("screenshot: %s\n", screenshotPath.c_str());
  }

  // --- The page worked by hand: real pointer and keys through the X server ---------

  // A screenshot's name beside the main one: "<base>-<what>.png".
  std::string screenshotNamed(const std::string& what) const {
    const auto dot = screenshotPath.rfind(".png");
    return screenshotPath.substr(0, dot) + "-" + what + ".png";
  }

  // One measurement of the shared page probes (web/tests/probes.js), as JSON.
  Json probe(const std::string& call) {
    const std::string text = evaluate("JSON.stringify(strobeProbes." + call + ")");
    const Json outer = Json::parse(text, nullptr, false);
    return outer.is_string() ? Json::parse(outer.get<std::string>(), nullptr, false) : Json();
  }

  // Page rectangles are in CSS pixels; the window's pixels are that many times more.
  Area areaOf(const Json& rect) const {
    const double x = rect.value("x", 0.0) * pageZoom_, y = rect.value("y", 0.0) * pageZoom_;
    const int left = int(std::ceil(x)), top = int(std::ceil(y));
    return {left, top, int(std::floor(x + rect.value("width", 0.0) * pageZoom_)) - left,
            int(std::floor(y + rect.value("height", 0.0) * pageZoom_)) - top};
  }

  std::pair<int, int> centre(const Json& rect) const {
    return {int((rect.value("x", 0.0) + rect.value("width", 0.0) / 2) * pageZoom_),
            int((rect.value("y", 0.0) + rect.value("height", 0.0) / 2) * pageZoom_)};
  }

  void pointAt(const Json& rect) {
    const auto [x, y] = centre(rect);
    input_.moveTo(x, y);
    spin(30ms);
  }

  void clickAt(const Json& rect) {
    pointAt(rect);
    input_.click();
    spin(60ms);
  }

  std::string jsString(const std::string& text) { return Json(text).dump(); }

  bool listOpen(const std::string& name) {
    return waitFor(2s, "strobeProbes.list(" + jsString(name) + ").open");
  }

  // What a closed list reads.
  std::string shown(const std::string& name) {
    const Json text = Json::parse(evaluate("document.querySelector('.strobe95-gui').shadowRoot"
                                           ".querySelector('[role=combobox][aria-label=" + name + "]').textContent"),
                                  nullptr, false);
    return text.is_string() ? text.get<std::string>() : "";
  }

  bool loadProbes() {
    std::ifstream file(STROBE95_PAGE_PROBES);
    const std::string probes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    evaluate(probes + "; 0");
    const bool loaded = waitFor(2s, "typeof strobeProbes === 'object'");
    if (!loaded) check(false, "the page probes load");
    return loaded;
  }

  // The zoomed page's preset list opens whole and legible, as at 1x.
  void checkPresetListAt(double scale, ::Window window) {
    const std::string at = " at scale " + std::to_string(scale).substr(0, 4);
    clickAt(probe("list(\"Preset\")")["box"]);
    if (!listOpen("Preset")) return check(false, "the preset list opens" + at);
    spin(150ms);
    const Json list = probe("list(\"Preset\")");
    const WindowImage open = WindowImage::capture(display_, window);
    open.writePng(screenshotNamed("list-preset-" + std::to_string(scale).substr(0, 4)));
    const double ratio = strobe95::test::textContrast(open, areaOf(list["options"].back()["rect"])).ratio;
    const Json& popup = list["popup"];
    const bool whole = popup.value("y", -1.0) >= 0 &&
                       popup.value("y", 0.0) + popup.value("height", 0.0) <= list["window"].value("height", 0.0);
    check(list["options"].size() == 18 && whole && !list.value("scrolls", true) && ratio >= kMinimumContrast,
          "the preset list shows all 18 presets unscrolled, its text at " + std::to_string(ratio).substr(0, 4) +
              ":1" + at);
    input_.key("Escape");
  }

  void checkPage() {
    check(input_.available(), "the X server takes test input");
    if (!loadProbes()) return;
    // The page's note calls, recorded on their way to the plugin.
    evaluate("window.__notes = []; { const send = window.strobeNote; "
             "window.strobeNote = (key, on) => { window.__notes.push([key, on]); return send(key, on); }; } 0");
    XWindowAttributes attributes;
    XGetWindowAttributes(display_, window_, &attributes);
    const Json pageWidth = Json::parse(evaluate("window.innerWidth"), nullptr, false);
    if (pageWidth.is_number() && pageWidth.get<double>() > 0) pageZoom_ = attributes.width / pageWidth.get<double>();
    checkLists();
    checkChoiceGivesKeysBack();
    checkScrews();
    checkKnobGestures();
  }

  // Every list reads light on dark, closed and open, measured in the window's pixels.
  void checkLists() {
    spin(200ms);
    const WindowImage closed = WindowImage::capture(display_, window_);
    for (const std::string name : {"Preset", "Sample", "Mode", "Time"}) {
      const Json before = probe("list(" + jsString(name) + ")");
      const auto shut = strobe95::test::textContrast(closed, areaOf(before["box"]));
      clickAt(before["box"]);
      if (!listOpen(name)) {
        check(false, name + " opens on a click");
        continue;
      }
      Json list = probe("list(" + jsString(name) + ")");
      // The entry under the pointer is drawn inverted: measure it and a plain one.
      pointAt(list["options"][1]["rect"]);
      waitFor(1s, "strobeProbes.list(" + jsString(name) + ").options[1].active");
      spin(150ms);
      list = probe("list(" + jsString(name) + ")");
      const WindowImage open = WindowImage::capture(display_, window_);
      std::string lower = name;
      for (char& c : lower) c = char(std::tolower(c));
      open.writePng(screenshotNamed("list-" + lower));
      const auto plain = strobe95::test::textContrast(open, areaOf(list["options"].back()["rect"]));
      const auto pointed = strobe95::test::textContrast(open, areaOf(list["options"][1]["rect"]));
      char ratios[160];
      std::snprintf(ratios, sizeof ratios, "closed %.1f:1, entry %.1f:1, pointed entry %.1f:1", shut.ratio,
                    plain.ratio, pointed.ratio);
      check(shut.ratio >= kMinimumContrast && plain.ratio >= kMinimumContrast && pointed.ratio >= kMinimumContrast,
            name + " reads at " + ratios);
      check(strobe95::test::luminance(shut.background) <= kDarkest &&
                strobe95::test::luminance(plain.background) <= kDarkest,
            name + " is dark, closed and open");
      const Json& popup = list["popup"];
      const bool whole = popup.value("y", -1.0) >= 0 &&
                         popup.value("y", 0.0) + popup.value("height", 0.0) <= list["window"].value("height", 0.0);
      check(whole && !list.value("scrolls", true), name + "'s open list fits the window without scrolling");
      if (name == "Preset") check(list["options"].size() == 18, "the preset list shows all 18 presets");
      clickAt(list["box"]);  // shut again by the pointer
      check(waitFor(2s, "!strobeProbes.list(" + jsString(name) + ").open"), name + " closes on a second click");
    }
  }

  // After a choice the computer keyboard plays again, and Tab still reaches the lists.
  void checkChoiceGivesKeysBack() {
    clickAt(probe("list(\"Preset\")")["box"]);
    if (!listOpen("Preset")) return check(false, "the preset list opens");
    const Json list = probe("list(\"Preset\")");
    for (const Json& option : list["options"]) {
      if (option.value("name", "") == "Hoover") clickAt(option["rect"]);
    }
    check(waitFor(2s, "strobeProbes.focused() === 'faceplate'"), "a choice gives the keys back to the faceplate");
    check(shown("Preset") == "Hoover", "the list shows the chosen preset (shows " + shown("Preset") + ")");
    evaluate("window.__notes = []; 0");
    input_.keyDown("a");
    const bool held = waitFor(2s, "JSON.stringify(window.__notes) === '[[48,true]]'");
    check(held && heardNote(), "the plugin sounds the typed note");
    input_.keyUp("a");
    const bool played = waitFor(2s, "JSON.stringify(window.__notes) === '[[48,true],[48,false]]'");
    check(played, "typing a plays C3 (page sent " + evaluate("JSON.stringify(window.__notes)") + ")");
    check(shown("Preset") == "Hoover", "typing a leaves the preset alone");

    std::vector<std::string> reached;
    for (int i = 0; i < 60 && reached.size() < 4; ++i) {
      const std::string before = evaluate("strobeProbes.focused()");
      input_.key("Tab");
      waitFor(1s, "JSON.stringify(strobeProbes.focused()) !== " + jsString(before));  // one Tab at a time
      const Json at = Json::parse(evaluate("strobeProbes.focused()"), nullptr, false);
      const std::string name = at.is_string() ? at.get<std::string>() : "";
      if ((name == "Preset" || name == "Sample" || name == "Mode" || name == "Time") &&
          std::find(reached.begin(), reached.end(), name) == reached.end()) {
        reached.push_back(name);
      }
    }
    check(reached.size() == 4, "Tab reaches all four lists (reached " + std::to_string(reached.size()) + ")");

    // The last list reached by Tab is Time (3/16): down one entry and Enter picks 1/4.
    flush();
    for (const char* key : {"Down", "Down", "Return"}) {
      input_.key(key);
      spin(30ms);
    }
    const bool picked = waitFor(2s, "strobeProbes.focused() === 'faceplate'");
    check(picked && shown("Time") == "1/4" && value("delay_note") == 3.0,
          "Down, Down, Enter on Time picks 1/4 and gives the keys back (Time shows " + shown("Time") + ")");
  }

  // The typed note reaches the engine: a few blocks of audio are not silent.
  bool heardNote() {
    strobe95::test::AudioBlock block(512);
    float peak = 0.0f;
    clap_->start_processing(clap_);
    for (int i = 0; i < 8; ++i) {
      strobe95::test::OutputEvents out;
      clap_->process(clap_, block.process(nullptr, &out));
      for (const auto& channel : block.channels) {
        for (float v : channel) peak = std::max(peak, std::fabs(v));
      }
    }
    clap_->stop_processing(clap_);
    return peak > 1e-3f;
  }

  void checkScrews() {
    const Json screws = probe("screws()");
    bool clear = screws.size() == 4;
    for (const Json& screw : screws) {
      clear = clear && screw["touches"].empty() && screw.value("inside", false) && screw.value("clearance", 0.0) >= 2.0;
    }
    check(clear, "the screws sit in the margin, clear of every panel: " + screws.dump());
  }

  // The host's view of a knob gesture: its events for one parameter, in order, up to the
  // end of the first gesture that carries a value (the page's calls arrive a little
  // after the input that made them).
  std::vector<AnyEvent> eventsFor(const char* id) {
    std::vector<AnyEvent> mine;
    const clap_id wanted = strobe95::clapIdForTextId(id);
    auto done = [&] {
      const bool valued = std::any_of(mine.begin(), mine.end(),
                                      [](const AnyEvent& e) { return e.header.type == CLAP_EVENT_PARAM_VALUE; });
      return valued && mine.back().header.type == CLAP_EVENT_PARAM_GESTURE_END;
    };
    const auto end = Clock::now() + 3s;
    while (Clock::now() < end && !done()) {
      spin(10ms);
      for (const AnyEvent& e : flush()) {
        const clap_id of = e.header.type == CLAP_EVENT_PARAM_VALUE ? e.param.param_id : e.gesture.param_id;
        if (of == wanted) mine.push_back(e);
      }
    }
    return mine;
  }

  static bool isOneGesture(const std::vector<AnyEvent>& events) {
    if (events.size() < 3 || events.front().header.type != CLAP_EVENT_PARAM_GESTURE_BEGIN ||
        events.back().header.type != CLAP_EVENT_PARAM_GESTURE_END) {
      return false;
    }
    return std::all_of(events.begin() + 1, events.end() - 1,
                       [](const AnyEvent& e) { return e.header.type == CLAP_EVENT_PARAM_VALUE; });
  }

  // Wheel, Shift-drag and double click reach the host as automation gestures.
  void checkKnobGestures() {
    flush();
    const Json chorus = probe("knob(\"Chorus\")")["rect"];
    const double start = value("chorus");
    pointAt(chorus);
    for (int i = 0; i < 3; ++i) {
      input_.wheel(true);
      spin(30ms);
    }
    auto events = eventsFor("chorus");
    check(isOneGesture(events), "three wheel notches are one gesture (" + std::to_string(events.size()) + " events)");
    check(std::fabs(value("chorus") - (start + 3 * kWheelStep)) < 1e-6,
          "three notches up turn Chorus by 6 % (now " + std::to_string(value("chorus")) + ")");

    const Json noise = probe("knob(\"Noise\")")["rect"];
    const double noiseBefore = value("noise");
    const auto [x, y] = centre(noise);
    input_.keyDown("Shift_L");
    input_.moveTo(x, y);
    spin(30ms);
    input_.buttonDown();
    for (int step = 1; step <= 8; ++step) {
      input_.moveTo(x, y - 10 * step);
      spin(20ms);
    }
    input_.buttonUp();
    input_.keyUp("Shift_L");
    events = eventsFor("noise");
    check(isOneGesture(events), "a Shift-drag is one gesture");
    check(std::fabs(value("noise") - (noiseBefore + kShiftDragStep)) < 1e-4,
          "80 px of Shift-drag turn Noise by 5 % (by " + std::to_string(value("noise") - noiseBefore) + ")");

    pointAt(chorus);
    input_.click();
    input_.click();
    // Each press of the two is a gesture without a value; the double click's own comes last.
    events = eventsFor("chorus");
    const bool backHome = events.size() >= 3 && isOneGesture({events.end() - 3, events.end()}) &&
                          events[events.size() - 2].param.value == 0.0;
    check(backHome && value("chorus") == 0.0, "a double click puts Chorus back to its default in a gesture");
  }

  strobe95::test::TimerHost host_;
  Display* display_ = nullptr;
  ::Window window_ = 0;
  strobe95::test::XInput input_{nullptr, 0};
  double pageZoom_ = 1.0;  // window pixels per CSS pixel of the page
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
