#pragma once
// How a Linux desktop says it wants dark windows, as a pure function of what it sets.
#include <string_view>

namespace strobe95::standalone::linux_standalone {

// Whether a desktop with this colour scheme (GNOME's "color-scheme" key, empty where
// there is none) and this GTK theme name wants dark windows.
bool prefersDark(std::string_view colorScheme, std::string_view themeName);

}  // namespace strobe95::standalone::linux_standalone
