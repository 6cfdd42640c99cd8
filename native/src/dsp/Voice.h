#pragma once
// One synthesizer voice: supersaw, pulse pair, sub, noise and the sample layer's input,
// mixed to stereo, through the normal or the acid filter and the amplitude envelope.
// The engine finds its controls by label and writes them between compute calls.
#include <cstdint>
#include <span>

#include "AmpEnvelope.h"
#include "DiodeLadder.h"
#include "DspInterface.h"
#include "FilterEnvelope.h"
#include "GateTracker.h"
#include "HooverScoop.h"
#include "LatticeFilter.h"
#include "NoiseGenerator.h"
#include "PulsePair.h"
#include "QuadratureOscillator.h"
#include "Supersaw.h"

namespace strobe95::gen {

class Voice final : public faust::dsp {
 public:
  int getNumInputs() override { return 1; }
  int getNumOutputs() override { return 2; }
  void instanceConstants(int sampleRate) override;
  void instanceResetUserInterface() override;
  void instanceClear() override;
  void init(int sampleRate) override { instanceInit(sampleRate); }
  void instanceInit(int sampleRate) override;
  faust::dsp* clone() override { return new Voice(*this); }
  int getSampleRate() override { return sampleRate_; }
  void buildUserInterface(faust::UI* ui) override;
  // inputs[0]: the sample layer; outputs[0], outputs[1]: left and right, overwritten.
  void compute(int count, float** inputs, float** outputs) override;

  // Tests only: forces the smoothed gain, the state that scales the whole output, so a
  // test can make the voice's output non-finite and watch the engine contain it.
  void forceGainStateForTesting(float gain) { smoothedGain_ = gain; }

 private:
  // What the engine writes; the defaults, ranges and order live in the control table.
  struct Controls {
    float acidFilter = 0.0f;
    float attack = 0.0f;
    float cutoff = 0.0f;
    float decay = 0.0f;
    float detune = 0.0f;
    float envAmount = 0.0f;
    float filterDecay = 0.0f;
    float freq = 0.0f;
    float gain = 0.0f;
    float gate = 0.0f;
    float glide = 0.0f;
    float hoover = 0.0f;
    float keyTrack = 0.0f;
    float noise = 0.0f;
    float pwm = 0.0f;
    float release = 0.0f;
    float resonance = 0.0f;
    float sampleLevel = 0.0f;
    float sub = 0.0f;
    float supersaw = 0.0f;
    float sustain = 0.0f;
    float width = 0.0f;
  };

  struct ControlSpec;
  static std::span<const ControlSpec> controlSpecs();

  struct BlockCoefficients;
  BlockCoefficients blockCoefficients() const;

  // compute runs in chunks of this many frames, in three passes over each: the envelopes,
  // pitch and filter coefficients, then the sources and their mix, then both filters.
  // Apart, each loop is short enough for the processor to overlap many samples' work.
  static constexpr int kChunkFrames = 128;
  // One set more than frames, as the first may be the one kept from the last call; and
  // room for the widest computation's lanes past the last.
  static constexpr int kSetCapacity = kChunkFrames + 8;
  struct Chunk {
    lanes::Float4 filterInput[kChunkFrames];
    // The gate's clocks and edges, both envelopes' levels and the scoop's shape.
    float sinceRise[kChunkFrames];
    float sinceRelease[kChunkFrames];
    bool rose[kChunkFrames];
    float filterLevel[kChunkFrames];
    float ampLevel[kChunkFrames];
    float scoop[kChunkFrames];
    float pitch[kChunkFrames];
    float outputScale[kChunkFrames];
    // The coefficient set each frame uses; a new set only where the cutoff moved.
    uint8_t coefficientSet[kChunkFrames];
    float setCutoff[kSetCapacity];
    voice::LatticeSets<kSetCapacity> lattice;
    voice::DiodeLadderMatrix ladder[kSetCapacity];
  };
  void modulateChunk(const BlockCoefficients& b, int count);
  // The coefficient sets from `from` up to `to`, from their cutoffs.
  void coefficientSets(const BlockCoefficients& b, int from, int to);
  // fresh: the chunk starts the first sample after a clear.
  void sourcesChunk(const BlockCoefficients& b, int count, bool fresh, const float* sampleIn);
  void filterChunk(const BlockCoefficients& b, int count, float* left, float* right);

  Controls controls_;

  // Set from the sample rate.
  int sampleRate_ = 0;
  float fs_ = 48000.0f;
  float invFs_ = 1.0f / 48000.0f;
  float nyquist_ = 24000.0f;  // the oscillators' highest working frequency
  float piOverFs_ = 0.0f;
  float subCoefficientScale_ = 0.0f;  // (π/2)/fs: the sub runs an octave below the pitch
  float gainPole_ = 0.0f;
  voice::ScoopTiming scoopTiming_;
  voice::PulseTiming pulseTiming_;
  voice::FilterEnvelopeShape filterEnvelopeTiming_;  // its decay part is set per block

  // Signal state.
  bool running_ = false;  // false only until the first sample after a clear
  float glidedFrequency_ = 0.0f;
  voice::GateTracker gateTracker_;
  voice::FilterEnvelope filterEnvelope_;
  voice::NoiseGenerator noise_;
  voice::HooverScoop scoop_;
  voice::Supersaw supersaw_;
  voice::PulsePair pulses_;
  voice::PulseLines pulseLines_;
  voice::QuadratureOscillators quadrature_;  // lane 0: the PWM LFO, lane 1: the sub
  voice::LatticeLowpass normal_;
  voice::DiodeLadder acid_;
  voice::AmpEnvelope ampEnvelope_;
  float smoothedGain_ = 0.0f;

  // Audio thread only: what prepareChunk hands to filterChunk, no state between calls.
  Chunk chunk_;
  // Audio thread only: what the last sample's cutoff and pitch gave, kept across compute
  // calls, so a settled note computes neither again; with what else they depend on.
  struct Derived {
    float cutoff = -1.0f;
    float resonance = -1.0f;
    voice::LatticeStepCoefficients lattice{};
    voice::DiodeLadderMatrix ladder{};
    float pitch = -1.0f;
    float detune = -1.0f;
    float subCoefficient = 0.0f;
  };
  Derived derived_;
};

}  // namespace strobe95::gen
