#pragma once
// The Audio/MIDI settings window: a non-modal window, created hidden with the main
// window, where audio choices are tried at once; OK keeps and saves them, Cancel goes
// back to the stored settings.
#include "StandaloneHost.h"
#include "Window.h"

namespace strobe95::standalone::windows_standalone {

class MainWindow;

inline constexpr const wchar_t* kSettingsWindowTitle = L"Audio/MIDI Settings";

class SettingsWindow final : public Window {
 public:
  SettingsWindow(MainWindow& owner, StandaloneHost& host);
  ~SettingsWindow() override;

  bool isVisible() const;
  void open();
  void cancel();  // as the Cancel button
  void applyAppearance();
  void refreshDevices();
  void refreshStatus();

 private:
  void installHandlers();
  void createControls();
  void accept();  // as the OK button
  void hideAndTell(bool accepted);

  MainWindow& owner_;
  StandaloneHost& host_;
  bool closedWithOk_ = false;
};

}  // namespace strobe95::standalone::windows_standalone
