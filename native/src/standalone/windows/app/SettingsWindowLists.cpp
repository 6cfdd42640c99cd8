// The settings window's controls, filled from the settings form.
#include "SettingsWindow.h"

#include <commctrl.h>

#include "SettingsControls.h"

namespace strobe95::standalone::windows_standalone {
namespace {

void show(HWND control, const FormList& list) { setItems(control, list.labels, list.selected); }

}  // namespace

void SettingsWindow::fillAll() {
  form_.fill();
  showAudioLists();
  showMidi();
}

void SettingsWindow::showAudioLists() {
  filling_ = true;
  show(apiList_, form_.apis);
  AudioBackend* backend = host_.audioBackend();
  setVisible(controlPanelButton_, backend && backend->hasControlPanel());
  show(outputList_, form_.outputs);
  show(inputList_, form_.inputs);
  SendMessageW(appearanceList_, CB_SETCURSEL, WPARAM(host_.screenAppearance()), 0);
  filling_ = false;
  showDependentLists();
}

void SettingsWindow::showDependentLists() {
  filling_ = true;
  show(outputChannelList_, form_.outputChannels);
  EnableWindow(outputChannelList_, !form_.outputChannels.labels.empty());
  show(inputChannelList_, form_.inputChannels);
  EnableWindow(inputChannelList_, !form_.inputChannels.labels.empty());
  show(rateList_, form_.rates);
  EnableWindow(rateList_, !form_.rates.labels.empty());
  setVisible(noCommonRate_, form_.noCommonRate());
  show(bufferList_, form_.buffers);
  filling_ = false;
  updateNotes();
  layout();
}

void SettingsWindow::showMidi() {
  auto fill = [](HWND list, const std::vector<MidiPortRow>& rows, HWND label, const wchar_t* title, const wchar_t* none) {
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < rows.size(); ++i) {
      std::wstring text = toWide(rows[i].label);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = int(i);
      item.pszText = text.data();
      ListView_InsertItem(list, &item);
      ListView_SetCheckState(list, int(i), rows[i].checked);
    }
    SetWindowTextW(label, rows.empty() ? (std::wstring(title) + L"\n" + none).c_str() : title);
  };
  fill(midiInputList_, form_.midiInputs, midiInputLabel_, L"MIDI Inputs:", L" No MIDI inputs found");
  fill(midiOutputList_, form_.midiOutputs, midiOutputLabel_, L"MIDI Outputs:", L" No MIDI outputs found");
}

void SettingsWindow::updateNotes() {
  const std::string note = form_.note();
  SetWindowTextW(note_, toWide(note).c_str());
  setVisible(note_, !note.empty());
  const std::string latency = trial_.latencyLine();
  SetWindowTextW(latency_, toWide(latency).c_str());
  setVisible(latency_, !latency.empty());
  EnableWindow(controlPanelButton_, form_.output() != nullptr);
}

void SettingsWindow::refreshDevices() {
  if (!isVisible()) return;
  fillAll();
}

void SettingsWindow::refreshStatus() {
  if (!isVisible()) return;
  form_.fillBuffers(host_.audioChoice().bufferSize);
  filling_ = true;
  show(bufferList_, form_.buffers);
  filling_ = false;
  updateNotes();
  layout();
}

}  // namespace strobe95::standalone::windows_standalone
