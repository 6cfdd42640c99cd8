#include "Gui.h"

#include "Bindings.h"
#include "Plugin.h"
#include "StateObject.h"

namespace strobe95 {
namespace {

#ifndef _WIN32
// GTK's events (the page's calls, drawing, input) wait for our turn in the host's loop;
// at this period they are not felt.
constexpr uint32_t kPumpIntervalMs = 8;
#endif

}  // namespace

Gui::Gui(Plugin& plugin) : plugin_(plugin) {
  // The page asks for the whole state while it starts, so earlier host changes are moot.
  plugin_.takeNeedsRefresh();
#ifndef _WIN32
  // Without host timers nothing would ever run the web view: no editor, as with no engine.
  pumpTimer_ = std::make_unique<MainThreadTimer>(plugin_.host(), kPumpIntervalMs, [this] {
    if (webView_) webView_->pump();
  });
  if (pumpTimer_->running()) webView_ = openWebView();
#else
  webView_ = openWebView();
#endif
  if (webView_) {
    for (const Binding& binding : kBindings) {
      webView_->bind(binding.name, [this, call = binding.call](const nlohmann::json& args) {
        return call(plugin_, args);
      });
    }
    webView_->load();
  }
  refreshTimer_ = std::make_unique<MainThreadTimer>(plugin_.host(), kRefreshIntervalMs, [this] { tick(); });
}

Gui::~Gui() {
  refreshTimer_.reset();
  pumpTimer_.reset();
  webView_.reset();
}

bool Gui::setParent(const clap_window& window) { return webView_ && webView_->embed(window); }

void Gui::show() {
  if (webView_) webView_->setVisible(true);
  refresh();
}

void Gui::hide() {
  if (webView_) webView_->setVisible(false);
}

void Gui::refresh() {
  if (webView_) webView_->evaluate(refreshScript(plugin_));
}

void Gui::onHostTimer(clap_id timerId) {
  if (refreshTimer_ && refreshTimer_->fire(timerId)) return;
  if (pumpTimer_) pumpTimer_->fire(timerId);
}

void Gui::tick() {
  if (plugin_.takeNeedsRefresh()) refresh();
}

}  // namespace strobe95
