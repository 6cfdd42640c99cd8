// STROBE-95.exe: the plugin's own code hosted in-process through its own entry, with a
// main window, the audio and MIDI layers, and the device listing on the command line.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "Console.h"
#include "DebugOutput.h"
#include "DeviceListing.h"
#include "MainWindow.h"
#include "StandaloneHost.h"
#include "WideText.h"

extern "C" const clap_plugin_entry_t clap_entry;

namespace {

using namespace strobe95::standalone;
using namespace strobe95::standalone::windows_standalone;

constexpr const char* kPluginId = "co.glowhaus.strobe95";
constexpr int kExitNoPlugin = 4;

int runMessageLoop() {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return int(message.wParam);
    if (got == -1) return 1;
    MainWindow* window = MainWindow::current();
    HWND settings = window ? window->settingsHandle() : nullptr;
    if (settings && IsDialogMessageW(settings, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

int runProgram(int showCommand) {
  const std::vector<std::string> arguments = commandLineArguments();
  std::vector<const char*> argv;
  for (const auto& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const int argc = int(arguments.size());

  if (asksForDeviceListing(argc, argv.data()) && !standardOutputPresent()) attachParentConsole();
  const HostEnvironment environment = platformEnvironment();
  if (listAudioDevices(argc, argv.data(), environment.audioApis, environment.createMidiBackend)) {
    std::fflush(stdout);
    return 0;
  }

  StandaloneHost::instance().callbacks.showSettingsWindow = [] {
    MainWindow* window = MainWindow::current();
    if (!window) return false;
    window->openSettingsWindow();
    return true;
  };
  auto plugin = createStandalonePlugin(&clap_entry, kPluginId, 0, argc, argv.data());
  if (!plugin) {
    StandaloneHost::shutdown();
    MessageBoxW(nullptr,
                L"Unable to create the plugin. The CLAP was found but did not provide 'co.glowhaus.strobe95'.",
                nullptr, MB_ICONERROR);
    return kExitNoPlugin;
  }
  int exitCode = 0;
  {
    auto window = std::make_unique<MainWindow>(std::move(plugin), showCommand);
    exitCode = runMessageLoop();
  }
  // A loop that ended without the window's own shutdown (a failed GetMessageW) still
  // stops audio and keeps the session.
  StandaloneHost::shutdown();
  return exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
    RaiseFailFastException(nullptr, nullptr, 0);  // nothing of the program can run without COM
  }
  int exitCode = 1;
  try {
    exitCode = runProgram(showCommand);
  } catch (const std::exception& error) {
    writeDebugOutput(std::string("STROBE-95 stopped: ") + error.what() + "\n");
    // Audio stops and the session is kept even when the window could not be built.
    StandaloneHost::shutdown();
    MessageBoxW(nullptr, toWide(error.what()).c_str(), nullptr, MB_ICONERROR);
  }
  CoUninitialize();
  return exitCode;
}
