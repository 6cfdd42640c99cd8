// STROBE-95.exe under Wine, driven as a separate process by window messages from this
// program: the manifest, the device listing, the first launch, the system menu's state
// commands, the last session, the audio error box, and bad files and arguments. The file
// dialogs' picks come from a choice file named by STROBE95_STATE_FILE_CHOICE (the
// program's test seam), since the shell's modal dialog cannot be driven from here.
//
//   strobe95_windows_app_check.exe <STROBE-95.exe> --devices <recording> <screenshot folder>
//   strobe95_windows_app_check.exe <STROBE-95.exe> --no-devices
//   strobe95_windows_app_check.exe <STROBE-95.exe> --dpi <dots per inch the prefix is set to>
#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "SettingsLocation.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

int passes = 0;
int failures = 0;

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  ++(ok ? passes : failures);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string randomBytes(std::size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, '\0');
  for (char& c : bytes) c = char(random() & 0xFF);
  return bytes;
}

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

fs::path gProgram;
fs::path gSettings;  // the program's settings folder
fs::path gChoiceFile;

// --- Running the program ------------------------------------------------------------

struct Captured {
  DWORD exitCode = 1;
  std::string out;
};

Captured runCaptured(const std::vector<std::wstring>& arguments) {
  Captured result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  CreatePipe(&readEnd, &writeEnd, &inherit, 0);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  std::wstring commandLine = quoted(gProgram.wstring());
  for (const auto& argument : arguments) commandLine += L" " + quoted(argument);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    return result;
  }
  CloseHandle(writeEnd);
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) result.out.append(buffer, got);
  WaitForSingleObject(process.hProcess, 30000);
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(readEnd);
  std::string clean;
  for (char c : result.out) if (c != '\r') clean += c;
  result.out = clean;
  return result;
}

std::wstring windowText(HWND hwnd) {
  wchar_t text[512] = {};
  GetWindowTextW(hwnd, text, 512);
  return text;
}

