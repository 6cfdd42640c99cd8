#pragma once
// The five functions the page calls on the plugin. Each takes the call's arguments as
// the JSON array the page passed and answers with its reply, or with nothing when the
// call lacks an argument it needs: the page's promise is then rejected and nothing changes.
#include <array>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "FaceplateQueues.h"

namespace strobe95 {

class Plugin;

using BindingReply = std::optional<nlohmann::ordered_json>;

struct Binding {
  const char* name;
  BindingReply (*call)(Plugin& plugin, const nlohmann::json& args);
};

// In the order they are registered on the web view.
extern const std::array<Binding, 5> kBindings;

// A number is a JSON number or a boolean (1, 0); any other value counts as 0.
double numberArgument(const nlohmann::json& value);
// A string is a JSON string; any other value counts as the empty string.
std::string stringArgument(const nlohmann::json& value);
// The note strobeNote plays: the key truncated toward zero, or nothing outside 0..127.
std::optional<UiNote> uiNoteFromArguments(const nlohmann::json& key, const nlohmann::json& on);

BindingReply strobeInit(Plugin& plugin, const nlohmann::json& args);
BindingReply strobeSet(Plugin& plugin, const nlohmann::json& args);
BindingReply strobeGesture(Plugin& plugin, const nlohmann::json& args);
BindingReply strobePreset(Plugin& plugin, const nlohmann::json& args);
BindingReply strobeNote(Plugin& plugin, const nlohmann::json& args);

}  // namespace strobe95
