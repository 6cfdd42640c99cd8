#include "SettingsForm.h"

#include <algorithm>

#include "SettingsLists.h"

namespace strobe95::standalone {
namespace {

template <typename T>
int indexOf(const std::vector<T>& items, const T& wanted) {
  const auto at = std::find(items.begin(), items.end(), wanted);
  return at == items.end() ? -1 : int(at - items.begin());
}

template <typename T>
const T* at(const std::vector<T>& items, int row) {
  return row >= 0 && size_t(row) < items.size() ? &items[size_t(row)] : nullptr;
}

FormList channelList(const std::vector<ChannelChoice>& choices, const char* side, uint32_t keepFirst) {
  FormList list;
  list.selected = choices.empty() ? -1 : 0;
  for (size_t i = 0; i < choices.size(); ++i) {
    list.labels.push_back(channelChoiceLabel(side, choices[i]));
    if (choices[i].first == keepFirst) list.selected = int(i);
  }
  return list;
}

}  // namespace

const AudioDeviceInfo* SettingsForm::device(const std::string& id) const {
  AudioBackend* backend = host_.audioBackend();
  return backend && !id.empty() ? findDeviceById(backend->devices(), id) : nullptr;
}

const AudioDeviceInfo* SettingsForm::output() const {
  const std::string* id = at(outputIds_, outputs.selected);
  return id ? device(*id) : nullptr;
}

const AudioDeviceInfo* SettingsForm::input() const {
  const std::string* id = inputs.selected > 0 ? at(inputIds_, inputs.selected) : nullptr;
  return id ? device(*id) : nullptr;
}

const std::string& SettingsForm::apiId(int row) const {
  static const std::string none;
  const std::string* id = at(apiIds_, row);
  return id ? *id : none;
}

bool SettingsForm::monoInput() const {
  const PortLayout& ports = host_.portLayout();
  return ports.mainInput >= 0 && ports.channels[uint32_t(ports.mainInput)] == 1;
}

void SettingsForm::fill() {
  apiIds_.clear();
  apis = {};
  for (const AudioApi& api : host_.audioApis()) {
    apiIds_.push_back(api.id);
    apis.labels.push_back(api.displayName);
  }
  apis.selected = indexOf(apiIds_, host_.audioChoice().apiName);
  fillDevices(host_.audioChoice());
  fillMidi();
}

void SettingsForm::fillDevices(const AudioChoice& choice) {
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
  outputs.labels = deviceLabels(outputNames);
  outputs.selected = choice.outputUsed ? indexOf(outputIds_, choice.outputDeviceId) : -1;
  inputs.labels = deviceLabels(inputNames);
  inputs.labels.insert(inputs.labels.begin(), "No Input");
  inputs.selected = std::max(0, choice.inputUsed ? indexOf(inputIds_, choice.inputDeviceId) : 0);
  fillOutputChannels(choice.firstOutputChannel);
  fillInputChannels(choice.firstInputChannel);
  fillRates(uint32_t(std::max(0, choice.sampleRate)));
  fillBuffers(choice.bufferSize);
}

void SettingsForm::pickOutput(int row) { pickDevice(outputs, row); }
void SettingsForm::pickInput(int row) { pickDevice(inputs, row); }

void SettingsForm::pickDevice(FormList& side, int row) {
  // Keep the first channel and the rate where the new device has them.
  const SettingsChoice before = choice();
  pick(side, row);
  if (&side == &outputs) fillOutputChannels(before.outputChannels.first);
  else fillInputChannels(before.inputChannels.first);
  fillRates(before.rate ? before.rate : uint32_t(std::max(0, host_.audioChoice().sampleRate)));
  fillBuffers(before.bufferFrames);
}

void SettingsForm::pickRate(int row) {
  const uint32_t frames = choice().bufferFrames;
  pick(rates, row);
  fillBuffers(frames);  // their milliseconds follow the rate
}

void SettingsForm::pick(FormList& list, int row) {
  list.selected = row >= 0 && size_t(row) < list.labels.size() ? row : -1;
}

SettingsChoice SettingsForm::choice() const {
  SettingsChoice choice;
  if (const AudioDeviceInfo* chosen = output()) choice.outputId = chosen->id;
  if (const AudioDeviceInfo* chosen = input()) choice.inputId = chosen->id;
  if (const ChannelChoice* channels = at(outputChoices_, outputChannels.selected)) choice.outputChannels = *channels;
  if (const ChannelChoice* channels = at(inputChoices_, inputChannels.selected)) choice.inputChannels = *channels;
  if (const uint32_t* rate = at(rateValues_, rates.selected)) choice.rate = *rate;
  if (const uint32_t* frames = at(bufferValues_, buffers.selected)) choice.bufferFrames = *frames;
  return choice;
}

std::string SettingsForm::note() const {
  AudioBackend* backend = host_.audioBackend();
  const AudioDeviceInfo* defaultInput = backend ? device(backend->defaultInputDevice()) : nullptr;
  return inputNote(input(), host_.portLayout().inputChannels > 0, defaultInput);
}

void SettingsForm::fillOutputChannels(uint32_t keepFirst) {
  const AudioDeviceInfo* chosen = output();
  outputChoices_ = channelChoices(chosen ? chosen->outputChannels : 0, false);
  outputChannels = channelList(outputChoices_, "Output", keepFirst);
}

void SettingsForm::fillInputChannels(uint32_t keepFirst) {
  const AudioDeviceInfo* chosen = input();
  inputChoices_ = channelChoices(chosen ? chosen->inputChannels : 0, monoInput());
  inputChannels = channelList(inputChoices_, "Input", keepFirst);
}

void SettingsForm::fillRates(uint32_t keepRate) {
  rateValues_ = commonRates(output(), input());
  rates.labels.clear();
  for (const uint32_t rate : rateValues_) rates.labels.push_back(std::to_string(rate));
  rates.selected = indexOf(rateValues_, selectedRate(rateValues_, keepRate));
}

void SettingsForm::fillBuffers(uint32_t keepFrames) {
  const uint32_t* rate = at(rateValues_, rates.selected);
  bufferValues_.clear();
  buffers.labels.clear();
  for (const BufferItem& item : bufferItems(output(), input(), rate ? *rate : 48000)) {
    bufferValues_.push_back(item.frames);
    buffers.labels.push_back(item.label);
  }
  buffers.selected = indexOf(bufferValues_, keepFrames);
  if (buffers.selected < 0) buffers.selected = indexOf(bufferValues_, kDefaultBufferFrames);
  if (buffers.selected < 0 && !bufferValues_.empty()) buffers.selected = 0;
}

void SettingsForm::fillMidi() {
  MidiBackend* midi = host_.midiBackend();
  const StandaloneSettings& settings = host_.settings();
  midiInputs = midiPortRows(midi ? midi->inputPorts() : std::vector<MidiPortInfo>{}, settings.midiPorts,
                            settings.midiPortIds, settings.midiBindAllPorts);
  midiOutputs = midiPortRows(midi ? midi->outputPorts() : std::vector<MidiPortInfo>{}, settings.midiOutputPorts,
                             settings.midiOutputPortIds, false);
}

}  // namespace strobe95::standalone
