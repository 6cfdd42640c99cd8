#include "SystemDefaults.h"

#include <algorithm>

#include "DeviceChoice.h"

namespace strobe95::standalone {

bool chooseSystemDefaults(StandaloneHost& host) {
  AudioChoice& choice = host.audioChoice();
  if (!host.audioBackend() && !host.selectAudioApi(choice.apiName)) return false;
  AudioBackend* backend = host.audioBackend();
  if (!backend) return false;
  StandaloneSettings& settings = host.settings();
  settings.inputDeviceId.clear();
  settings.inputDeviceName.clear();
  settings.outputDeviceId.clear();
  settings.outputDeviceName.clear();

  const auto& devices = backend->devices();
  const AudioDeviceInfo* output = findDeviceById(devices, backend->defaultOutputDevice());
  if (output && output->outputChannels == 0) output = nullptr;
  const AudioDeviceInfo* input = findDeviceById(devices, backend->defaultInputDevice());
  if (input && (input->inputChannels == 0 || input->isMicrophone)) input = nullptr;

  const PortLayout& layout = host.portLayout();
  const bool monoInput = layout.mainInput >= 0 && layout.channels[uint32_t(layout.mainInput)] == 1;
  const ChannelChoice outputChannels = storedChannelChoice(output ? output->outputChannels : 0, false, 0);
  const ChannelChoice inputChannels = storedChannelChoice(input ? input->inputChannels : 0, monoInput, 0);
  choice.outputDeviceId = output ? output->id : std::string();
  choice.inputDeviceId = input ? input->id : std::string();
  choice.outputUsed = settings.audioOutputUsed && output;
  choice.inputUsed = settings.audioInputUsed && input;
  choice.firstOutputChannel = outputChannels.first;
  choice.firstInputChannel = inputChannels.first;
  choice.outputChannels = std::max<uint32_t>(1, outputChannels.count);
  choice.inputChannels = std::max<uint32_t>(1, inputChannels.count);
  choice.sampleRate = output ? int32_t(output->currentRate) : 0;
  choice.bufferSize = kDefaultBufferFrames;
  return true;
}

}  // namespace strobe95::standalone
