#pragma once
// What the Audio/MIDI settings dialog lists and which row of each list is chosen. Both
// programs' dialogs put these rows into their controls and hand back the row a user
// picks; picking a device or rate fills the lists that depend on it again.
#include <cstdint>
#include <string>
#include <vector>

#include "DeviceChoice.h"
#include "MidiPortRows.h"
#include "StandaloneHost.h"

namespace strobe95::standalone {

struct FormList {
  std::vector<std::string> labels;
  int selected = -1;  // -1: no row
  bool operator==(const FormList&) const = default;
};

// The audio choice the dialog shows, as the host is asked to run it.
struct SettingsChoice {
  std::string outputId, inputId;  // empty: none
  ChannelChoice outputChannels, inputChannels;
  uint32_t rate = 0;  // 0: no rate listed
  uint32_t bufferFrames = 0;
};

class SettingsForm {
 public:
  explicit SettingsForm(StandaloneHost& host) : host_(host) {}

  void fill();  // every list, from the running choice and the stored MIDI selection
  void fillDevices(const AudioChoice& choice);
  void pickOutput(int row);
  void pickInput(int row);
  void pickRate(int row);
  void fillBuffers(uint32_t keepFrames);  // keeping this size when offered, else 256
  static void pick(FormList& list, int row);  // a list nothing else depends on

  SettingsChoice choice() const;
  const AudioDeviceInfo* output() const;
  const AudioDeviceInfo* input() const;  // null for "No Input"
  const std::string& apiId(int row) const;
  std::string note() const;      // the input note; empty when there is nothing to say
  bool noCommonRate() const { return rates.labels.empty() && output() && input(); }
  bool monoInput() const;        // the plugin's main input has one channel

  FormList apis, outputs, outputChannels, inputs, inputChannels, rates, buffers;
  std::vector<MidiPortRow> midiInputs, midiOutputs;  // checked as the dialog opened

 private:
  const AudioDeviceInfo* device(const std::string& id) const;
  void pickDevice(FormList& side, int row);  // outputs or inputs
  void fillOutputChannels(uint32_t keepFirst);
  void fillInputChannels(uint32_t keepFirst);
  void fillRates(uint32_t keepRate);
  void fillMidi();

  StandaloneHost& host_;
  // What the lists hold, row for row.
  std::vector<std::string> apiIds_, outputIds_, inputIds_;  // inputIds_[0] is "No Input"
  std::vector<ChannelChoice> outputChoices_, inputChoices_;
  std::vector<uint32_t> rateValues_, bufferValues_;
};

}  // namespace strobe95::standalone
