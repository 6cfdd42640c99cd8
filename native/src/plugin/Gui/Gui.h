#pragma once
// The plugin's editor: the web view showing the faceplate page, the five bindings the
// page calls, and the timer that pushes host changes to the page. One per instance at
// most, owned by it; every call arrives on the main thread.
#include <memory>

#include <clap/ext/gui.h>

#include "MainThreadTimer.h"
#include "WebView.h"

namespace strobe95 {

class Plugin;

class Gui {
 public:
  // Host changes are pushed at most this often, however many arrive (about 30 a second).
  static constexpr uint32_t kRefreshIntervalMs = 33;

  // Without a usable web view engine the Gui still exists, with nothing to show.
  explicit Gui(Plugin& plugin);
  ~Gui();
  Gui(const Gui&) = delete;
  Gui& operator=(const Gui&) = delete;

  bool hasWebView() const { return webView_ != nullptr; }
  WebView* webView() const { return webView_.get(); }

  bool setParent(const clap_window& window);
  void show();
  void hide();
  // Hands the page the whole state at once (when there is a page to hand it to).
  void refresh();
  // A host timer fired (clap.timer-support).
  void onHostTimer(clap_id timerId);

 private:
  void tick();

  Plugin& plugin_;
  std::unique_ptr<WebView> webView_;        // null when the engine is missing
  std::unique_ptr<MainThreadTimer> refreshTimer_;  // stopped before the web view goes
  std::unique_ptr<MainThreadTimer> pumpTimer_;     // only for engines that need pumping
};

}  // namespace strobe95
