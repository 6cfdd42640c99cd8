#pragma once
// The Audio/MIDI settings window: a non-modal window, created hidden with the main
// window, where audio choices are tried at once; OK keeps and saves them, Cancel goes
// back to the stored settings.
#include <string>
#include <vector>

#include "SettingsForm.h"
#include "SettingsPalette.h"
#include "SettingsTrial.h"
#include "StandaloneHost.h"
#include "Window.h"

namespace strobe95::standalone::windows_standalone {

class MainWindow;

inline constexpr const wchar_t* kSettingsWindowTitle = L"Audio/MIDI Settings";

// Control ids, as the window's commands carry them.
enum SettingsControl : int {
  kApiList = 100,
  kOutputList = 101,
  kInputList = 102,
  kRateList = 103,
  kBufferList = 104,
  kResetButton = 105,
  kMidiInputList = 106,
  kMidiOutputList = 107,
  kVirtualInputBox = 108,
  kVirtualInputLabel = 109,
  kVirtualOutputBox = 110,
  kVirtualOutputLabel = 111,
  kAppearanceList = 112,
  kOutputChannelList = 113,
  kInputChannelList = 114,
  kControlPanelButton = 115,
  kLabel = 116,
};

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
  HWND addControl(const wchar_t* type, const wchar_t* text, DWORD style, int id);
  HWND addLabel(const wchar_t* text);
  void makeFonts();
  void layout();

  void fillAll();  // the form from what runs, then every control from the form
  void showAudioLists();
  void showDependentLists();  // the lists that follow a device or rate
  void showMidi();
  void updateNotes();
  void tryChoice();
  void onCommand(int id, int code);
  std::vector<bool> checkMarks(HWND list, size_t rows) const;

  void accept();  // as the OK button
  void hideAndTell(bool accepted);
  LRESULT colourControl(HDC dc, HWND control);

  MainWindow& owner_;
  StandaloneHost& host_;

  // Controls (created with the window).
  HWND heading_ = nullptr, apiList_ = nullptr, outputList_ = nullptr, outputChannelList_ = nullptr,
       inputList_ = nullptr, inputChannelList_ = nullptr, inputChannelLabel_ = nullptr, note_ = nullptr,
       rateList_ = nullptr, bufferList_ = nullptr, resetButton_ = nullptr, controlPanelButton_ = nullptr,
       noCommonRate_ = nullptr, latency_ = nullptr, midiInputLabel_ = nullptr, midiInputList_ = nullptr,
       midiOutputLabel_ = nullptr, midiOutputList_ = nullptr, appearanceList_ = nullptr, okButton_ = nullptr,
       cancelButton_ = nullptr;
  std::vector<std::pair<HWND, HWND>> rows_;  // label, control: the laid-out column
  HFONT font_ = nullptr;
  HFONT headingFont_ = nullptr;
  SettingsPalette palette_{};
  HBRUSH backgroundBrush_ = nullptr;
  HBRUSH fieldBrush_ = nullptr;

  SettingsForm form_;
  SettingsTrial trial_;
  bool filling_ = false;  // the lists are being filled: their notifications are ours
};

}  // namespace strobe95::standalone::windows_standalone
