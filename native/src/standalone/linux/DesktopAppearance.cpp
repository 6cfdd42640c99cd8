#include "DesktopAppearance.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace strobe95::standalone::linux_standalone {

bool prefersDark(std::string_view colorScheme, std::string_view themeName) {
  if (colorScheme == "prefer-dark") return true;
  if (colorScheme == "prefer-light") return false;
  // "default" or no key: older desktops say it only through a theme such as "Adwaita-dark".
  std::string theme(themeName);
  std::transform(theme.begin(), theme.end(), theme.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return theme.find("dark") != std::string::npos;
}

}  // namespace strobe95::standalone::linux_standalone
