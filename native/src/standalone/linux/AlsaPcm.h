#pragma once
// What an ALSA PCM device offers, and one opened for a stream: the small part of
// alsa-lib the audio layer needs.
#include <alsa/asoundlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SampleFormat.h"

namespace strobe95::standalone::linux_standalone {

struct PcmCapabilities {
  uint32_t channels = 0;          // the most it takes; 0 when it cannot be opened this way
  std::vector<uint32_t> rates;    // of the usual ones, those it takes
  uint32_t minPeriod = 0, maxPeriod = 0;
};

// Probes a device in one direction without keeping it open.
PcmCapabilities probePcm(const std::string& device, snd_pcm_stream_t direction);

// The devices to offer: "default", then "hw:CARD=<id>,DEV=<n>" for each hardware PCM,
// with the names a user knows them by.
struct PcmDevice {
  std::string id;
  std::string name;
};
std::vector<PcmDevice> listPcmDevices();

// One direction of a running stream, in the sample format the device takes.
class PcmStream {
 public:
  PcmStream() = default;
  ~PcmStream() { close(); }
  PcmStream(const PcmStream&) = delete;
  PcmStream& operator=(const PcmStream&) = delete;

  // Opens and configures; false with the reason in `error`.
  bool open(const std::string& device, snd_pcm_stream_t direction, uint32_t channels, uint32_t rate,
            uint32_t period, std::string& error);
  void close();
  bool isOpen() const { return pcm_ != nullptr; }
  uint32_t rate() const { return rate_; }
  uint32_t period() const { return period_; }
  uint32_t channels() const { return channels_; }

  // Render thread. Planar floats to and from the device's interleaved format, one period
  // at a time; an xrun is recovered. False when the device failed for good.
  bool write(const float* const* planes, uint32_t frames);
  bool read(float* const* planes, uint32_t frames);
  bool prepare();

 private:
  snd_pcm_t* pcm_ = nullptr;
  SampleFormat format_ = SampleFormat::Unusable;
  uint32_t channels_ = 0, rate_ = 0, period_ = 0;
  std::vector<uint8_t> interleaved_;  // one period, sized at open
};

}  // namespace strobe95::standalone::linux_standalone
