// The settings window's lists, filled from the host's running choice and the audio and
// MIDI layers' records.
#include "SettingsWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "SettingsControls.h"
#include "SettingsLists.h"

namespace strobe95::standalone::windows_standalone {

// --- Filling from the host -------------------------------------------------------------

const AudioDeviceInfo* SettingsWindow::device(const std::string& id) const {
  AudioBackend* backend = host_.audioBackend();
  return backend && !id.empty() ? findDeviceById(backend->devices(), id) : nullptr;
}

const AudioDeviceInfo* SettingsWindow::chosenOutput() const {
  const int at = selection(outputList_);
  return at >= 0 && size_t(at) < outputIds_.size() ? device(outputIds_[size_t(at)]) : nullptr;
}

const AudioDeviceInfo* SettingsWindow::chosenInput() const {
  const int at = selection(inputList_);
  return at > 0 && size_t(at) < inputIds_.size() ? device(inputIds_[size_t(at)]) : nullptr;
}

void SettingsWindow::fillAll() {
  filling_ = true;
  fillApis();
  fillDevices(host_.audioChoice());
  fillMidi();
  SendMessageW(appearanceList_, CB_SETCURSEL, WPARAM(host_.screenAppearance()), 0);
  filling_ = false;
  updateNotes();
  layout();
}

void SettingsWindow::fillApis() {
  apiIds_.clear();
  std::vector<std::string> names;
  for (const AudioApi& api : platformEnvironment().audioApis) {
    apiIds_.push_back(api.id);
    names.push_back(api.displayName);
  }
  setItems(apiList_, names, indexOf(apiIds_, host_.audioChoice().apiName));
  AudioBackend* backend = host_.audioBackend();
  setVisible(controlPanelButton_, backend && backend->hasControlPanel());
}

void SettingsWindow::fillDevices(const AudioChoice& choice) {
  outputIds_.clear();
  inputIds_.assign(1, std::string());
  std::vector<std::string> outputNames, inputNames;
  if (AudioBackend* backend = host_.audioBackend()) {
    for (const AudioDeviceInfo& d : backend->devices()) {
      if (d.outputChannels > 0) {
        outputIds_.push_back(d.id);
        outputNames.push_back(d.name);
      }
      if (d.inputChannels > 0) {
        inputIds_.push_back(d.id);
        inputNames.push_back(d.name);
      }
    }
  }
  std::vector<std::string> inputLabels = deviceLabels(inputNames);
  inputLabels.insert(inputLabels.begin(), "No Input");
  setItems(outputList_, deviceLabels(outputNames), choice.outputUsed ? indexOf(outputIds_, choice.outputDeviceId) : -1);
  const int input = choice.inputUsed ? indexOf(inputIds_, choice.inputDeviceId) : 0;
  setItems(inputList_, inputLabels, std::max(0, input));
  fillOutputChannels(choice.firstOutputChannel);
  fillInputChannels(choice.firstInputChannel);
  fillRates(uint32_t(std::max(0, choice.sampleRate)));
  fillBuffers(choice.bufferSize);
}

void SettingsWindow::fillOutputChannels(uint32_t keepFirst) {
  const AudioDeviceInfo* output = chosenOutput();
  outputChoices_ = channelChoices(output ? output->outputChannels : 0, false);
  std::vector<std::string> labels;
  int selected = outputChoices_.empty() ? -1 : 0;
  for (size_t i = 0; i < outputChoices_.size(); ++i) {
    labels.push_back(channelChoiceLabel("Output", outputChoices_[i]));
    if (outputChoices_[i].first == keepFirst) selected = int(i);
  }
  setItems(outputChannelList_, labels, selected);
  EnableWindow(outputChannelList_, !outputChoices_.empty());
}

void SettingsWindow::fillInputChannels(uint32_t keepFirst) {
  const AudioDeviceInfo* input = chosenInput();
  const PortLayout& ports = host_.portLayout();
  const bool monoInput = ports.mainInput >= 0 && ports.channels[uint32_t(ports.mainInput)] == 1;
  inputChoices_ = channelChoices(input ? input->inputChannels : 0, monoInput);
  std::vector<std::string> labels;
  int selected = inputChoices_.empty() ? -1 : 0;
  for (size_t i = 0; i < inputChoices_.size(); ++i) {
    labels.push_back(channelChoiceLabel("Input", inputChoices_[i]));
    if (inputChoices_[i].first == keepFirst) selected = int(i);
  }
  setItems(inputChannelList_, labels, selected);
  EnableWindow(inputChannelList_, !inputChoices_.empty());
}

void SettingsWindow::fillRates(uint32_t keepRate) {
  rates_ = commonRates(chosenOutput(), chosenInput());
  std::vector<std::string> labels;
  for (const uint32_t rate : rates_) labels.push_back(std::to_string(rate));
  setItems(rateList_, labels, indexOf(rates_, selectedRate(rates_, keepRate)));
  EnableWindow(rateList_, !rates_.empty());
  const bool bothChosen = chosenOutput() && chosenInput();
  setVisible(noCommonRate_, rates_.empty() && bothChosen);
}

void SettingsWindow::fillBuffers(uint32_t keepFrames) {
  const int at = selection(rateList_);
  const uint32_t rate = at >= 0 && size_t(at) < rates_.size() ? rates_[size_t(at)] : 48000;
  buffers_.clear();
  std::vector<std::string> labels;
  for (const BufferItem& item : bufferItems(chosenOutput(), chosenInput(), rate)) {
    buffers_.push_back(item.frames);
    labels.push_back(item.label);
  }
  int selected = indexOf(buffers_, keepFrames);
  if (selected < 0) selected = indexOf(buffers_, kDefaultBufferFrames);
  if (selected < 0 && !buffers_.empty()) selected = 0;
  setItems(bufferList_, labels, selected);
}

void SettingsWindow::fillMidi() {
  MidiBackend* midi = host_.midiBackend();
  const StandaloneSettings& settings = host_.settings();
  auto fill = [&](HWND list, std::vector<MidiPortRow>& rows, HWND label, const wchar_t* title, const wchar_t* none) {
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
  midiInputRows_ = midiPortRows(midi ? midi->inputPorts() : std::vector<MidiPortInfo>{}, settings.midiPorts,
                                settings.midiPortIds, settings.midiBindAllPorts);
  midiOutputRows_ = midiPortRows(midi ? midi->outputPorts() : std::vector<MidiPortInfo>{}, settings.midiOutputPorts,
                                 settings.midiOutputPortIds, false);
  fill(midiInputList_, midiInputRows_, midiInputLabel_, L"MIDI Inputs:", L" No MIDI inputs found");
  fill(midiOutputList_, midiOutputRows_, midiOutputLabel_, L"MIDI Outputs:", L" No MIDI outputs found");
}

void SettingsWindow::updateNotes() {
  AudioBackend* backend = host_.audioBackend();
  const AudioDeviceInfo* defaultInput = backend ? device(backend->defaultInputDevice()) : nullptr;
  const std::string note = inputNote(chosenInput(), host_.portLayout().inputChannels > 0, defaultInput);
  SetWindowTextW(note_, toWide(note).c_str());
  setVisible(note_, !note.empty());
  const bool running = host_.audioRunsWithChannels() && choiceIsRunning(readChoice());
  const AudioChoice& choice = host_.audioChoice();
  SetWindowTextW(latency_, toWide(latencyLine(choice.stream, choice.openInputChannels > 0)).c_str());
  setVisible(latency_, running);
  EnableWindow(controlPanelButton_, chosenOutput() != nullptr);
}

void SettingsWindow::refreshDevices() {
  if (!isVisible()) return;
  fillAll();
}

void SettingsWindow::refreshStatus() {
  if (!isVisible()) return;
  filling_ = true;
  fillBuffers(host_.audioChoice().bufferSize);
  filling_ = false;
  updateNotes();
  layout();
}

}  // namespace strobe95::standalone::windows_standalone
