#include "SettingsWindow.h"

#include <commctrl.h>
#include <dwmapi.h>
#include <uxtheme.h>

#include <algorithm>
#include <cmath>

#include "DebugOutput.h"
#include "MainWindow.h"
#include "SettingsControls.h"
#include "WideText.h"

namespace strobe95::standalone::windows_standalone {
namespace {

constexpr int kMarginDip = 20;
constexpr int kRowGapDip = 8;
constexpr int kLabelWidthDip = 120;
constexpr int kControlWidthDip = 320;
constexpr int kRowHeightDip = 24;
constexpr int kDropDownDip = 300;
constexpr int kListHeightDip = 84;
constexpr int kNoteHeightDip = 32;
constexpr int kButtonWidthDip = 88;
constexpr int kButtonHeightDip = 28;
constexpr DWORD kDropDownStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr DWORD kDarkModeAttribute = 20;        // DWMWA_USE_IMMERSIVE_DARK_MODE
constexpr DWORD kOlderDarkModeAttribute = 19;   // its number before Windows 10 20H1

}  // namespace

SettingsWindow::SettingsWindow(MainWindow& owner, StandaloneHost& host)
    : owner_(owner), host_(host), form_(host), trial_(host, form_) {
  installHandlers();
  createWindow(kSettingsWindowTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, owner_.handle());
}

SettingsWindow::~SettingsWindow() {
  if (font_) DeleteObject(font_);
  if (headingFont_) DeleteObject(headingFont_);
  if (backgroundBrush_) DeleteObject(backgroundBrush_);
  if (fieldBrush_) DeleteObject(fieldBrush_);
}

bool SettingsWindow::isVisible() const { return handle() && IsWindowVisible(handle()); }

// --- Controls and layout -------------------------------------------------------------

HWND SettingsWindow::addControl(const wchar_t* type, const wchar_t* text, DWORD style, int id) {
  return CreateWindowExW(0, type, text, style, 0, 0, 10, 10, handle(), reinterpret_cast<HMENU>(INT_PTR(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

HWND SettingsWindow::addLabel(const wchar_t* text) {
  return addControl(WC_STATICW, text, WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE, kLabel);
}

void SettingsWindow::createControls() {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
  const clap_plugin_t* plugin = host_.plugin() ? host_.plugin()->plugin() : nullptr;
  const std::string name = plugin && plugin->desc && plugin->desc->name ? plugin->desc->name : "";
  heading_ = addControl(WC_STATICW, toWide("Audio/MIDI Setup for " + name).c_str(), WS_CHILD | WS_VISIBLE, kLabel);

  auto row = [&](const wchar_t* label, HWND control) { rows_.emplace_back(label ? addLabel(label) : nullptr, control); };
  row(L"Audio API:", apiList_ = addControl(WC_COMBOBOXW, L"", kDropDownStyle, kApiList));
  row(L"Output:", outputList_ = addControl(WC_COMBOBOXW, L"", kDropDownStyle, kOutputList));
  row(L"Output Channels:", outputChannelList_ = addControl(WC_COMBOBOXW, L"", kDropDownStyle, kOutputChannelList));
  row(L"Input:", inputList_ = addControl(WC_COMBOBOXW, L"", kDropDownStyle, kInputList));
  const PortLayout& ports = host_.portLayout();
  const bool monoInput = ports.mainInput >= 0 && ports.channels[uint32_t(ports.mainInput)] == 1;
  row(monoInput ? L"Input Channel:" : L"Input Channels:",
      inputChannelList_ = addControl(WC_COMBOBOXW, L"", kDropDownStyle, kInputChannelList));
  inputChannelLabel_ = rows_.back().first;
  row(nullptr, note_ = addControl(WC_STATICW, L"", WS_CHILD | SS_LEFT, -1));
  row(L"Sample Rate:", rateList_ = addControl(WC_COMBOBOXW, L"", kDropDownStyle, kRateList));
  row(L"Buffer Size:", bufferList_ = addControl(WC_COMBOBOXW, L"", kDropDownStyle, kBufferList));
  row(nullptr, resetButton_ = addControl(WC_BUTTONW, L"Reset to System Default",
                                         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kResetButton));
  row(nullptr, controlPanelButton_ = addControl(WC_BUTTONW, L"ASIO Control Panel...",
                                                WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, kControlPanelButton));
  row(nullptr, noCommonRate_ = addControl(WC_STATICW, L"These devices have no sample rate in common.", WS_CHILD | SS_LEFT, -1));
  row(nullptr, latency_ = addControl(WC_STATICW, L"", WS_CHILD | SS_LEFT, -1));
  const DWORD listStyle = WS_CHILD | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL;
  row(L"MIDI Inputs:", midiInputList_ = addControl(WC_LISTVIEWW, L"", listStyle, kMidiInputList));
  midiInputLabel_ = rows_.back().first;
  row(L"MIDI Outputs:", midiOutputList_ = addControl(WC_LISTVIEWW, L"", listStyle, kMidiOutputList));
  midiOutputLabel_ = rows_.back().first;
  // These labels may take a second line: " No MIDI inputs found".
  for (HWND label : {midiInputLabel_, midiOutputLabel_}) {
    SetWindowLongPtrW(label, GWL_STYLE, GetWindowLongPtrW(label, GWL_STYLE) & ~LONG_PTR(SS_CENTERIMAGE));
  }
  for (HWND list : {midiInputList_, midiOutputList_}) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 300;
    ListView_InsertColumn(list, 0, &column);
  }
  // WinMM offers no virtual ports, so their check boxes (108 to 111) never show here.
  row(L"Appearance:", appearanceList_ = addControl(WC_COMBOBOXW, L"", kDropDownStyle, kAppearanceList));
  setItems(appearanceList_, {"Auto", "Light", "Dark"}, 0);
  okButton_ = addControl(WC_BUTTONW, L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK);
  cancelButton_ = addControl(WC_BUTTONW, L"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL);

  const bool notesIn = ports.acceptsMidi || ports.acceptsClapNotes;
  setVisible(midiInputLabel_, notesIn);
  setVisible(midiInputList_, notesIn);
  setVisible(midiOutputLabel_, ports.hasMidiOutput);
  setVisible(midiOutputList_, ports.hasMidiOutput);
  makeFonts();
  applyAppearance();
}

void SettingsWindow::makeFonts() {
  if (font_) DeleteObject(font_);
  if (headingFont_) DeleteObject(headingFont_);
  font_ = headingFont_ = nullptr;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi())) {
    font_ = CreateFontIndirectW(&metrics.lfMessageFont);
    LOGFONTW heading = metrics.lfMessageFont;
    heading.lfHeight = LONG(std::lround(heading.lfHeight * 1.15));
    heading.lfWeight = 600;
    headingFont_ = CreateFontIndirectW(&heading);
  }
  HGDIOBJ fallback = GetStockObject(DEFAULT_GUI_FONT);
  EnumChildWindows(
      handle(),
      [](HWND child, LPARAM font) -> BOOL {
        SendMessageW(child, WM_SETFONT, WPARAM(font), TRUE);
        return TRUE;
      },
      LPARAM(font_ ? font_ : fallback));
  SendMessageW(heading_, WM_SETFONT, WPARAM(headingFont_ ? headingFont_ : fallback), TRUE);
}

void SettingsWindow::layout() {
  auto px = [&](int dip) { return int(std::lround(dip * scale())); };
  const int left = px(kMarginDip);
  const int controlLeft = left + px(kLabelWidthDip) + px(kRowGapDip);
  const int width = px(kControlWidthDip);
  int y = px(kMarginDip);
  MoveWindow(heading_, left, y, controlLeft + width - left, px(kRowHeightDip + 4), TRUE);
  y += px(kRowHeightDip + 4) + px(kRowGapDip);
  for (const auto& [label, control] : rows_) {
    if (!IsWindowVisible(control) && !(GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE)) continue;
    wchar_t type[32] = {};
    GetClassNameW(control, type, 32);
    const std::wstring kind = type;
    int height = px(kRowHeightDip);
    if (kind == WC_LISTVIEWW) height = px(kListHeightDip);
    if (control == note_) height = px(kNoteHeightDip);
    if (control == resetButton_ || control == controlPanelButton_) height = px(kButtonHeightDip);
    const int controlHeight = kind == WC_COMBOBOXW ? height + px(kDropDownDip) : height;
    if (label) MoveWindow(label, left, y, px(kLabelWidthDip), kind == WC_LISTVIEWW ? height : px(kRowHeightDip), TRUE);
    MoveWindow(control, controlLeft, y, width, controlHeight, TRUE);
    if (kind == WC_LISTVIEWW) ListView_SetColumnWidth(control, 0, width - px(24));
    y += height + px(kRowGapDip);
  }
  y += px(kRowGapDip);
  const int buttonWidth = px(kButtonWidthDip);
  MoveWindow(cancelButton_, controlLeft + width - buttonWidth, y, buttonWidth, px(kButtonHeightDip), TRUE);
  MoveWindow(okButton_, controlLeft + width - 2 * buttonWidth - px(kRowGapDip), y, buttonWidth, px(kButtonHeightDip),
             TRUE);
  y += px(kButtonHeightDip) + px(kMarginDip);
  const SIZE size = windowSizeForClient(handle(), controlLeft + width + px(kMarginDip), y);
  SetWindowPos(handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Trying a choice ---------------------------------------------------------------------

void SettingsWindow::tryChoice() {
  if (!trial_.tryChoice()) {
    // The running choice came back: the form was filled from it again.
    showAudioLists();
    showMidi();
    return;
  }
  updateNotes();
  layout();
}

void SettingsWindow::onCommand(int id, int code) {
  if (filling_) return;
  const bool listChanged = code == CBN_SELCHANGE;
  switch (id) {
    case kApiList:
      if (!listChanged) return;
      trial_.selectApi(selection(apiList_));
      showAudioLists();
      showMidi();
      return;
    case kOutputList:
    case kInputList:
      if (!listChanged) return;
      if (id == kOutputList) form_.pickOutput(selection(outputList_));
      if (id == kInputList) form_.pickInput(selection(inputList_));
      showDependentLists();
      tryChoice();
      return;
    case kRateList:
      if (!listChanged) return;
      form_.pickRate(selection(rateList_));
      showDependentLists();
      tryChoice();
      return;
    case kBufferList:
    case kOutputChannelList:
    case kInputChannelList: {
      if (!listChanged) return;
      FormList& list = id == kBufferList ? form_.buffers : id == kOutputChannelList ? form_.outputChannels : form_.inputChannels;
      SettingsForm::pick(list, selection(GetDlgItem(handle(), id)));
      tryChoice();
      return;
    }
    case kResetButton:
      if (code != BN_CLICKED) return;
      trial_.resetToSystemDefault();
      showAudioLists();
      return;
    case kAppearanceList:
      if (listChanged) host_.setScreenAppearance(selection(appearanceList_), true);
      return;
    case kControlPanelButton:
      if (code != BN_CLICKED) return;
      if (!host_.audioBackend() || !host_.audioBackend()->isStreamOpen() || !host_.audioBackend()->showControlPanel()) {
        writeDebugOutput("The audio driver has no control panel to show\n");
      }
      return;
    case IDOK:
      if (code == BN_CLICKED) accept();
      return;
    case IDCANCEL:
      if (code == BN_CLICKED) cancel();
      return;
    default: return;
  }
}

// --- Opening and closing -------------------------------------------------------------------

void SettingsWindow::open() {
  if (isVisible()) return;
  trial_.open();
  showAudioLists();
  showMidi();
  // Centred on the main window's monitor.
  RECT window{};
  GetWindowRect(handle(), &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner_.handle(), MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& area = monitor.rcWork;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  SetWindowPos(handle(), HWND_TOP, area.left + std::max(0L, (area.right - area.left - width) / 2),
               area.top + std::max(0L, (area.bottom - area.top - height) / 2), 0, 0, SWP_NOSIZE);
  ShowWindow(handle(), SW_SHOW);
  SetForegroundWindow(handle());
}

std::vector<bool> SettingsWindow::checkMarks(HWND list, size_t rows) const {
  std::vector<bool> checked;
  for (size_t i = 0; i < rows; ++i) checked.push_back(ListView_GetCheckState(list, int(i)) != 0);
  return checked;
}

void SettingsWindow::accept() {
  trial_.accept(checkMarks(midiInputList_, form_.midiInputs.size()),
                checkMarks(midiOutputList_, form_.midiOutputs.size()));
  if (!owner_.saveSettingsWithGeometry()) {
    writeDebugOutput("Unable to save the audio settings; the next launch will not have them\n");
  }
  hideAndTell(true);
}

void SettingsWindow::cancel() {
  trial_.cancel();
  hideAndTell(trial_.acceptedLast());
}

void SettingsWindow::hideAndTell(bool accepted) {
  ShowWindow(handle(), SW_HIDE);
  PostMessageW(owner_.handle(), kSettingsHiddenMessage, accepted ? 1 : 0, 0);
}

// --- Colours -------------------------------------------------------------------------------

void SettingsWindow::applyAppearance() {
  palette_ = paletteFor(host_.screenAppearance());
  if (backgroundBrush_) DeleteObject(backgroundBrush_);
  if (fieldBrush_) DeleteObject(fieldBrush_);
  backgroundBrush_ = CreateSolidBrush(palette_.background);
  fieldBrush_ = CreateSolidBrush(palette_.field);
  const BOOL dark = palette_.dark ? TRUE : FALSE;
  if (FAILED(DwmSetWindowAttribute(handle(), kDarkModeAttribute, &dark, sizeof dark))) {
    DwmSetWindowAttribute(handle(), kOlderDarkModeAttribute, &dark, sizeof dark);
  }
  for (HWND list : {midiInputList_, midiOutputList_}) {
    SetWindowTheme(list, palette_.dark ? L"DarkMode_Explorer" : L"Explorer", nullptr);
    ListView_SetBkColor(list, palette_.field);
    ListView_SetTextBkColor(list, palette_.field);
    ListView_SetTextColor(list, palette_.text);
  }
  for (HWND button : {resetButton_, controlPanelButton_, okButton_, cancelButton_}) {
    SetWindowTheme(button, palette_.dark ? L"DarkMode_Explorer" : L"Explorer", nullptr);
  }
  for (HWND list : {apiList_, outputList_, outputChannelList_, inputList_, inputChannelList_, rateList_, bufferList_,
                    appearanceList_}) {
    SetWindowTheme(list, palette_.dark ? L"DarkMode_CFD" : nullptr, nullptr);
  }
  SetWindowPos(handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  if (GetActiveWindow() == handle()) {
    SendMessageW(handle(), WM_NCACTIVATE, FALSE, 0);
    SendMessageW(handle(), WM_NCACTIVATE, TRUE, 0);
  }
  RedrawWindow(handle(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

LRESULT SettingsWindow::colourControl(HDC dc, HWND control) {
  const bool secondary = control == note_ || control == latency_ || control == noCommonRate_;
  SetTextColor(dc, control == heading_ ? palette_.accent : secondary ? palette_.secondaryText : palette_.text);
  SetBkColor(dc, palette_.background);
  return LRESULT(backgroundBrush_);
}

// --- Messages ------------------------------------------------------------------------------

void SettingsWindow::installHandlers() {
  on(WM_CREATE, [this](WPARAM, LPARAM) -> LRESULT {
    createControls();
    return 0;
  });
  on(WM_COMMAND, [this](WPARAM wParam, LPARAM) -> LRESULT {
    onCommand(LOWORD(wParam), HIWORD(wParam));
    return 0;
  });
  on(WM_NOTIFY, [this](WPARAM, LPARAM lParam) -> LRESULT {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == NM_CLICK && (header->idFrom == kMidiInputList || header->idFrom == kMidiOutputList)) {
      const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
      LVHITTESTINFO hit{};
      hit.pt = click->ptAction;
      if (ListView_HitTest(header->hwndFrom, &hit) >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) == 0 &&
          (hit.flags & LVHT_ONITEM)) {
        // A click on the row's text toggles it too, as on its box.
        ListView_SetCheckState(header->hwndFrom, hit.iItem, !ListView_GetCheckState(header->hwndFrom, hit.iItem));
      }
    }
    return 0;
  });
  auto colour = [this](WPARAM dc, LPARAM control) -> LRESULT {
    return colourControl(reinterpret_cast<HDC>(dc), reinterpret_cast<HWND>(control));
  };
  on(WM_CTLCOLORSTATIC, colour);
  on(WM_CTLCOLORBTN, colour);
  on(WM_CTLCOLORLISTBOX, [this](WPARAM dc, LPARAM) -> LRESULT {
    SetTextColor(reinterpret_cast<HDC>(dc), palette_.text);
    SetBkColor(reinterpret_cast<HDC>(dc), palette_.field);
    return LRESULT(fieldBrush_);
  });
  on(WM_ERASEBKGND, [this](WPARAM dc, LPARAM) -> LRESULT {
    RECT client{};
    GetClientRect(handle(), &client);
    FillRect(reinterpret_cast<HDC>(dc), &client, backgroundBrush_);
    return 1;
  });
  on(WM_PAINT, [this](WPARAM, LPARAM) -> LRESULT {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(handle(), &paint);
    // A rule under the heading, in the border colour.
    RECT heading{};
    GetWindowRect(heading_, &heading);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&heading), 2);
    RECT rule{heading.left, heading.bottom + 2, heading.right, heading.bottom + 3};
    HBRUSH border = CreateSolidBrush(palette_.border);
    FillRect(dc, &rule, border);
    DeleteObject(border);
    EndPaint(handle(), &paint);
    return 0;
  });
  on(WM_SETTINGCHANGE, [this](WPARAM, LPARAM lParam) -> LRESULT {
    const auto* area = reinterpret_cast<const wchar_t*>(lParam);
    if (host_.screenAppearance() == kAppearanceAuto && area && std::wstring(area) == L"ImmersiveColorSet") {
      applyAppearance();
    }
    return 0;
  });
  on(WM_DPICHANGED, [this](WPARAM, LPARAM) -> LRESULT {
    makeFonts();
    applyAppearance();
    layout();
    return 0;
  });
  on(WM_CLOSE, [this](WPARAM, LPARAM) -> LRESULT {
    cancel();
    return 0;
  });
  on(DM_GETDEFID, [](WPARAM, LPARAM) -> LRESULT { return MAKELRESULT(IDOK, DC_HASDEFID); });
}

}  // namespace strobe95::standalone::windows_standalone
