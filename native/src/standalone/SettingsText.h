#pragma once
// The settings file's text, as pure functions: what is written, and what any text (a
// hand-edited file, a half-copied one, random bytes) reads as.
#include <string>
#include <string_view>

#include "StandaloneSettings.h"

namespace strobe95::standalone {

inline constexpr const char* kSettingsFileName = "standalone-settings.conf";

std::string escapeSettingsValue(std::string_view value);
std::string unescapeSettingsValue(std::string_view value);

std::string formatSettings(const StandaloneSettings& settings);

// Never fails: malformed lines and unknown keys are skipped, numbers that do not fit
// their field are held at its nearest end.
StandaloneSettings parseSettings(std::string_view text);

}  // namespace strobe95::standalone
