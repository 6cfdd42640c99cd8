#include "AlsaPcm.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace strobe95::standalone::linux_standalone {
namespace {

constexpr std::array<uint32_t, 6> kUsualRates = {44100, 48000, 88200, 96000, 176400, 192000};
constexpr uint32_t kPeriods = 3;  // a period being played, one ready, one being rendered

// The formats the host converts, best first, with ALSA's name for each.
struct FormatPair {
  snd_pcm_format_t alsa;
  SampleFormat ours;
};
constexpr std::array<FormatPair, 4> kFormats = {{{SND_PCM_FORMAT_FLOAT_LE, SampleFormat::Float32},
                                                 {SND_PCM_FORMAT_S32_LE, SampleFormat::Pcm32},
                                                 {SND_PCM_FORMAT_S24_3LE, SampleFormat::Pcm24},
                                                 {SND_PCM_FORMAT_S16_LE, SampleFormat::Pcm16}}};

class HwParams {
 public:
  HwParams() { snd_pcm_hw_params_malloc(&params_); }
  ~HwParams() { snd_pcm_hw_params_free(params_); }
  HwParams(const HwParams&) = delete;
  HwParams& operator=(const HwParams&) = delete;
  snd_pcm_hw_params_t* get() const { return params_; }

 private:
  snd_pcm_hw_params_t* params_ = nullptr;
};

std::string alsaError(const char* what, int code) { return std::string(what) + ": " + snd_strerror(code); }

}  // namespace

PcmCapabilities probePcm(const std::string& device, snd_pcm_stream_t direction) {
  PcmCapabilities caps;
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, device.c_str(), direction, SND_PCM_NONBLOCK) < 0) return caps;
  HwParams params;
  if (snd_pcm_hw_params_any(pcm, params.get()) >= 0) {
    unsigned int channels = 0;
    if (snd_pcm_hw_params_get_channels_max(params.get(), &channels) >= 0) caps.channels = std::min(channels, 64u);
    for (uint32_t rate : kUsualRates) {
      if (snd_pcm_hw_params_test_rate(pcm, params.get(), rate, 0) == 0) caps.rates.push_back(rate);
    }
    snd_pcm_uframes_t low = 0, high = 0;
    int dir = 0;
    if (snd_pcm_hw_params_get_period_size_min(params.get(), &low, &dir) >= 0 &&
        snd_pcm_hw_params_get_period_size_max(params.get(), &high, &dir) >= 0) {
      caps.minPeriod = uint32_t(std::clamp<snd_pcm_uframes_t>(low, 16, 8192));
      caps.maxPeriod = uint32_t(std::clamp<snd_pcm_uframes_t>(high, caps.minPeriod, 8192));
    }
  }
  snd_pcm_close(pcm);
  return caps;
}

std::vector<PcmDevice> listPcmDevices() {
  std::vector<PcmDevice> devices{{"default", "Default device"}};
  int card = -1;
  while (snd_card_next(&card) >= 0 && card >= 0) {
    snd_ctl_t* control = nullptr;
    if (snd_ctl_open(&control, ("hw:" + std::to_string(card)).c_str(), 0) < 0) continue;
    snd_ctl_card_info_t* info = nullptr;
    snd_ctl_card_info_malloc(&info);
    if (snd_ctl_card_info(control, info) >= 0) {
      const std::string cardId = snd_ctl_card_info_get_id(info);
      const std::string cardName = snd_ctl_card_info_get_name(info);
      int device = -1;
      snd_pcm_info_t* pcmInfo = nullptr;
      snd_pcm_info_malloc(&pcmInfo);
      while (snd_ctl_pcm_next_device(control, &device) >= 0 && device >= 0) {
        snd_pcm_info_set_device(pcmInfo, unsigned(device));
        snd_pcm_info_set_subdevice(pcmInfo, 0);
        std::string name = cardName;
        for (snd_pcm_stream_t direction : {SND_PCM_STREAM_PLAYBACK, SND_PCM_STREAM_CAPTURE}) {
          snd_pcm_info_set_stream(pcmInfo, direction);
          if (snd_ctl_pcm_info(control, pcmInfo) >= 0) {
            name = cardName + ": " + snd_pcm_info_get_name(pcmInfo);
            break;
          }
        }
        devices.push_back({"hw:CARD=" + cardId + ",DEV=" + std::to_string(device), name});
      }
      snd_pcm_info_free(pcmInfo);
    }
    snd_ctl_card_info_free(info);
    snd_ctl_close(control);
  }
  return devices;
}

