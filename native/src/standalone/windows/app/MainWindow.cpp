#include "MainWindow.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "DebugOutput.h"
#include "SettingsWindow.h"
#include "StateCommands.h"
#include "StateFileDialog.h"
#include "SystemDefaults.h"
#include "WideText.h"

namespace strobe95::standalone::windows_standalone {
namespace {

namespace fs = std::filesystem;

constexpr UINT_PTR kServiceTimerId = 1;
constexpr UINT kServicePeriodMs = 8;
constexpr int kEditorlessWidthDip = 500;
// Room for the note that replaces the faceplate; the plain window would have no height.
constexpr int kEditorlessHeightDip = 120;
constexpr DWORD kFixedStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr const wchar_t* kNoFaceplateText =
    L"The faceplate needs the Microsoft Edge WebView2 Runtime, which is not installed.\n"
    L"STROBE-95 still plays from MIDI; its settings and state are in the window menu.";

MainWindow* gMainWindow = nullptr;  // main thread

std::string systemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                          FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::string text = length ? toUtf8(std::wstring_view(buffer, length)) : "error " + std::to_string(code);
  if (buffer) LocalFree(buffer);
  return text;
}

void showError(HWND owner, const std::string& text) {
  MessageBoxW(owner, toWide(text).c_str(), nullptr, MB_ICONERROR);
}

}  // namespace

MainWindow* MainWindow::current() { return gMainWindow; }

MainWindow::MainWindow(std::shared_ptr<Clap::Plugin> plugin, int showCommand)
    : host_(&StandaloneHost::instance()), plugin_(std::move(plugin)) {
  clapPlugin_ = plugin_ ? plugin_->plugin() : nullptr;
  gui_ = plugin_ ? plugin_->extensions().gui : nullptr;
  gMainWindow = this;
  build(showCommand);
}

MainWindow::~MainWindow() {
  if (gMainWindow == this) gMainWindow = nullptr;
}

HWND MainWindow::settingsHandle() const { return settingsWindow_ ? settingsWindow_->handle() : nullptr; }

void MainWindow::openSettingsWindow() {
  if (!settingsWindow_) return;
  if (settingsWindow_->isVisible()) {
    SetForegroundWindow(settingsWindow_->handle());
  } else {
    settingsWindow_->open();
  }
}

void MainWindow::toggleSettingsWindow() {
  if (!settingsWindow_) return;
  if (settingsWindow_->isVisible()) {
    settingsWindow_->cancel();
  } else {
    settingsWindow_->open();
  }
}

// --- Building ------------------------------------------------------------------------

void MainWindow::build(int showCommand) {
  installHandlers();
  if (!createWindow(kMainWindowTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, nullptr)) {
    throw std::runtime_error("Unable to create the main window: " + systemErrorText(GetLastError()));
  }
  settingsWindow_ = std::make_unique<SettingsWindow>(*this, *host_);

  timer_ = SetTimer(handle(), kServiceTimerId, kServicePeriodMs, nullptr);
  if (!timer_) writeDebugOutput(systemErrorText(GetLastError()) + "\n");

  if (host_->loadSettings()) {
    if (host_->settings().window) {
      const WindowPlacement& stored = *host_->settings().window;
      restoredRect_ = {stored.x, stored.y, stored.x + int32_t(stored.width), stored.y + int32_t(stored.height)};
      haveRestoredRect_ = true;
    }
    host_->applySettings();
  } else {
    takeFirstLaunchDefaults();
  }

  embedEditor();
  installHostCallbacks();
  host_->startMidi();
  host_->startAudioWithCurrentChoice();
  ShowWindow(handle(), showCommand != 0 ? showCommand : SW_SHOWNORMAL);
}

void MainWindow::takeFirstLaunchDefaults() {
  host_->selectAudioApi("");
  chooseSystemDefaults(*host_);
  try {
    if (!host_->saveSettings()) writeDebugOutput("Unable to save the settings file\n");
  } catch (const std::exception& error) {
    // An unwritable settings folder costs only the memory of this run's choices.
    writeDebugOutput(std::string("Unable to save the settings file: ") + error.what() + "\n");
  }
}

