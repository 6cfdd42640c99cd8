#pragma once
// What the page is told about the plugin: every value by text id, the preset name and
// the edited flag, as one JSON object in that member order.
#include <string>

#include <nlohmann/json.hpp>

namespace strobe95 {

class Plugin;

nlohmann::ordered_json stateObject(const Plugin& plugin);

// The script that hands the state to the page; harmless before the page defines
// strobeRefresh, and never throws, whatever bytes a loaded preset name holds.
std::string refreshScript(const Plugin& plugin);

// Compact one-line JSON; bytes that are not UTF-8 become U+FFFD instead of throwing.
std::string compactJson(const nlohmann::ordered_json& value);

}  // namespace strobe95