bool PcmStream::open(const std::string& device, snd_pcm_stream_t direction, uint32_t channels, uint32_t rate,
                     uint32_t period, std::string& error) {
  close();
  int code = snd_pcm_open(&pcm_, device.c_str(), direction, 0);
  if (code < 0) {
    pcm_ = nullptr;
    error = alsaError(("ALSA could not open " + device).c_str(), code);
    return false;
  }
  HwParams params;
  snd_pcm_hw_params_any(pcm_, params.get());
  snd_pcm_hw_params_set_access(pcm_, params.get(), SND_PCM_ACCESS_RW_INTERLEAVED);
  format_ = SampleFormat::Unusable;
  for (const FormatPair& pair : kFormats) {
    if (snd_pcm_hw_params_set_format(pcm_, params.get(), pair.alsa) == 0) {
      format_ = pair.ours;
      break;
    }
  }
  unsigned int actualRate = rate;
  snd_pcm_uframes_t periodFrames = period;
  snd_pcm_uframes_t bufferFrames = period * kPeriods;
  int dir = 0;
  if (format_ == SampleFormat::Unusable) {
    error = device + " takes none of the sample formats the host converts.";
  } else if ((code = snd_pcm_hw_params_set_channels(pcm_, params.get(), channels)) < 0) {
    error = alsaError((device + " does not take " + std::to_string(channels) + " channels").c_str(), code);
  } else if ((code = snd_pcm_hw_params_set_rate_near(pcm_, params.get(), &actualRate, &dir)) < 0 ||
             (code = snd_pcm_hw_params_set_period_size_near(pcm_, params.get(), &periodFrames, &dir)) < 0 ||
             (code = snd_pcm_hw_params_set_buffer_size_near(pcm_, params.get(), &bufferFrames)) < 0 ||
             (code = snd_pcm_hw_params(pcm_, params.get())) < 0) {
    error = alsaError(("ALSA could not set up " + device).c_str(), code);
  } else {
    snd_pcm_hw_params_get_period_size(params.get(), &periodFrames, &dir);
    channels_ = channels;
    rate_ = actualRate;
    period_ = uint32_t(periodFrames);
    interleaved_.assign(size_t(period_) * channels_ * bytesPerSample(format_), 0);
    return true;
  }
  close();
  return false;
}

void PcmStream::close() {
  if (pcm_) snd_pcm_close(pcm_);
  pcm_ = nullptr;
}

bool PcmStream::prepare() { return pcm_ && snd_pcm_prepare(pcm_) >= 0; }

bool PcmStream::write(const float* const* planes, uint32_t frames) {
  const ChannelWindow window{format_, channels_, 0, channels_};
  writeDeviceFrames(planes, frames, window, interleaved_.data());
  const uint8_t* at = interleaved_.data();
  const uint32_t frameBytes = channels_ * bytesPerSample(format_);
  while (frames > 0) {
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm_, at, frames);
    if (written == -EAGAIN) continue;
    if (written < 0) {
      // An underrun (or a resumed suspend) is recovered; anything else ends the stream.
      if (snd_pcm_recover(pcm_, int(written), 1) < 0) return false;
      continue;
    }
    frames -= uint32_t(written);
    at += size_t(written) * frameBytes;
  }
  return true;
}

bool PcmStream::read(float* const* planes, uint32_t frames) {
  uint8_t* at = interleaved_.data();
  const uint32_t bytes = bytesPerSample(format_);
  uint32_t left = frames;
  while (left > 0) {
    const snd_pcm_sframes_t got = snd_pcm_readi(pcm_, at, left);
    if (got == -EAGAIN) continue;
    if (got < 0) {
      if (snd_pcm_recover(pcm_, int(got), 1) < 0) return false;
      continue;
    }
    left -= uint32_t(got);
    at += size_t(got) * channels_ * bytes;
  }
  for (uint32_t f = 0; f < frames; ++f) {
    for (uint32_t c = 0; c < channels_; ++c) {
      planes[c][f] = decodeSample(interleaved_.data() + (size_t(f) * channels_ + c) * bytes, format_);
    }
  }
  return true;
}

}  // namespace strobe95::standalone::linux_standalone
