#pragma once
// The faceplate's web view: what the faceplate asks of a browser engine, and no more.
// Two backends stand behind it, WebKitGTK on Linux and WebView2 on Windows; both are
// loaded at run time, so a machine without them still loads and plays the plugin.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <clap/ext/gui.h>
#include <nlohmann/json.hpp>

namespace strobe95 {

class WebView {
 public:
  // Answers a page call with its reply, or nothing to reject the page's promise.
  using Binding = std::function<std::optional<nlohmann::ordered_json>(const nlohmann::json& args)>;
  // Receives the result of an evaluated script as JSON text ("" when it failed).
  using ScriptResult = std::function<void(const std::string& json)>;

  virtual ~WebView() = default;

  // Bindings must be in place before `load`: the page calls them while it starts.
  void bind(std::string name, Binding binding);
  // Hands every call the page posts, as its text, to `forward` instead of running it:
  // for a web view that serves the bindings of another process. The bindings then only
  // name the page's functions.
  void forwardCalls(std::function<void(const std::string& message)> forward);
  // Installs the bindings in every document and opens the served root "/".
  virtual void load() = 0;
  // Runs script in the page without waiting; `done`, when given, gets the result later.
  virtual void evaluate(const std::string& script, ScriptResult done = {}) = 0;
  // Places the web view's window into the host's window, filling it.
  virtual bool embed(const clap_window& parent) = 0;
  virtual void setVisible(bool visible) = 0;
  // Gives the engine's own events a turn; only backends without a message loop of the
  // host's (GTK) need it.
  virtual void pump() {}

 protected:
  // The page side of the bindings: one global function per name, returning a promise,
  // whose call is posted as text through `postExpression` (a script function of one
  // string argument) and answered by the script that `receive` runs.
  std::string bridgeScript(std::string_view postExpression) const;
  // Handles one posted call: runs its binding and sends the reply back to the page.
  void receive(std::string_view message);
  std::vector<std::string> bindingNames() const;

 private:
  std::vector<std::pair<std::string, Binding>> bindings_;
  std::function<void(const std::string&)> forward_;
};

// Whether this process can hold the platform's web view at all, asked before any of the
// engine's libraries is touched: an editor the process cannot hold must be refused, so
// that the host falls back to its own controls rather than going down with it.
bool webViewFitsProcess();
// The platform's web view, or null when its engine is not installed or will not start.
std::unique_ptr<WebView> openWebView();

// The parts of the bridge that need no browser, kept apart for tests.
namespace bridge {

struct Call {
  int64_t id = 0;
  std::string name;
  nlohmann::json args;
};

// A posted call, or nothing for text that is not one.
std::optional<Call> parseCall(std::string_view message);
// The script that settles the page's promise for call `id`.
std::string replyScript(int64_t id, const std::optional<nlohmann::ordered_json>& reply);

// Whether the web view may go to `uri`: only pages below the served root, and about:blank.
bool isAllowedNavigation(std::string_view servedRoot, std::string_view uri);
// The request path of a served URI ("/" for the root itself), or nothing when it is not one.
std::optional<std::string> servedPath(std::string_view servedRoot, std::string_view uri);

}  // namespace bridge

}  // namespace strobe95