// The first top-level window of the process that matches.
HWND findWindow(DWORD processId, const std::function<bool(HWND)>& matches) {
  struct Search {
    DWORD processId;
    const std::function<bool(HWND)>& matches;
    HWND found = nullptr;
  } search{processId, matches};
  EnumWindows(
      [](HWND hwnd, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner != s.processId || !s.matches(hwnd)) return TRUE;
        s.found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND windowOf(DWORD processId, const wchar_t* className) {
  return findWindow(processId, [className](HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return IsWindowVisible(hwnd) && std::wstring(name) == className;
  });
}

HWND windowTitled(DWORD processId, const wchar_t* title) {
  return findWindow(processId, [title](HWND hwnd) { return windowText(hwnd) == title; });
}

// A message box's text, in its static control 0xFFFF.
std::wstring messageText(HWND box) {
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  return text;
}

std::vector<std::string> comboItems(HWND combo) {
  std::vector<std::string> items;
  const auto count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(text));
    char narrow[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    items.push_back(narrow);
  }
  return items;
}

std::string comboSelection(HWND combo) {
  const auto at = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  const auto items = comboItems(combo);
  return at >= 0 && size_t(at) < items.size() ? items[size_t(at)] : std::string();
}

std::string joined(const std::vector<std::string>& items) {
  std::string text;
  for (const auto& item : items) text += (text.empty() ? "" : " | ") + item;
  return text;
}

// One run of the program with its window.
class App {
 public:
  explicit App(const std::vector<std::wstring>& arguments = {}) {
    std::wstring commandLine = quoted(gProgram.wstring());
    for (const auto& argument : arguments) commandLine += L" " + quoted(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process_) != 0;
  }
  ~App() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }

  // The main window once it is visible; on the way, `atFirstSight` runs the moment it is.
  double secondsToWindow() const { return std::chrono::duration<double>(shownAt_ - startedAt_).count(); }
  HWND waitForWindow(const std::function<void()>& atFirstSight = {}) {
    if (!started_) return nullptr;
    waitFor([&] {
      window_ = windowOf(process_.dwProcessId, L"Window");
      return window_ != nullptr && windowText(window_) == L"STROBE-95";
    });
    shownAt_ = std::chrono::steady_clock::now();
    if (window_ && atFirstSight) atFirstSight();
    return window_;
  }
  HWND waitForErrorBox() {
    HWND box = nullptr;
    waitFor([&] { return (box = windowOf(process_.dwProcessId, L"#32770")) != nullptr; }, 10s);
    return box;
  }

  // A system menu command, run to its end before this returns.
  bool command(WPARAM id) {
    DWORD_PTR result = 0;
    return window_ && SendMessageTimeoutW(window_, WM_SYSCOMMAND, id, 0, SMTO_NORMAL, 15000, &result) != 0;
  }
  bool commandWithPick(WPARAM id, const fs::path& pick) {
    std::ofstream(gChoiceFile, std::ios::binary | std::ios::trunc) << reinterpret_cast<const char*>(pick.u8string().c_str()) << "\n";
    return command(id);
  }

  DWORD processId() const { return process_.dwProcessId; }
  void post(WPARAM id) { PostMessageW(window_, WM_SYSCOMMAND, id, 0); }

  // Closes the window as the user does and gives the exit code.
  DWORD close() {
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    DWORD code = 99;
    if (WaitForSingleObject(process_.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  bool started_ = false;
  std::chrono::steady_clock::time_point startedAt_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shownAt_ = startedAt_;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

enum Command : WPARAM { kSettings = 0, kSave = 1, kLoad = 2, kReset = 3, kRestoreSession = 4 };

// --- Screenshots ----------------------------------------------------------------------

// The window as it is on screen, as a 24-bit BMP.
bool captureWindow(HWND hwnd, const fs::path& path) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const DWORD rowBytes = DWORD((width * 3 + 3) & ~3);
  const DWORD imageBytes = rowBytes * DWORD(height);
  BITMAPFILEHEADER file{0x4D42, DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageBytes), 0, 0,
                        DWORD(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER))};
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), imageBytes);
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return bool(out);
}

// --- The checks -------------------------------------------------------------------------

