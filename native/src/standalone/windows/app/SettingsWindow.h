#pragma once
// The Audio/MIDI settings window: a non-modal window, created hidden with the main
// window, where audio choices are tried at once; OK keeps and saves them, Cancel goes
// back to the stored settings.
#include <string>
#include <vector>

#include "DeviceChoice.h"
#include "MidiPortRows.h"
#include "SettingsPalette.h"
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
  struct Choice {
    std::string outputId, inputId;  // empty: none
    ChannelChoice outputChannels, inputChannels;
    uint32_t rate = 0;
    uint32_t bufferFrames = 0;
  };

  void installHandlers();
  void createControls();
  HWND addControl(const wchar_t* type, const wchar_t* text, DWORD style, int id);
  HWND addLabel(const wchar_t* text);
  void makeFonts();
  void layout();

  void fillAll();
  void fillApis();
  void fillDevices(const AudioChoice& choice);
  void fillOutputChannels(uint32_t keepFirst);
  void fillInputChannels(uint32_t keepFirst);
  void fillRates(uint32_t keepRate);
  void fillBuffers(uint32_t keepFrames);
  void fillMidi();
  void updateNotes();

  const AudioDeviceInfo* device(const std::string& id) const;
  const AudioDeviceInfo* chosenOutput() const;
  const AudioDeviceInfo* chosenInput() const;
  Choice readChoice() const;
  bool choiceIsRunning(const Choice& choice) const;
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

  // What the lists hold, index for index.
  std::vector<std::string> apiIds_;
  std::vector<std::string> outputIds_;
  std::vector<std::string> inputIds_;  // [0] is "No Input"
  std::vector<ChannelChoice> outputChoices_;
  std::vector<ChannelChoice> inputChoices_;
  std::vector<uint32_t> rates_;
  std::vector<uint32_t> buffers_;
  std::vector<MidiPortRow> midiInputRows_;   // checked as when opened
  std::vector<MidiPortRow> midiOutputRows_;

  bool filling_ = false;          // the lists are being filled: their notifications are ours
  bool closedWithOk_ = false;
  bool audioChangedHere_ = false;
  bool apiChangedHere_ = false;
  int32_t openingAppearance_ = 0;
};

}  // namespace strobe95::standalone::windows_standalone
