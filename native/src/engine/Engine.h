#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "Arpeggiator.h"
#include "DspInterface.h"
#include "EngineEvent.h"
#include "HeldNote.h"
#include "ParamSpec.h"
#include "ProcessorFactory.h"
#include "SamplePlayback.h"
#include "Voice.h"
#include "VoiceSlot.h"

namespace strobe95 {

inline constexpr int kVoiceCount = 16;
inline constexpr int kRenderChunk = 128;
// A released voice whose output stays at or below this for kSilenceFrames is freed.
inline constexpr float kSilenceThreshold = 1e-5f;
inline constexpr int32_t kSilenceFrames = 1024;
// Velocities above this play at it: the voices' gain is a 0..1 fraction.
inline constexpr double kMaxVelocity = 1.0;

// The sound engine of one active plugin instance: 16 voices, the sample layer, the
// effects and the arpeggiator. Built on the main thread by activate, then used by the
// audio thread alone.
class Engine final : public NoteSink {
 public:
  Engine(int voiceCount, int sampleRate, ProcessorFactory processors = ProcessorFactory::generated());
  ~Engine();

  // outLeft and outRight may be the same buffer: a mono port receives the sum.
  void process(float* outLeft, float* outRight, int32_t frames, const EngineEvent* events, int32_t count);

  void handleEvent(const EngineEvent& event, int32_t position);
  void noteOn(uint32_t key, double velocity) override;
  void noteOff(uint32_t key) override;
  void allNotesOff();
  // Back to the state a newly built engine has, on the audio thread: every voice silent,
  // every tail gone, the arpeggiator and counters at their start. Builds nothing.
  void reset();
  void applyParameters();
  // Takes all 37 values at once, as if they had been in force from the start; for a
  // freshly built engine, before any block.
  void setParameters(const float* values);

  // For tests and tools.
  int sampleRate() const { return sampleRate_; }
  uint64_t sampleCounter() const { return sampleCounter_; }
  const VoiceSlot& voice(int index) const { return voices_[static_cast<size_t>(index)]; }
  int voiceCount() const { return static_cast<int>(voices_.size()); }
  float param(int index) const { return params_[static_cast<size_t>(index)]; }
  double tempo() const { return hostTempo_; }
  float delaySeconds() const { return lastDelaySeconds_; }
  const Arpeggiator& arpeggiator() const { return arp_; }
  // The voice's processor.
  faust::dsp& voiceProcessorForTesting(int index) { return *voices_[static_cast<size_t>(index)].dsp; }

 private:
  void startVoice(VoiceSlot& voice, int32_t key, double velocity);
  void beginNote(VoiceSlot& voice, int32_t key, double velocity);
  void releaseVoice(VoiceSlot& voice);
  VoiceSlot& chooseVoice();
  // Applies the events that take effect at one frame of the block.
  void applyFrame(const EngineEvent* events, int32_t count, int32_t position);
  void renderSegment(float* outLeft, float* outRight, int32_t from, int32_t to);
  void renderSpan(float* outLeft, float* outRight, int32_t from, int32_t to);
  void renderVoices(int32_t from, int32_t to);
  // Renders n frames of one voice into the mix at chunk frame `from`; returns the last
  // frame above the silence threshold, or -1.
  int32_t renderVoice(VoiceSlot& voice, int32_t from, int32_t n);
  // Clears and frees a voice whose output is not finite, before it reaches the mix.
  void silenceBrokenVoice(VoiceSlot& voice);
  // What a new engine starts with beside its processors: default values, nothing pushed
  // to the processors yet, no notes, counters at zero. For the constructor and reset.
  void startFresh();

  using Buffer = std::array<float, kRenderChunk>;

  int sampleRate_;
  std::vector<VoiceSlot> voices_;
  std::span<const SampleData> samples_;  // shared by every engine, never written
  std::unique_ptr<faust::dsp> effects_;
  std::array<float*, kParamCount> effectControls_{};
  float* delaySecondsControl_ = nullptr;
  float lastDelaySeconds_;
  std::array<float, kParamCount> lastPushed_;
  HeldNotes monoStack_;
  bool voiceHasInput_ = false;
  int32_t sampleIndex_ = 0;
  bool sampleKeys_ = true;
  bool mono_ = false;
  uint32_t noteCounter_ = 0;
  Buffer sampleInput_{}, voiceLeft_{}, voiceRight_{}, mixLeft_{}, mixRight_{};
  Buffer effectsInLeft_{}, effectsInRight_{}, effectsOutLeft_{}, effectsOutRight_{};
  Arpeggiator arp_;
  std::array<float, kParamCount> params_;
  double hostTempo_ = 120.0;
  bool arpOn_ = false;
  uint64_t sampleCounter_ = 0;
  uint64_t blockStart_ = 0;
};

}  // namespace strobe95