void checkManifest() {
  HMODULE image = LoadLibraryExW(gProgram.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  HRSRC resource = image ? FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr;
  std::string manifest;
  if (resource) {
    HGLOBAL data = LoadResource(image, resource);
    manifest.assign(static_cast<const char*>(LockResource(data)), SizeofResource(image, resource));
  }
  check(!manifest.empty(), "the program carries a manifest as resource 1");
  check(contains(manifest, "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
        "the manifest asks for common controls 6");
  check(contains(manifest, "level=\"asInvoker\""), "the manifest runs the program as invoker");
  check(contains(manifest, ">PerMonitorV2<") && contains(manifest, ">true/pm<"),
        "the manifest declares per-monitor DPI v2, with the older setting beside it");
  if (image) FreeLibrary(image);
}

void checkListing(bool withDevices) {
  const Captured first = runCaptured({L"--list-audio-devices"});
  check(first.exitCode == 0, "--list-audio-devices exits with 0");
  check(first.out.rfind("audio api wasapi (WASAPI), the default\n", 0) == 0, "the listing starts with the API line");
  check(contains(first.out, "\nmidi api winmm\n"), "the listing names the MIDI layer");
  if (withDevices) {
    check(contains(first.out, "    inputs: 0\n    outputs: 2 - Output 1, Output 2\n"),
          "the render endpoint lists no inputs and two named outputs");
    check(contains(first.out, "    buffer: 16 to 4096 frames\n    clock domain: 0\n"),
          "a WASAPI device lists 16 to 4096 frames and clock domain 0");
    check(contains(first.out, "    default output\n"), "the render endpoint is marked as the default output");
  } else {
    check(first.out == "audio api wasapi (WASAPI), the default\nmidi api winmm\n",
          "without audio devices the listing holds only the two layer lines");
  }
  // The option counts anywhere after the program name, an odd argument before it included.
  const Captured later = runCaptured({L"caf\u00E9 \U0001F3B9", std::wstring(L"lone \xD800 half"), L"--list-audio-devices"});
  check(later.exitCode == 0 && later.out == first.out, "the option as a later argument after odd Unicode lists the same");
}

void removeSettings() {
  std::error_code ignored;
  fs::remove_all(gSettings, ignored);
}

std::string detuned(const std::string& state) {
  std::string changed = state;
  const std::string from = "\ndetune 0.300000012\n";
  const auto at = changed.find(from);
  if (at != std::string::npos) changed.replace(at, from.size(), "\ndetune 0.75\n");
  return changed;
}

void checkFirstLaunchAndStateCommands(const fs::path& recording, const fs::path& screenshot) {
  removeSettings();
  bool filesBeforeWindow = false;
  std::uintmax_t recordedAtShow = 0;
  {
    App app;
    const HWND window = app.waitForWindow([&] {
      filesBeforeWindow = fs::exists(gSettings / "standalone-settings.conf") && fs::exists(gSettings / "defaults.clapstate");
      std::error_code ignored;
      recordedAtShow = fs::file_size(recording, ignored);
    });
    check(window != nullptr, "the first launch shows the window \"STROBE-95\"");
    std::printf("     (the window showed %.1f s after the start)\n", app.secondsToWindow());
    check(filesBeforeWindow, "the settings file and defaults.clapstate are there when the window shows");
    const std::string settings = readFile(gSettings / "standalone-settings.conf");
    check(contains(settings, "audioApiName=wasapi\n") && contains(settings, "bufferSize=256\n"),
          "the first settings file holds the default API and 256 frames");
    std::error_code ignored;
    check(waitFor([&] { return fs::file_size(recording, ignored) > recordedAtShow + 48000; }, 10s),
          "the live WASAPI stream writes into the recorded device");
    RECT client{};
    GetClientRect(window, &client);
    check(client.right >= 500 && client.bottom >= 120, "without a WebView2 runtime the window keeps room for its note");
    std::this_thread::sleep_for(300ms);
    check(captureWindow(window, screenshot / "main-window.bmp"), "a screenshot of the main window is written");
    check(app.close() == 0, "closing the window ends the program with 0");
  }
  const std::string defaults = readFile(gSettings / "defaults.clapstate");
  check(defaults.rfind("STROBE-95 ", 0) == 0, "defaults.clapstate holds the plugin's state text");
  check(readFile(gSettings / "settings.clapstate") == defaults, "a graceful close keeps the session in settings.clapstate");

  // A session with a changed sound comes back; Reset, Save and Load go through the picks.
  const std::string changed = detuned(defaults);
  writeFile(gSettings / "settings.clapstate", changed);
  const fs::path saved = gSettings / "saved \u00E9.clapstate";
  const fs::path afterReset = gSettings / "after-reset.clapstate";
  const fs::path afterLoad = gSettings / "after-load.clapstate";
  {
    App app;
    check(app.waitForWindow() != nullptr, "the second launch shows the window");
    check(app.commandWithPick(kSave, saved) && contains(readFile(saved), "\ndetune 0.75\n"),
          "Save state writes the restored session's sound to the picked file");
    check(app.commandWithPick(kReset, "") && app.commandWithPick(kSave, afterReset) &&
              readFile(afterReset) == defaults,
          "Reset state brings back the state the program started with");
    check(app.commandWithPick(kLoad, saved) && app.commandWithPick(kSave, afterLoad) &&
              readFile(afterLoad) == readFile(saved),
          "Load state takes the picked file's sound");
    // A folder that does not exist: the save fails and says so in a box on the window.
    std::ofstream(gChoiceFile, std::ios::binary | std::ios::trunc)
        << reinterpret_cast<const char*>((gSettings / "missing" / "x.clapstate").u8string().c_str()) << "\n";
    app.post(kSave);
    const HWND box = app.waitForErrorBox();
    check(box && messageText(box).rfind(L"Unable to save state: ", 0) == 0 &&
              messageText(box).find(L"x.clapstate") != std::wstring::npos &&
              messageText(box).find(L".tmp") == std::wstring::npos,
          "a save that cannot write says \"Unable to save state: ...\", naming the chosen file");
    if (box) SendMessageW(box, WM_COMMAND, IDOK, 0);
    check(waitFor([&] { return !IsWindow(box); }, 5s) && !fs::exists(gSettings / "missing"), "and leaves nothing behind");
    const fs::path cancelled = gSettings / "cancelled.clapstate";
    std::ofstream(gChoiceFile, std::ios::trunc).close();
    check(app.command(kSave) && !fs::exists(cancelled), "a cancelled pick saves nothing");
    check(app.close() == 0, "the program ends with 0");
  }
  check(readFile(gSettings / "settings.clapstate") == readFile(saved), "the loaded sound is the next session");

  // "Restore last session" off: the old session file is neither replaced nor loaded.
  writeFile(gSettings / "settings.clapstate", changed);
  {
    App app;
    app.waitForWindow();
    check(app.command(kRestoreSession) &&
              contains(readFile(gSettings / "standalone-settings.conf"), "pluginStatePersistence=none\n"),
          "unchecking \"Restore last session\" stores it in the settings file");
    app.command(kReset);
    check(app.close() == 0, "the program ends with 0");
  }
  check(readFile(gSettings / "settings.clapstate") == changed, "with the option off, a close leaves settings.clapstate alone");
  {
    App app;
    app.waitForWindow();
    const fs::path fresh = gSettings / "fresh.clapstate";
    check(app.commandWithPick(kSave, fresh) && readFile(fresh) == defaults,
          "with the option off, the next start does not load the old session");
    check(app.command(kRestoreSession) &&
              contains(readFile(gSettings / "standalone-settings.conf"), "pluginStatePersistence=session\n"),
          "checking it again stores session persistence");
    check(app.close() == 0, "the program ends with 0");
  }
  check(readFile(gSettings / "settings.clapstate") == defaults, "checked again, the close keeps the session");
}

// The Audio/MIDI settings window, driven through its controls' notifications as a click
// would send them.
void pick(HWND window, int id, int index) {
  HWND combo = GetDlgItem(window, id);
  SendMessageW(combo, CB_SETCURSEL, WPARAM(index), 0);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(combo));
}

void press(HWND window, int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(window, id))); }

