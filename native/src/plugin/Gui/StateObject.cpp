#include "StateObject.h"

#include "Plugin.h"

namespace strobe95 {

nlohmann::ordered_json stateObject(const Plugin& plugin) {
  nlohmann::ordered_json values = nlohmann::ordered_json::object();
  for (int i = 0; i < kParamCount; ++i) {
    values[kParamSpecs[i].textId] = static_cast<double>(plugin.value(i));
  }
  const PresetState preset = plugin.getPresetState();
  nlohmann::ordered_json state;
  state["values"] = std::move(values);
  state["preset"] = preset.name;
  state["edited"] = preset.edited;
  return state;
}

std::string compactJson(const nlohmann::ordered_json& value) {
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string refreshScript(const Plugin& plugin) {
  return "window.strobeRefresh && window.strobeRefresh(" + compactJson(stateObject(plugin)) + ")";
}

}  // namespace strobe95
