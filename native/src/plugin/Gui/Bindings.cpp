#include "Bindings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Plugin.h"
#include "StateObject.h"

namespace strobe95 {
namespace {

constexpr double kHighestKey = 127.0;

// A missing argument rejects the call, as reading it would in the page's own terms.
bool hasArguments(const nlohmann::json& args, std::size_t count) {
  return args.is_array() && args.size() >= count;
}

// Doubles beyond the float range would make the narrowing undefined; the clamp to the
// parameter's range follows anyway, so the largest float stands in for them.
float narrowToFloat(double value) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  return static_cast<float>(std::clamp(value, -kLargest, kLargest));
}

const BindingReply kNoReply = nlohmann::ordered_json();

}  // namespace

const std::array<Binding, 5> kBindings = {{
    {"strobeInit", strobeInit},
    {"strobeSet", strobeSet},
    {"strobeGesture", strobeGesture},
    {"strobePreset", strobePreset},
    {"strobeNote", strobeNote},
}};

double numberArgument(const nlohmann::json& value) {
  if (value.is_boolean()) return value.get<bool>() ? 1.0 : 0.0;
  if (value.is_number()) return value.get<double>();
  return 0.0;
}

std::string stringArgument(const nlohmann::json& value) {
  return value.is_string() ? value.get<std::string>() : std::string();
}

std::optional<UiNote> uiNoteFromArguments(const nlohmann::json& key, const nlohmann::json& on) {
  const double truncated = std::trunc(numberArgument(key));
  if (!(truncated >= 0.0 && truncated <= kHighestKey)) return std::nullopt;
  return UiNote{static_cast<uint32_t>(truncated), static_cast<uint8_t>(numberArgument(on) != 0.0 ? 1 : 0)};
}

BindingReply strobeInit(Plugin& plugin, const nlohmann::json&) { return stateObject(plugin); }

BindingReply strobeSet(Plugin& plugin, const nlohmann::json& args) {
  if (!hasArguments(args, 2)) return std::nullopt;
  const int index = findParamByTextId(stringArgument(args[0]));
  if (index >= 0) plugin.setParameterFromGui(index, narrowToFloat(numberArgument(args[1])));
  return kNoReply;
}

BindingReply strobeGesture(Plugin& plugin, const nlohmann::json& args) {
  if (!hasArguments(args, 2)) return std::nullopt;
  const int index = findParamByTextId(stringArgument(args[0]));
  if (index < 0) return kNoReply;
  if (numberArgument(args[1]) != 0.0) {
    plugin.beginGesture(index);
  } else {
    plugin.endGesture(index);
  }
  return kNoReply;
}

BindingReply strobePreset(Plugin& plugin, const nlohmann::json& args) {
  if (!hasArguments(args, 2)) return std::nullopt;
  plugin.setPresetState(stringArgument(args[0]), numberArgument(args[1]) != 0.0);
  plugin.markDirty();
  return kNoReply;
}

BindingReply strobeNote(Plugin& plugin, const nlohmann::json& args) {
  if (!hasArguments(args, 2)) return std::nullopt;
  if (const auto note = uiNoteFromArguments(args[0], args[1])) plugin.pushUiNote(note->key, note->on != 0);
  return kNoReply;
}

}  // namespace strobe95
