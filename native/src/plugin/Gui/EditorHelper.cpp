// The editor helper: runs the faceplate's web view in its own process for a plugin whose
// host cannot hold WebKitGTK, and places it into the host's window, which X lets any
// process do. The page's calls go to the plugin over the editor channel; the plugin
// answers with scripts to run. It lives as long as the channel: when the plugin closes it,
// or the host ends, the helper ends too.
#include <memory>

#include "EditorChannel.h"
#include "GuiSize.h"
#include "WebView.h"

namespace {

// As often as the plugin's own pump runs the in-process web view.
constexpr int kPumpIntervalMs = 8;

}  // namespace

int main() {
  using namespace strobe95;
  EditorChannel channel(kEditorHelperSocket);
  std::unique_ptr<WebView> webView = openWebView();
  if (!webView) return 1;  // the plugin sees the channel close: no editor
  webView->forwardCalls([&](const std::string& text) { channel.send({{"op", editor_op::kCall}, {"text", text}}); });

  bool quit = false;
  const auto handle = [&](const nlohmann::json& message) {
    const std::string op = message.value("op", "");
    if (op == editor_op::kLoad) {
      for (const auto& name : message.value("names", nlohmann::json::array())) {
        if (name.is_string()) webView->bind(name.get<std::string>(), {});
      }
      webView->load();
    } else if (op == editor_op::kEval) {
      const int64_t id = message.value("id", int64_t{0});
      WebView::ScriptResult done;
      if (id != 0) {
        done = [&channel, id](const std::string& json) {
          channel.send({{"op", editor_op::kResult}, {"id", id}, {"json", json}});
        };
      }
      webView->evaluate(message.value("script", ""), std::move(done));
    } else if (op == editor_op::kEmbed) {
      setGuiScale(message.value("scale", 1.0));
      clap_window parent{CLAP_WINDOW_API_X11, {}};
      parent.x11 = message.value("window", clap_xwnd{0});
      channel.send({{"op", editor_op::kEmbedded}, {"ok", webView->embed(parent)}});
    } else if (op == editor_op::kShow) {
      webView->setVisible(message.value("visible", false));
    } else if (op == editor_op::kQuit) {
      quit = true;
    }
  };
  while (!quit && channel.open()) {
    channel.wait(kPumpIntervalMs);
    channel.pump(handle);
    webView->pump();
  }
  webView.reset();
  return 0;
}