// The settings window's latency line: the visible static that starts with "Latency: ".
std::string latencyText(HWND window) {
  std::string found;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM context) -> BOOL {
        const std::wstring text = windowText(child);
        if (text.rfind(L"Latency: ", 0) != 0 || !IsWindowVisible(child)) return TRUE;
        char narrow[256] = {};
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
        *reinterpret_cast<std::string*>(context) = narrow;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

COLORREF backgroundOf(HWND window) {
  POINT corner{4, 4};
  ClientToScreen(window, &corner);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, corner.x, corner.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

void checkSettingsWindow(const fs::path& screenshots) {
  App app;
  app.waitForWindow();
  check(app.command(kSettings), "the system menu's first command opens the settings window");
  const HWND settings = windowTitled(app.processId(), L"Audio/MIDI Settings");
  check(settings != nullptr && IsWindowVisible(settings), "the window \"Audio/MIDI Settings\" shows");
  if (!settings) return;
  check(windowText(GetDlgItem(settings, 116)).rfind(L"Audio/MIDI Setup for STROBE-95", 0) == 0,
        "its heading names the plugin");
  check(joined(comboItems(GetDlgItem(settings, 100))) == "WASAPI", "the API list holds WASAPI");
  check(joined(comboItems(GetDlgItem(settings, 101))) == "Out: default", "the output list holds Wine's render endpoint");
  check(comboSelection(GetDlgItem(settings, 113)) == "Output 1 + 2", "its first stereo pair is chosen");
  check(joined(comboItems(GetDlgItem(settings, 102))) == "No Input | In: default" &&
            comboSelection(GetDlgItem(settings, 102)) == "No Input",
        "the input list offers Wine's capture endpoint, and its default microphone stays unchosen");
  check(comboSelection(GetDlgItem(settings, 103)) == "48000", "the endpoint's 48 kHz is the chosen rate");
  const std::string buffers = joined(comboItems(GetDlgItem(settings, 104)));
  check(buffers == "32 (0.7 ms) | 64 (1.3 ms) | 128 (2.7 ms) | 256 (5.3 ms) | 512 (10.7 ms)",
        "the buffer items give their milliseconds at 48 kHz: " + buffers);
  check(comboSelection(GetDlgItem(settings, 104)) == "256 (5.3 ms)", "256 frames are chosen at first");
  check(joined(comboItems(GetDlgItem(settings, 112))) == "Auto | Light | Dark", "the appearance list");

  pick(settings, 104, 2);
  press(settings, IDOK);
  const std::string stored = readFile(gSettings / "standalone-settings.conf");
  check(!IsWindowVisible(settings) && contains(stored, "\nbufferSize=128\n") &&
            contains(stored, "\noutputDeviceName=Out: default\n"),
        "OK stores the tried buffer size and the chosen output in the settings file");

  app.command(kSettings);
  check(comboSelection(GetDlgItem(settings, 104)) == "128 (2.7 ms)", "reopened, the window shows the running 128 frames");
  pick(settings, 104, 4);
  check(comboSelection(GetDlgItem(settings, 104)) == "512 (10.7 ms)", "512 frames are tried at once");
  press(settings, IDCANCEL);
  app.command(kSettings);
  check(comboSelection(GetDlgItem(settings, 104)) == "128 (2.7 ms)" &&
            contains(readFile(gSettings / "standalone-settings.conf"), "\nbufferSize=128\n"),
        "Cancel goes back to the stored 128 frames");

  // An input tried at once, then given up with Cancel.
  const std::string storedBefore = readFile(gSettings / "standalone-settings.conf");
  pick(settings, 102, 1);
  const std::string duplex = latencyText(settings);
  check(duplex.rfind("Latency: in ", 0) == 0 && contains(duplex, " ms, out "),
        "choosing Wine's capture endpoint runs it with the output at once: " + duplex);
  press(settings, IDCANCEL);
  app.command(kSettings);
  check(comboSelection(GetDlgItem(settings, 102)) == "No Input" &&
            latencyText(settings).rfind("Latency: out ", 0) == 0 &&
            readFile(gSettings / "standalone-settings.conf") == storedBefore,
        "Cancel goes back to the stored devices: " + latencyText(settings));

  // Whatever saves the settings file while choices are only tried (here the "Restore last
  // session" toggle, twice) writes the stored choice: neither a tried size nor Reset's
  // defaults reach the file, and Cancel leaves it as it was.
  auto saveTwice = [&] { return app.command(kRestoreSession) && app.command(kRestoreSession); };
  pick(settings, 104, 4);
  check(saveTwice() && readFile(gSettings / "standalone-settings.conf") == storedBefore,
        "a size only tried is not saved by another save");
  press(settings, 105);
  check(comboSelection(GetDlgItem(settings, 104)) == "256 (5.3 ms)" &&
            comboSelection(GetDlgItem(settings, 101)) == "Out: default",
        "Reset to System Default shows the default output at 256 frames");
  check(saveTwice() && readFile(gSettings / "standalone-settings.conf") == storedBefore,
        "Reset keeps the stored devices and size out of the file: nothing is stored before OK");
  press(settings, IDCANCEL);
  check(saveTwice() && readFile(gSettings / "standalone-settings.conf") == storedBefore,
        "after Reset and Cancel a save writes the stored devices again");
  app.command(kSettings);
  check(comboSelection(GetDlgItem(settings, 104)) == "128 (2.7 ms)", "Cancel after Reset goes back to the stored 128 frames");
  // The row that explains a missing common rate sits below the two buttons: the column
  // is laid out, and tabbed through, in the order the controls were made.
  int at = 0, noCommonRateAt = -1, lastButtonAt = -1;
  for (HWND child = GetWindow(settings, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT), ++at) {
    if (windowText(child) == L"These devices have no sample rate in common.") noCommonRateAt = at;
    if (GetDlgCtrlID(child) == 105 || GetDlgCtrlID(child) == 115) lastButtonAt = at;
  }
  check(noCommonRateAt > lastButtonAt && lastButtonAt >= 0, "the no-common-rate row comes after the buttons");
  press(settings, IDCANCEL);
  app.command(kSettings);

  pick(settings, 112, 2);
  std::this_thread::sleep_for(300ms);
  check(backgroundOf(settings) == RGB(0x20, 0x20, 0x20), "Dark recolours the window at once");
  captureWindow(settings, screenshots / "settings-dark.bmp");
  pick(settings, 112, 1);
  std::this_thread::sleep_for(300ms);
  check(backgroundOf(settings) == GetSysColor(COLOR_BTNFACE), "Light takes the system's face colour");
  captureWindow(settings, screenshots / "settings-light.bmp");
  // Auto follows the user's app theme in the registry, and its change notice.
  const wchar_t* personalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
  DWORD light = 0;
  RegSetKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme", REG_DWORD, &light, sizeof light);
  pick(settings, 112, 0);
  std::this_thread::sleep_for(300ms);
  check(backgroundOf(settings) == RGB(0x20, 0x20, 0x20), "Auto is dark while AppsUseLightTheme is 0");
  light = 1;
  RegSetKeyValueW(HKEY_CURRENT_USER, personalize, L"AppsUseLightTheme", REG_DWORD, &light, sizeof light);
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(settings, WM_SETTINGCHANGE, 0, LPARAM(L"ImmersiveColorSet"), SMTO_NORMAL, 5000, &ignored);
  std::this_thread::sleep_for(300ms);
  check(backgroundOf(settings) == GetSysColor(COLOR_BTNFACE), "and turns light when the theme changes to light");
  press(settings, IDCANCEL);
  check(contains(readFile(gSettings / "standalone-settings.conf"), "\nscreenAppearance=auto\n"),
        "Cancel keeps the stored appearance");

  app.command(kSettings);
  PostMessageW(settings, WM_KEYDOWN, VK_RETURN, 0);
  check(waitFor([&] { return !IsWindowVisible(settings); }, 5s), "Enter presses OK through the message loop");
  app.command(kSettings);
  check(app.command(kSettings) && !IsWindowVisible(settings), "the menu command closes an open settings window");
  check(app.close() == 0, "the program ends with 0");
}

void checkBadInput() {
  const std::string defaults = readFile(gSettings / "defaults.clapstate");

  // Random bytes as the last session: the plugin starts from its defaults and the bytes
  // are kept aside before the session is saved over them.
  const std::string noise = randomBytes(3000, 7);
  writeFile(gSettings / "settings.clapstate", noise);
  {
    App app;
    check(app.waitForWindow() != nullptr, "a session file of random bytes still lets the program start");
    const fs::path saved = gSettings / "from-noise.clapstate";
    check(app.commandWithPick(kSave, saved) && readFile(saved) == defaults, "and the plugin plays from its defaults");
    check(app.close() == 0, "the program ends with 0");
  }
  check(readFile(gSettings / "settings.clapstate.kept") == noise,
        "the unreadable session is kept aside, not lost");

  // A settings file of random bytes reads as defaults and is replaced by a readable one.
  writeFile(gSettings / "standalone-settings.conf", randomBytes(5000, 11));
  {
    App app;
    check(app.waitForWindow() != nullptr, "a settings file of random bytes still lets the program start");
    check(app.close() == 0, "the program ends with 0");
  }
  check(contains(readFile(gSettings / "standalone-settings.conf"), "\nversion=1\n"), "the settings file is readable again");

  // A file where the settings folder belongs: nothing can be kept, nothing is lost.
  removeSettings();
  writeFile(gSettings, "the user's own file");
  {
    App app;
    check(app.waitForWindow() != nullptr, "an unusable settings folder still lets the program start");
    check(app.close() == 0, "the program ends with 0");
  }
  check(fs::is_regular_file(gSettings) && readFile(gSettings) == "the user's own file",
        "the file in the settings folder's place is left as it was");
  removeSettings();

  // Odd Unicode and near-miss options start the program normally.
  {
    App app({std::wstring(L"\xD83D\xDE00 \xD800"), L"--list-audio-devices=yes", L"\u65E5\u672C"});
    check(app.waitForWindow() != nullptr, "odd Unicode arguments start the program normally");
    check(app.close() == 0, "the program ends with 0");
  }
}

void checkNoDeviceError() {
  removeSettings();
  App app;
  check(app.waitForWindow() != nullptr, "without audio devices the window still opens");
  const HWND box = app.waitForErrorBox();
  const std::wstring text = box ? messageText(box) : std::wstring();
  check(text.rfind(L"Unable to configure audio: ", 0) == 0, "the audio error box says \"Unable to configure audio: ...\"");
  if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
  check(app.close() == 0, "the program ends with 0");
}

// At 144 DPI (150 %) both windows are laid out in device pixels 1.5 times their DIP.
void checkScaledLayout(int dpi) {
  removeSettings();
  App app;
  const HWND window = app.waitForWindow();
  app.command(kSettings);
  const HWND settings = windowTitled(app.processId(), L"Audio/MIDI Settings");
  RECT mainClient{};
  RECT settingsClient{};
  GetClientRect(window, &mainClient);
  if (settings) GetClientRect(settings, &settingsClient);
  const double scale = dpi / 96.0;
  // 500 DIP for the note; 20 + 120 + 8 + 320 + 20 DIP across the settings window's column.
  check(mainClient.right == std::lround(500 * scale),
        "the main window's note area is 500 DIP wide: " + std::to_string(mainClient.right) + " px");
  check(settingsClient.right == std::lround(488 * scale),
        "the settings window's column is 488 DIP wide: " + std::to_string(settingsClient.right) + " px");
  check(app.close() == 0, "the program ends with 0");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: strobe95_windows_app_check <STROBE-95.exe> --devices <recording> <screenshot folder> | --no-devices\n");
    return 2;
  }
  gProgram = argv[1];
  const bool withDevices = std::wstring(argv[2]) == L"--devices";
  const auto appData = strobe95::standalone::localAppDataFolder();
  if (!appData) return 1;
  gSettings = *appData / "clap-standalone-host" / "co.glowhaus.strobe95";
  gChoiceFile = fs::temp_directory_path() / "strobe95-state-choice.txt";
  SetEnvironmentVariableW(L"STROBE95_STATE_FILE_CHOICE", gChoiceFile.c_str());

  checkManifest();
  checkListing(withDevices);
  if (withDevices && argc >= 5) {
    checkFirstLaunchAndStateCommands(argv[3], argv[4]);
    checkSettingsWindow(argv[4]);
    checkBadInput();
  } else if (std::wstring(argv[2]) == L"--dpi" && argc >= 4) {
    checkScaledLayout(_wtoi(argv[3]));
  } else if (!withDevices) {
    checkNoDeviceError();
  }
  std::printf("%d passed, %d failed\n", passes, failures);
  return failures == 0 ? 0 : 1;
}
