#pragma once
// The settings window's colours for Light and Dark, and what Auto means on this system.
#include <windows.h>

#include <cstdint>

namespace strobe95::standalone::windows_standalone {

struct SettingsPalette {
  bool dark = false;
  COLORREF background;
  COLORREF text;
  COLORREF secondaryText;
  COLORREF field;
  COLORREF accent;
  COLORREF secondAccent;
  COLORREF border;
};

// True when the system's app theme is dark ("AppsUseLightTheme" is 0); a missing value
// counts as light.
bool systemUsesDarkApps();

// The palette for an appearance (Auto, Light, Dark); Auto follows the system.
SettingsPalette paletteFor(int32_t appearance);

}  // namespace strobe95::standalone::windows_standalone