void MainWindow::useFixedStyle() {
  SetWindowLongPtrW(handle(), GWL_STYLE, LONG_PTR(kFixedStyle));
  SetWindowPos(handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void MainWindow::setClientSize(int width, int height) {
  const SIZE size = windowSizeForClient(handle(), width, height);
  SetWindowPos(handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::embedEditor() {
  if (gui_ && !gui_->is_api_supported(clapPlugin_, CLAP_WINDOW_API_WIN32, false)) {
    writeDebugOutput("CLAP_WINDOW_API_WIN32 is not supported\n");
    gui_ = nullptr;
  }
  // An editor that cannot be created is no editor: nothing else may be asked of it.
  if (gui_ && !gui_->create(clapPlugin_, CLAP_WINDOW_API_WIN32, false)) gui_ = nullptr;
  if (gui_) {
    gui_->set_scale(clapPlugin_, scale());
    const bool resizable = gui_->can_resize(clapPlugin_);
    if (!resizable) {
      useFixedStyle();
    } else if (haveRestoredRect_ && restoredRect_.right > restoredRect_.left &&
               restoredRect_.bottom > restoredRect_.top &&
               MonitorFromRect(&restoredRect_, MONITOR_DEFAULTTONULL) != nullptr) {
      SetWindowPos(handle(), nullptr, restoredRect_.left, restoredRect_.top, restoredRect_.right - restoredRect_.left,
                   restoredRect_.bottom - restoredRect_.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    uint32_t width = 0;
    uint32_t height = 0;
    if (gui_->get_size(clapPlugin_, &width, &height)) setClientSize(int(width), int(height));
    clap_window_t window{};
    window.api = CLAP_WINDOW_API_WIN32;
    window.win32 = handle();
    editorShown_ = gui_->set_parent(clapPlugin_, &window);
    if (editorShown_) return;
  } else {
    useFixedStyle();
  }
  // No faceplate to show: the window carries a short note instead.
  const SIZE size = windowSizeForClient(handle(), int(std::lround(scale() * kEditorlessWidthDip)),
                                        int(std::lround(scale() * kEditorlessHeightDip)));
  RECT window{};
  GetWindowRect(handle(), &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& area = monitor.rcWork;
  int x = window.left;
  int y = window.top;
  if (area.right - area.left > size.cx && area.bottom - area.top > size.cy) {
    x = area.left + (area.right - area.left - size.cx) / 2;
    y = area.top + (area.bottom - area.top - size.cy) / 2;
  }
  SetWindowPos(handle(), nullptr, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::addSystemMenuItems() {
  HMENU menu = GetSystemMenu(handle(), FALSE);
  if (!menu) return;
  const bool session = host_->pluginStatePersistence() == kPersistSession;
  struct Item {
    UINT flags;
    WPARAM id;
    const wchar_t* text;
  };
  const Item items[] = {
      {MF_STRING, kCommandSettings, L"Audio/MIDI Settings"},
      {MF_SEPARATOR, 0, nullptr},
      {MF_STRING, kCommandSaveState, L"Save state..."},
      {MF_STRING, kCommandLoadState, L"Load state..."},
      {MF_STRING, kCommandResetState, L"Reset state"},
      {MF_SEPARATOR, 0, nullptr},
      {MF_STRING | UINT(session ? MF_CHECKED : MF_UNCHECKED), kCommandRestoreSession, L"Restore last session"},
      {MF_SEPARATOR, 0, nullptr},
  };
  UINT position = 0;
  for (const Item& item : items) InsertMenuW(menu, position++, MF_BYPOSITION | item.flags, item.id, item.text);
}

void MainWindow::installHostCallbacks() {
  HostCallbacks& callbacks = host_->callbacks;
  callbacks.guiResize = [this](uint32_t width, uint32_t height) {
    if (!IsIconic(handle()) && !IsZoomed(handle())) setClientSize(int(width), int(height));
    return true;
  };
  callbacks.appearanceChanged = [this] {
    if (settingsWindow_) settingsWindow_->applyAppearance();
  };
  callbacks.deviceListChanged = [this] {
    if (settingsWindow_) settingsWindow_->refreshDevices();
  };
  callbacks.settingsStatusChanged = [this] {
    if (settingsWindow_ && settingsWindow_->isVisible()) settingsWindow_->refreshStatus();
  };
  callbacks.audioHealthy = [this] {
    std::lock_guard<std::mutex> lock(errorLock_);
    lastShownError_.clear();
  };
  callbacks.errorReport = [this](const std::string& message) { reportAudioError(message); };
}

void MainWindow::clearHostCallbacks() {
  host_->callbacks = HostCallbacks{};  // every one of them is the windows'
}

// --- Messages ------------------------------------------------------------------------

void MainWindow::installHandlers() {
  on(WM_CREATE, [this](WPARAM, LPARAM) -> LRESULT {
    addSystemMenuItems();
    return 0;
  });
  on(WM_SYSCOMMAND, [this](WPARAM command, LPARAM lParam) -> LRESULT {
    if (command <= kCommandRestoreSession) {
      runCommand(command);
      return 0;
    }
    return DefWindowProcW(handle(), WM_SYSCOMMAND, command, lParam);
  });
  on(WM_INITMENUPOPUP, [this](WPARAM menu, LPARAM lParam) -> LRESULT {
    if (HIWORD(lParam)) {
      const bool session = host_ && host_->pluginStatePersistence() == kPersistSession;
      CheckMenuItem(reinterpret_cast<HMENU>(menu), UINT(kCommandRestoreSession),
                    MF_BYCOMMAND | UINT(session ? MF_CHECKED : MF_UNCHECKED));
    }
    return DefWindowProcW(handle(), WM_INITMENUPOPUP, menu, lParam);
  });
  on(WM_WINDOWPOSCHANGED, [this](WPARAM, LPARAM lParam) -> LRESULT {
    const auto& position = *reinterpret_cast<const WINDOWPOS*>(lParam);
    if (gui_) {
      if (position.flags & SWP_SHOWWINDOW) gui_->show(clapPlugin_);
      if (position.flags & SWP_HIDEWINDOW) gui_->hide(clapPlugin_);
    }
    RECT client{};
    GetClientRect(handle(), &client);
    const bool minimised = IsIconic(handle());
    if (gui_ && !minimised && client.right > 0 && client.bottom > 0 && gui_->can_resize(clapPlugin_)) {
      uint32_t width = uint32_t(client.right);
      uint32_t height = uint32_t(client.bottom);
      gui_->adjust_size(clapPlugin_, &width, &height);
      gui_->set_size(clapPlugin_, width, height);
    }
    if (!minimised && !IsZoomed(handle())) {
      restoredRect_ = windowRect_;
      haveRestoredRect_ = true;
    }
    if (!editorShown_) InvalidateRect(handle(), nullptr, TRUE);
    return 0;
  });
  on(WM_EXITSIZEMOVE, [this](WPARAM, LPARAM) -> LRESULT {
    saveSettingsWithGeometry();
    return 0;
  });
  on(WM_DPICHANGED, [this](WPARAM, LPARAM) -> LRESULT {
    if (gui_) gui_->set_scale(clapPlugin_, scale());
    // The system's suggestion keeps the window on the same spot at the new size.
    SetWindowPos(handle(), nullptr, suggestedRect_.left, suggestedRect_.top, suggestedRect_.right - suggestedRect_.left,
                 suggestedRect_.bottom - suggestedRect_.top, SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  });
  on(WM_TIMER, [this](WPARAM id, LPARAM lParam) -> LRESULT {
    if (id == kServiceTimerId && host_) {
      host_->mainThreadService();
      return 0;
    }
    return DefWindowProcW(handle(), WM_TIMER, id, lParam);
  });
  on(WM_PAINT, [this](WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (editorShown_) return DefWindowProcW(handle(), WM_PAINT, wParam, lParam);
    paintWithoutEditor();
    return 0;
  });
  on(kShowAudioErrorMessage, [this](WPARAM, LPARAM) -> LRESULT {
    showPendingAudioError();
    return 0;
  });
  on(kSettingsHiddenMessage, [](WPARAM, LPARAM) -> LRESULT {
    // The plugin of this program offers no standalone-features table to tell.
    return 0;
  });
  on(WM_DESTROY, [this](WPARAM, LPARAM) -> LRESULT {
    onDestroy();
    return 0;
  });
}

void MainWindow::paintWithoutEditor() {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(handle(), &paint);
  RECT client{};
  GetClientRect(handle(), &client);
  const int margin = int(std::lround(scale() * 16));
  InflateRect(&client, -margin, -margin);
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  HFONT font = nullptr;
  if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi())) {
    font = CreateFontIndirectW(&metrics.lfMessageFont);
  }
  HGDIOBJ previous = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0xE0, 0xE0, 0xE0));
  DrawTextW(dc, kNoFaceplateText, -1, &client, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, previous);
  if (font) DeleteObject(font);
  EndPaint(handle(), &paint);
}

// --- Commands ------------------------------------------------------------------------

void MainWindow::runCommand(WPARAM command) {
  switch (command) {
    case kCommandSettings: toggleSettingsWindow(); break;
    case kCommandSaveState: saveStateFile(); break;
    case kCommandLoadState: loadStateFile(); break;
    case kCommandResetState: resetState(); break;
    case kCommandRestoreSession: toggleSessionRestore(); break;
    default: break;
  }
}

void MainWindow::saveStateFile() {
  const auto picked = chooseStateFile(handle(), StateFileDialogKind::Save);
  if (!picked) return;
  if (const auto failure = standalone::saveStateFile(*host_, *picked)) showError(handle(), *failure);
}

void MainWindow::loadStateFile() {
  const auto picked = chooseStateFile(handle(), StateFileDialogKind::Open);
  if (!picked) return;
  if (const auto failure = standalone::loadStateFile(*host_, *picked)) showError(handle(), *failure);
}

void MainWindow::resetState() {
  if (const auto failure = standalone::resetState(*host_)) showError(handle(), *failure);
}

void MainWindow::toggleSessionRestore() {
  const bool session = standalone::toggleSessionRestore(*host_);
  CheckMenuItem(GetSystemMenu(handle(), FALSE), UINT(kCommandRestoreSession),
                MF_BYCOMMAND | UINT(session ? MF_CHECKED : MF_UNCHECKED));
}

// --- Audio errors --------------------------------------------------------------------

void MainWindow::reportAudioError(const std::string& message) {
  std::lock_guard<std::mutex> lock(errorLock_);
  if (message == pendingError_ || message == lastShownError_) return;
  pendingError_ = message;
  PostMessageW(handle(), kShowAudioErrorMessage, 0, 0);
}

void MainWindow::showPendingAudioError() {
  if (errorShowing_) return;
  std::string message;
  {
    std::lock_guard<std::mutex> lock(errorLock_);
    message = std::move(pendingError_);
    pendingError_.clear();
    lastShownError_ = message;
  }
  if (message.empty()) return;
  errorShowing_ = true;
  showError(handle(), "Unable to configure audio: " + message);
  errorShowing_ = false;
}

// --- Shutdown ------------------------------------------------------------------------

bool MainWindow::saveSettingsWithGeometry() {
  if (!host_) return false;
  if (haveRestoredRect_) {
    storeWindowPlacement(host_->settings(),
                         WindowPlacement{restoredRect_.left, restoredRect_.top,
                                         uint32_t(std::max(0L, restoredRect_.right - restoredRect_.left)),
                                         uint32_t(std::max(0L, restoredRect_.bottom - restoredRect_.top))});
  }
  try {
    return host_->saveSettings();
  } catch (const std::exception& error) {
    writeDebugOutput(std::string("Unable to save the settings file: ") + error.what() + "\n");
    return false;
  }
}

void MainWindow::onDestroy() {
  if (!host_) return;
  saveSettingsWithGeometry();
  clearHostCallbacks();
  if (gMainWindow == this) gMainWindow = nullptr;
  if (gui_) gui_->destroy(clapPlugin_);
  gui_ = nullptr;
  editorShown_ = false;
  if (timer_ && !KillTimer(handle(), timer_)) writeDebugOutput(systemErrorText(GetLastError()) + "\n");
  timer_ = 0;
  settingsWindow_.reset();
  clapPlugin_ = nullptr;
  plugin_.reset();
  host_ = nullptr;
  StandaloneHost::shutdown();
  PostQuitMessage(0);
}

}  // namespace strobe95::standalone::windows_standalone
