#pragma once
// Small helpers over the settings window's drop-down lists and controls.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "WideText.h"

namespace strobe95::standalone::windows_standalone {

inline void setItems(HWND list, const std::vector<std::string>& texts, int selected) {
  SendMessageW(list, CB_RESETCONTENT, 0, 0);
  for (const auto& text : texts) SendMessageW(list, CB_ADDSTRING, 0, LPARAM(toWide(text).c_str()));
  SendMessageW(list, CB_SETCURSEL, WPARAM(selected), 0);
}

inline int selection(HWND list) { return int(SendMessageW(list, CB_GETCURSEL, 0, 0)); }

template <typename T>
int indexOf(const std::vector<T>& items, const T& wanted) {
  const auto at = std::find(items.begin(), items.end(), wanted);
  return at == items.end() ? -1 : int(at - items.begin());
}

inline void setVisible(HWND control, bool visible) { ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE); }

}  // namespace strobe95::standalone::windows_standalone
