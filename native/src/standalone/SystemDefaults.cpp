#include "SystemDefaults.h"

#include <algorithm>

#include "DeviceChoice.h"

namespace strobe95::standalone {

AudioChoice systemDefaultChoice(AudioBackend& backend, const PortLayout& layout) {
  const auto& devices = backend.devices();
  const AudioDeviceInfo* output = findDeviceById(devices, backend.defaultOutputDevice());
  if (output && output->outputChannels == 0) output = nullptr;
  const AudioDeviceInfo* input = findDeviceById(devices, backend.defaultInputDevice());
  if (input && (input->inputChannels == 0 || input->isMicrophone)) input = nullptr;

  const bool monoInput = layout.mainInput >= 0 && layout.channels[uint32_t(layout.mainInput)] == 1;
  const ChannelChoice outputChannels = storedChannelChoice(output ? output->outputChannels : 0, false, 0);
  const ChannelChoice inputChannels = storedChannelChoice(input ? input->inputChannels : 0, monoInput, 0);
  AudioChoice choice;
  choice.outputDeviceId = output ? output->id : std::string();
  choice.inputDeviceId = input ? input->id : std::string();
  choice.outputUsed = output != nullptr;
  choice.inputUsed = input != nullptr;
  choice.firstOutputChannel = outputChannels.first;
  choice.firstInputChannel = inputChannels.first;
  choice.outputChannels = std::max<uint32_t>(1, outputChannels.count);
  choice.inputChannels = std::max<uint32_t>(1, inputChannels.count);
  choice.sampleRate = output ? int32_t(output->currentRate) : 0;
  choice.bufferSize = kDefaultBufferFrames;
  return choice;
}

bool chooseSystemDefaults(StandaloneHost& host) {
  AudioChoice& choice = host.audioChoice();
  if (!host.audioBackend() && !host.selectAudioApi(choice.apiName)) return false;
  AudioBackend* backend = host.audioBackend();
  if (!backend) return false;
  AudioChoice defaults = systemDefaultChoice(*backend, host.portLayout());
  // What runs now stays known: the defaults are only a choice until audio starts on them.
  defaults.apiName = choice.apiName;
  defaults.openInputChannels = choice.openInputChannels;
  defaults.openOutputChannels = choice.openOutputChannels;
  defaults.stream = choice.stream;
  choice = defaults;
  return true;
}

}  // namespace strobe95::standalone
