#include "WebView.h"

#include "StateObject.h"

namespace strobe95 {

void WebView::bind(std::string name, Binding binding) {
  bindings_.emplace_back(std::move(name), std::move(binding));
}

void WebView::forwardCalls(std::function<void(const std::string& message)> forward) {
  forward_ = std::move(forward);
}

std::vector<std::string> WebView::bindingNames() const {
  std::vector<std::string> names;
  for (const auto& binding : bindings_) names.push_back(binding.first);
  return names;
}

std::string WebView::bridgeScript(std::string_view postExpression) const {
  const nlohmann::json names = bindingNames();
  std::string script = R"((() => {
  const post = )";
  script += postExpression;
  script += R"(;
  const pending = new Map();
  let nextId = 1;
  window.__strobe95Settle = (id, ok, value) => {
    const call = pending.get(id);
    if (!call) return;
    pending.delete(id);
    if (ok) call.resolve(value); else call.reject(new Error("the plugin refused the call"));
  };
  for (const name of )";
  script += names.dump();
  script += R"() {
    window[name] = (...args) => new Promise((resolve, reject) => {
      const id = nextId++;
      pending.set(id, { resolve, reject });
      post(JSON.stringify({ id, name, args }));
    });
  }
})();)";
  return script;
}

void WebView::receive(std::string_view message) {
  if (forward_) {
    forward_(std::string(message));
    return;
  }
  const auto call = bridge::parseCall(message);
  if (!call) return;
  std::optional<nlohmann::ordered_json> reply;
  for (const auto& [name, binding] : bindings_) {
    if (name == call->name) {
      reply = binding(call->args);
      break;
    }
  }
  evaluate(bridge::replyScript(call->id, reply));
}

namespace bridge {

std::optional<Call> parseCall(std::string_view message) {
  const nlohmann::json parsed = nlohmann::json::parse(message, nullptr, false);
  if (!parsed.is_object()) return std::nullopt;
  const auto id = parsed.find("id");
  const auto name = parsed.find("name");
  if (id == parsed.end() || !id->is_number_integer() || name == parsed.end() || !name->is_string()) {
    return std::nullopt;
  }
  Call call{id->get<int64_t>(), name->get<std::string>(), nlohmann::json::array()};
  if (const auto args = parsed.find("args"); args != parsed.end() && args->is_array()) call.args = *args;
  return call;
}

std::string replyScript(int64_t id, const std::optional<nlohmann::ordered_json>& reply) {
  const std::string value = reply ? compactJson(*reply) : "null";
  return "window.__strobe95Settle && window.__strobe95Settle(" + std::to_string(id) + ", " +
         (reply ? "true" : "false") + ", " + value + ")";
}

bool isAllowedNavigation(std::string_view servedRoot, std::string_view uri) {
  return uri == "about:blank" || uri.starts_with(servedRoot);
}

std::optional<std::string> servedPath(std::string_view servedRoot, std::string_view uri) {
  if (!servedRoot.ends_with('/') || !uri.starts_with(servedRoot)) return std::nullopt;
  std::string path = "/";
  path.append(uri.substr(servedRoot.size()));
  return path;
}

}  // namespace bridge
}  // namespace strobe95
