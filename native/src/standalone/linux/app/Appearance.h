#pragma once
// Light or dark GTK windows for strobe-95, as the settings' appearance asks; Auto follows
// the desktop's own preference.
#include <cstdint>

namespace strobe95::standalone::linux_standalone {

// What the desktop says now: GNOME's colour scheme, else its GTK theme's name.
bool desktopPrefersDark();

// Sets GTK's dark preference for every window of the program.
void applyAppearance(int32_t appearance);

}  // namespace strobe95::standalone::linux_standalone
