#include "SettingsTrial.h"

#include <algorithm>

#include "SettingsLists.h"
#include "SystemDefaults.h"

namespace strobe95::standalone {

void SettingsTrial::open() {
  accepted_ = audioChanged_ = apiChanged_ = false;
  openingAppearance_ = host_.screenAppearance();
  host_.setTryingChoices(true);
  form_.fill();
}

bool SettingsTrial::choiceRuns() const {
  if (!host_.audioRunsWithChannels()) return false;
  const SettingsChoice choice = form_.choice();
  const AudioChoice& running = host_.audioChoice();
  const bool outputSame = choice.outputId.empty() ? !running.outputUsed
                                                  : running.outputUsed && running.outputDeviceId == choice.outputId &&
                                                        running.firstOutputChannel == choice.outputChannels.first;
  const bool inputSame = choice.inputId.empty() ? !running.inputUsed || running.openInputChannels == 0
                                                : running.inputUsed && running.inputDeviceId == choice.inputId &&
                                                      running.firstInputChannel == choice.inputChannels.first;
  return outputSame && inputSame && (choice.rate == 0 || int32_t(choice.rate) == running.sampleRate) &&
         (choice.bufferFrames == 0 || choice.bufferFrames == running.bufferSize);
}

bool SettingsTrial::tryChoice() {
  if (choiceRuns()) return true;
  const SettingsChoice choice = form_.choice();
  AudioChoice& running = host_.audioChoice();
  const AudioChoice previous = running;
  if (choice.bufferFrames) running.bufferSize = choice.bufferFrames;
  running.firstOutputChannel = choice.outputChannels.first;
  running.firstInputChannel = choice.inputChannels.first;
  audioChanged_ = true;
  host_.setApplyingChoice(true);
  host_.startAudio(choice.inputId, std::max<uint32_t>(1, choice.inputChannels.count), !choice.inputId.empty(),
                   choice.outputId, std::max<uint32_t>(1, choice.outputChannels.count), !choice.outputId.empty(),
                   int32_t(choice.rate));
  host_.setApplyingChoice(false);
  if (host_.audioRunsWithChannels()) return true;
  running.bufferSize = previous.bufferSize;
  running.firstOutputChannel = previous.firstOutputChannel;
  running.firstInputChannel = previous.firstInputChannel;
  running.outputChannels = previous.outputChannels;
  running.inputChannels = previous.inputChannels;
  if (apiChanged_) {
    host_.applySettings();
    host_.startAudioWithCurrentChoice();
  }
  form_.fill();
  return false;
}

void SettingsTrial::selectApi(int row) {
  const std::string& id = form_.apiId(row);
  if (id.empty()) return;
  apiChanged_ = true;
  host_.selectAudioApi(id);
  form_.fill();
  // The devices of one API mean nothing to another: the new one starts on its defaults.
  if (!form_.output() && host_.audioBackend()) {
    form_.fillDevices(systemDefaultChoice(*host_.audioBackend(), host_.portLayout()));
  }
  tryChoice();
}

void SettingsTrial::resetToSystemDefault() {
  // Only the dialog shows the defaults until they are tried: the running choice and the
  // stored one stay as they are, so Cancel still finds its way back.
  if (!host_.audioBackend()) return;
  form_.fillDevices(systemDefaultChoice(*host_.audioBackend(), host_.portLayout()));
  tryChoice();
}

std::string SettingsTrial::latencyLine() const {
  if (!choiceRuns()) return {};
  const AudioChoice& running = host_.audioChoice();
  return standalone::latencyLine(running.stream, running.openInputChannels > 0);
}

void SettingsTrial::accept(const std::vector<bool>& midiInputMarks, const std::vector<bool>& midiOutputMarks) {
  StandaloneSettings& settings = host_.settings();
  if (host_.audioRunsWithChannels()) {
    const AudioDeviceInfo* output = form_.output();
    const AudioDeviceInfo* input = form_.input();
    const SettingsChoice choice = form_.choice();
    settings.outputDeviceId = output ? output->id : std::string();
    settings.outputDeviceName = output ? output->name : std::string();
    settings.inputDeviceId = input ? input->id : std::string();
    settings.inputDeviceName = input ? input->name : std::string();
    settings.audioOutputUsed = output != nullptr;
    settings.audioInputUsed = input != nullptr;
    if (output) settings.outputFirstChannel = choice.outputChannels.first + 1;
    if (input) settings.inputFirstChannel = choice.inputChannels.first + 1;
    if (choice.rate) settings.sampleRate = int32_t(choice.rate);
  }
  if (host_.midiBackend()) {
    auto shownMarks = [](const std::vector<MidiPortRow>& rows) {
      std::vector<bool> marks;
      for (const MidiPortRow& row : rows) marks.push_back(row.checked);
      return marks;
    };
    if (midiInputMarks != shownMarks(form_.midiInputs)) {
      MidiSelection kept = midiSelection(form_.midiInputs, midiInputMarks);
      settings.midiPorts = std::move(kept.names);
      settings.midiPortIds = std::move(kept.pairs);
      settings.midiBindAllPorts = false;
      host_.openMidiInputs(kept.openIds, false);
    }
    if (midiOutputMarks != shownMarks(form_.midiOutputs)) {
      MidiSelection kept = midiSelection(form_.midiOutputs, midiOutputMarks);
      settings.midiOutputPorts = std::move(kept.names);
      settings.midiOutputPortIds = std::move(kept.pairs);
      host_.openMidiOutputs(kept.openIds);
    }
  }
  settings.screenAppearance = host_.screenAppearance();
  host_.setTryingChoices(false);  // what runs now is the accepted choice
  accepted_ = true;
}

void SettingsTrial::cancel() {
  if (!accepted_) {
    if (host_.screenAppearance() != openingAppearance_) host_.setScreenAppearance(openingAppearance_, true);
    if (audioChanged_ || apiChanged_) {
      host_.applySettings();
      host_.startAudioWithCurrentChoice();
    }
  }
  audioChanged_ = apiChanged_ = false;
  host_.setTryingChoices(false);
}

}  // namespace strobe95::standalone
