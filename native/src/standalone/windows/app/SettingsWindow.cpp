#include "SettingsWindow.h"

#include "MainWindow.h"

namespace strobe95::standalone::windows_standalone {

SettingsWindow::SettingsWindow(MainWindow& owner, StandaloneHost& host) : owner_(owner), host_(host) {
  installHandlers();
  createWindow(kSettingsWindowTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, owner_.handle());
}

SettingsWindow::~SettingsWindow() = default;

bool SettingsWindow::isVisible() const { return handle() && IsWindowVisible(handle()); }

void SettingsWindow::installHandlers() {
  on(WM_CREATE, [this](WPARAM, LPARAM) -> LRESULT {
    createControls();
    return 0;
  });
  on(WM_COMMAND, [this](WPARAM wParam, LPARAM) -> LRESULT {
    if (LOWORD(wParam) == IDOK) accept();
    if (LOWORD(wParam) == IDCANCEL) cancel();
    return 0;
  });
  on(WM_CLOSE, [this](WPARAM, LPARAM) -> LRESULT {
    cancel();
    return 0;
  });
  on(DM_GETDEFID, [](WPARAM, LPARAM) -> LRESULT { return MAKELRESULT(IDOK, DC_HASDEFID); });
}

void SettingsWindow::createControls() {}

void SettingsWindow::open() {
  if (isVisible()) return;
  closedWithOk_ = false;
  ShowWindow(handle(), SW_SHOW);
  SetForegroundWindow(handle());
}

void SettingsWindow::accept() {
  closedWithOk_ = true;
  hideAndTell(true);
}

void SettingsWindow::cancel() { hideAndTell(closedWithOk_); }

void SettingsWindow::hideAndTell(bool accepted) {
  ShowWindow(handle(), SW_HIDE);
  PostMessageW(owner_.handle(), kSettingsHiddenMessage, accepted ? 1 : 0, 0);
}

void SettingsWindow::applyAppearance() {}
void SettingsWindow::refreshDevices() {}
void SettingsWindow::refreshStatus() {}

}  // namespace strobe95::standalone::windows_standalone
