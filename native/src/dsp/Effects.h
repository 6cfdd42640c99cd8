#pragma once
// The stereo effects chain the engine runs once on the sum of all voices: drive, chorus,
// ping-pong delay and plate reverb, each fed by everything before it. It holds its delay
// lines inside itself (about two megabytes), so it is created once, with new.
//
// Once its input has been silent and everything it still holds (echoes, the plate's tank)
// has stayed below −120 dBFS for a whole delay and plate tail, it goes to sleep: it writes
// zeros and computes nothing until a frame of input or a control change wakes it, with
// its state as it was (the chorus sweep alone moves on, as it would have).
#include <cstdint>

#include "Chorus.h"
#include "Drive.h"
#include "DspInterface.h"
#include "PingPongDelay.h"
#include "PlateReverb.h"

namespace strobe95::gen {

class Effects final : public faust::dsp {
 public:
  int getNumInputs() override { return 2; }
  int getNumOutputs() override { return 2; }
  void instanceConstants(int sampleRate) override;
  void instanceResetUserInterface() override;
  void instanceClear() override;
  void init(int sampleRate) override { instanceInit(sampleRate); }
  void instanceInit(int sampleRate) override;
  faust::dsp* clone() override { return new Effects(*this); }
  int getSampleRate() override { return sampleRate_; }
  void buildUserInterface(faust::UI* ui) override;
  void compute(int count, float** inputs, float** outputs) override;

  bool asleep() const { return asleep_; }

 private:
  // Everything the per-sample loop needs that depends only on the controls.
  struct BlockCoefficients {
    fx::DriveGains drive;
    float dryGain;    // the dry share left beside the chorus
    float chorusGain;
    fx::PingPongSettings delay;
    float delayMix;
    fx::PlateSettings reverb;
    float reverbMix;
  };
  BlockCoefficients blockCoefficients() const;
  // Renders the frames; with kMeasure, returns the largest echo, tank or output magnitude.
  template <bool kMeasure>
  float run(int count, const float* inLeft, const float* inRight, float* outLeft, float* outRight);
  // How long everything must stay quiet before the chain sleeps, in frames.
  int64_t tailFrames() const;

  // The controls, under their labels' names. Written by the engine between compute calls
  // through the addresses buildUserInterface reports; read once per block, never clamped.
  struct Controls {
    float chorus = 0.0f;
    float delayFeedback = 0.0f;
    float delayMix = 0.0f;
    float delaySeconds = 0.0f;
    float delayTone = 0.0f;
    float drive = 0.0f;
    float reverbDamp = 0.0f;
    float reverbMix = 0.0f;
    float reverbSize = 0.0f;
  };

  Controls controls_;
  int sampleRate_ = 0;
  float fs_ = 48000.0f;

  bool asleep_ = false;
  int64_t quietFrames_ = 0;  // consecutive frames of silent input and quiet tails
  Controls sleptControls_;   // the controls when it fell asleep; any change wakes it

  uint32_t writeIndex_ = 0;  // shared by every delay line
  fx::Chorus chorus_;
  fx::PingPongDelay delay_;
  fx::PlateReverb reverb_;
};

}  // namespace strobe95::gen
