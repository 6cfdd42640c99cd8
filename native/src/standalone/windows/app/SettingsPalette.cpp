#include "SettingsPalette.h"

#include "StandaloneSettings.h"

namespace strobe95::standalone::windows_standalone {

bool systemUsesDarkApps() {
  DWORD value = 1;
  DWORD size = sizeof value;
  const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                      L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size);
  return status == ERROR_SUCCESS && value == 0;
}

SettingsPalette paletteFor(int32_t appearance) {
  const bool dark = appearance == kAppearanceDark || (appearance == kAppearanceAuto && systemUsesDarkApps());
  if (dark) {
    return {true, RGB(0x20, 0x20, 0x20), RGB(0xFF, 0xFF, 0xFF), RGB(0xA0, 0xA0, 0xA0), RGB(0x2B, 0x2B, 0x2B),
            COLORREF(0xA499FF), COLORREF(0x0A9FFF), RGB(0x46, 0x46, 0x46)};
  }
  return {false, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT), GetSysColor(COLOR_GRAYTEXT),
          GetSysColor(COLOR_WINDOW), COLORREF(0x1C2BC4), COLORREF(0x1050CA), COLORREF(0xCCCCCC)};
}

}  // namespace strobe95::standalone::windows_standalone
