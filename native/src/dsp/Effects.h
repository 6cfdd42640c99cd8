#pragma once
// The stereo effects chain the engine runs once on the sum of all voices: drive, chorus,
// ping-pong delay and plate reverb, each fed by everything before it. It holds its delay
// lines inside itself (about two megabytes), so it is created once, with new.
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

  uint32_t writeIndex_ = 0;  // shared by every delay line
  fx::Chorus chorus_;
  fx::PingPongDelay delay_;
  fx::PlateReverb reverb_;
};

}  // namespace strobe95::gen
