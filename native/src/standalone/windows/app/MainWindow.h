#pragma once
// The program's top-level window: it embeds the plugin's faceplate, carries the
// standalone's commands in its system menu, runs the host's service every 8 ms, shows
// audio errors and owns the Audio/MIDI settings window.
#include <memory>
#include <mutex>
#include <string>

#include "StandaloneHost.h"
#include "Window.h"

namespace strobe95::standalone::windows_standalone {

class SettingsWindow;

// System menu command ids, as WM_SYSCOMMAND carries them.
enum MainWindowCommand : WPARAM {
  kCommandSettings = 0,
  kCommandSaveState = 1,
  kCommandLoadState = 2,
  kCommandResetState = 3,
  kCommandRestoreSession = 4,
};

inline constexpr UINT kShowAudioErrorMessage = WM_APP + 1;
inline constexpr UINT kSettingsHiddenMessage = WM_APP + 2;  // wParam 1: closed with OK
inline constexpr const wchar_t* kMainWindowTitle = L"STROBE-95";

class MainWindow final : public Window {
 public:
  // Builds and shows the window (the main window steps of the start-up).
  MainWindow(std::shared_ptr<Clap::Plugin> plugin, int showCommand);
  ~MainWindow() override;

  // The one main window while it exists, else null. Main thread.
  static MainWindow* current();

  // The settings window's handle for IsDialogMessageW, null when there is none.
  HWND settingsHandle() const;
  // Opens the Audio/MIDI settings window, or closes it as Cancel does when it is open.
  void toggleSettingsWindow();
  // Opens it, or brings it to the front when it is open.
  void openSettingsWindow();
  // Saves the settings file with the window's last restored rectangle; false when it
  // could not be written.
  bool saveSettingsWithGeometry();

 private:
  void build(int showCommand);
  void installHandlers();
  void addSystemMenuItems();
  void embedEditor();
  void useFixedStyle();
  void setClientSize(int width, int height);
  void installHostCallbacks();
  void clearHostCallbacks();
  void takeFirstLaunchDefaults();
  void runCommand(WPARAM command);
  void saveStateFile();
  void loadStateFile();
  void resetState();
  void toggleSessionRestore();
  void reportAudioError(const std::string& message);  // any thread
  void showPendingAudioError();
  void paintWithoutEditor();
  void onDestroy();

  StandaloneHost* host_;                    // main thread; gone after WM_DESTROY
  std::shared_ptr<Clap::Plugin> plugin_;    // main thread
  const clap_plugin_t* clapPlugin_ = nullptr;
  const clap_plugin_gui_t* gui_ = nullptr;  // null when absent or not usable with win32
  bool editorShown_ = false;                // the faceplate sits in the client area
  std::unique_ptr<SettingsWindow> settingsWindow_;
  UINT_PTR timer_ = 0;
  RECT restoredRect_{};                     // last rectangle while neither minimised nor maximised
  bool haveRestoredRect_ = false;

  std::mutex errorLock_;  // guards the three below; the report may come from audio threads
  std::string pendingError_;
  std::string lastShownError_;
  bool errorShowing_ = false;  // main thread only
};

}  // namespace strobe95::standalone::windows_standalone
