#include "Voice.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace strobe95::gen {

using namespace voice;

namespace {

// How many coefficient sets are computed side by side.
#if defined(__AVX__)
using CoefficientLanes = lanes::Float8;
#else
using CoefficientLanes = lanes::Float4;
#endif

// Rates outside this range are not audio; the constants stay finite for any rate given.
constexpr float kMinSampleRate = 50.0f;
constexpr float kMaxSampleRate = 192000.0f;
// Velocity changes glide with a 2 ms time constant while the voice sounds.
constexpr float kGainSmoothingRate = 500.0f;
// Leaves headroom for many voices summed before the effects.
constexpr float kOutputLevel = 0.35f;

// Glide time constant: 0.5 s at full glide on a square law, so the lower half of the
// control's travel stays short; the floor keeps "no glide" a few samples long.
constexpr float kGlideSpan = 0.5f;
constexpr float kGlideFloor = 0.00001f;
// Below this the time constant rounds to nothing and the pole is taken as 0.
constexpr float kFloatEpsilon = 1.1920929e-7f;

// At full amount the envelope's peak multiplies the cutoff by 9.
constexpr float kEnvelopeCutoffRange = 8.0f;
// Key tracking is relative to middle C (1/261.63 Hz).
constexpr float kInvKeyTrackCentre = 0.0038221916f;
constexpr float kMinCutoff = 30.0f;
constexpr float kMaxCutoff = 16000.0f;
// The warp's angle stays below 0.998·π/2, so tan() stays finite whatever the rate.
constexpr float kMinWarpFrequency = 20.0f;
constexpr float kMaxWarpAngle = 1.5676547f;

// Full noise peaks at half scale, level with a single saw.
constexpr float kNoiseLevel = 0.5f;
// The seven saws sum to about 2.6 times one saw's level at full width.
constexpr float kSupersawLevel = 0.25f;
// Each channel's share of its own pulse and of the other channel's: at width 0 each side
// has one pulse, at width 1 both sides have the same even mix.
constexpr float kPulseLevel = 0.25f;
constexpr float kPulseCrossLevel = 0.125f;

}  // namespace

struct Voice::ControlSpec {
  enum class Kind { CheckButton, Button, Slider };
  const char* label;
  Kind kind;
  float Controls::*field;
  float init;
  float min;
  float max;
  float step;
};

std::span<const Voice::ControlSpec> Voice::controlSpecs() {
  using K = ControlSpec::Kind;
  static constexpr std::array<ControlSpec, 22> kSpecs = {{
      {"acid_filter", K::CheckButton, &Controls::acidFilter, 0.0f, 0.0f, 1.0f, 1.0f},
      {"attack", K::Slider, &Controls::attack, 0.005f, 0.001f, 4.0f, 0.001f},
      {"cutoff", K::Slider, &Controls::cutoff, 1800.0f, 40.0f, 16000.0f, 1.0f},
      {"decay", K::Slider, &Controls::decay, 0.3f, 0.001f, 4.0f, 0.001f},
      {"detune", K::Slider, &Controls::detune, 0.3f, 0.0f, 1.0f, 0.01f},
      {"env_amount", K::Slider, &Controls::envAmount, 0.5f, 0.0f, 1.0f, 0.01f},
      {"filter_decay", K::Slider, &Controls::filterDecay, 0.25f, 0.005f, 4.0f, 0.001f},
      {"freq", K::Slider, &Controls::freq, 220.0f, 20.0f, 8000.0f, 0.01f},
      {"gain", K::Slider, &Controls::gain, 0.5f, 0.0f, 1.0f, 0.01f},
      {"gate", K::Button, &Controls::gate, 0.0f, 0.0f, 1.0f, 1.0f},
      {"glide", K::Slider, &Controls::glide, 0.0f, 0.0f, 1.0f, 0.001f},
      {"hoover", K::Slider, &Controls::hoover, 0.0f, 0.0f, 1.0f, 0.01f},
      {"key_track", K::Slider, &Controls::keyTrack, 0.0f, 0.0f, 1.0f, 0.01f},
      {"noise", K::Slider, &Controls::noise, 0.0f, 0.0f, 1.0f, 0.01f},
      {"pwm", K::Slider, &Controls::pwm, 0.0f, 0.0f, 1.0f, 0.01f},
      {"release", K::Slider, &Controls::release, 0.3f, 0.001f, 6.0f, 0.001f},
      {"resonance", K::Slider, &Controls::resonance, 0.2f, 0.0f, 0.98f, 0.01f},
      {"sample_level", K::Slider, &Controls::sampleLevel, 0.0f, 0.0f, 1.0f, 0.01f},
      {"sub", K::Slider, &Controls::sub, 0.3f, 0.0f, 1.0f, 0.01f},
      {"supersaw", K::Slider, &Controls::supersaw, 0.8f, 0.0f, 1.0f, 0.01f},
      {"sustain", K::Slider, &Controls::sustain, 0.7f, 0.0f, 1.0f, 0.01f},
      {"width", K::Slider, &Controls::width, 0.5f, 0.0f, 1.0f, 0.01f},
  }};
  return kSpecs;
}

// Everything that depends only on the controls, once per compute call.
struct Voice::BlockCoefficients {
  float glidePole;
  float glideInput;        // (1 − glidePole)·freq
  FilterEnvelopeShape filterEnvelope;
  float envelopeDepth;     // cutoff multiplier added at the envelope's peak
  float noiseGain;
  float supersawGain;
  float scoopDepth;
  float subGain;
  float sampleGain;
  float pulseGain;         // fs·pwm: undoes the pulses' 1/fs scale
  SupersawLayout supersaw;
  float pulseNear;
  float pulseFar;
  LatticeResonance latticeResonance;
  DiodeLadderResonance ladderResonance;
  AmpEnvelopeShape amp;
  float gainInput;         // gain·(1 − gainPole)
  bool acid;
};

void Voice::instanceConstants(int sampleRate) {
  sampleRate_ = sampleRate;
  fs_ = std::clamp(static_cast<float>(sampleRate), kMinSampleRate, kMaxSampleRate);
  invFs_ = 1.0f / fs_;
  nyquist_ = 0.5f * fs_;
  piOverFs_ = std::numbers::pi_v<float> / fs_;
  subCoefficientScale_ = 0.5f * std::numbers::pi_v<float> / fs_;
  gainPole_ = std::exp(-kGainSmoothingRate / fs_);
  scoopTiming_ = ScoopTiming::at(fs_);
  pulseTiming_ = PulseTiming::at(fs_);
  filterEnvelopeTiming_.attackLength = std::max(1.0f, kFilterAttackSeconds * fs_);
  filterEnvelopeTiming_.attackInv = 1.0f / filterEnvelopeTiming_.attackLength;
  derived_ = Derived{};
}

void Voice::instanceResetUserInterface() {
  for (const ControlSpec& control : controlSpecs()) controls_.*control.field = control.init;
}

void Voice::instanceClear() {
  running_ = false;
  glidedFrequency_ = 0.0f;
  gateTracker_.clear();
  filterEnvelope_.clear();
  noise_.clear();
  scoop_.clear();
  supersaw_.clear();
  pulses_.clear();
  pulseLines_.clear();
  quadrature_.clear();
  normal_.clear();
  acid_.clear();
  ampEnvelope_.clear();
  smoothedGain_ = 0.0f;
  derived_ = Derived{};
}

void Voice::instanceInit(int sampleRate) {
  instanceConstants(sampleRate);
  instanceResetUserInterface();
  instanceClear();
}

void Voice::buildUserInterface(faust::UI* ui) {
  ui->openVerticalBox("STROBE-95");
  for (const ControlSpec& control : controlSpecs()) {
    float* zone = &(controls_.*control.field);
    switch (control.kind) {
      case ControlSpec::Kind::CheckButton: ui->addCheckButton(control.label, zone); break;
      case ControlSpec::Kind::Button: ui->addButton(control.label, zone); break;
      case ControlSpec::Kind::Slider:
        ui->addHorizontalSlider(control.label, zone, control.init, control.min, control.max, control.step);
        break;
    }
  }
  ui->closeBox();
}

Voice::BlockCoefficients Voice::blockCoefficients() const {
  const Controls& c = controls_;
  BlockCoefficients b;
  const float tau = kGlideSpan * c.glide * c.glide + kGlideFloor;
  b.glidePole = std::fabs(tau) < kFloatEpsilon ? 0.0f : std::exp(-invFs_ / tau);
  b.glideInput = (1.0f - b.glidePole) * c.freq;

  b.filterEnvelope = filterEnvelopeTiming_;
  b.filterEnvelope.decayRate = 1.0f / std::max(1.0f, fs_ * c.filterDecay);
  b.envelopeDepth = kEnvelopeCutoffRange * c.envAmount;

  b.noiseGain = kNoiseLevel * c.noise;
  b.supersawGain = kSupersawLevel * c.supersaw;
  b.scoopDepth = kScoopDepth * c.hoover;
  b.subGain = c.sub;
  b.sampleGain = c.sampleLevel;
  b.pulseGain = fs_ * c.pwm;

  b.supersaw = makeSupersawLayout(c.detune, c.width);
  b.pulseNear = kPulseLevel * (1.0f - 0.5f * c.width);
  b.pulseFar = kPulseCrossLevel * c.width;

  b.latticeResonance = LatticeResonance::at(c.resonance);
  b.ladderResonance = DiodeLadderResonance::at(c.resonance);
  b.amp = AmpEnvelopeShape::make(c.attack, c.decay, c.sustain, c.release, fs_);
  b.gainInput = c.gain * (1.0f - gainPole_);
  b.acid = std::trunc(c.acidFilter) != 0.0f;
  return b;
}

namespace {

// std::fmin(x, limit) for a finite limit, without the library call: a NaN gives the limit.
float limitTo(float x, float limit) { return x < limit ? x : limit; }

}  // namespace

void Voice::compute(int count, float** inputs, float** outputs) {
  if (count < 1) return;
  const BlockCoefficients b = blockCoefficients();
  for (int done = 0; done < count; done += kChunkFrames) {
    const int n = std::min(kChunkFrames, count - done);
    const bool fresh = !running_;
    running_ = true;
    modulateChunk(b, n);
    sourcesChunk(b, n, fresh, inputs[0] + done);
    filterChunk(b, n, outputs[0] + done, outputs[1] + done);
  }
}

void Voice::modulateChunk(const BlockCoefficients& b, int count) {
  // The gate's clocks first, then both envelopes from them. The gate control holds
  // through a compute call, so a note can start only on a chunk's first sample.
  const float ampBefore = ampEnvelope_.level();
  const bool trigger = gateTracker_.run(controls_.gate, count, chunk_.rose, chunk_.sinceRise, chunk_.sinceRelease);
  filterEnvelope_.render(trigger, chunk_.sinceRise, chunk_.sinceRelease, b.filterEnvelope, chunk_.filterLevel, count);
  ampEnvelope_.render(trigger, chunk_.sinceRise, chunk_.sinceRelease, b.amp, chunk_.ampLevel, count);
  scoop_.run(chunk_.rose, count, scoopTiming_, chunk_.scoop);

  // The filter coefficients are recomputed only when the cutoff moves, which a settled
  // note's does not, or when the resonance did. This loop only gathers the cutoffs that
  // need a set; the sets are computed after it, many side by side.
  float lastCutoff = -1.0f;
  int set = -1;
  if (derived_.resonance == controls_.resonance) {
    lastCutoff = derived_.cutoff;
    set = 0;
    chunk_.lattice.put(0, derived_.lattice);
    chunk_.ladder[0] = derived_.ladder;
  }
  const int firstNewSet = set + 1;

  // The loops work on local copies of the stages they step, which the compiler keeps in
  // registers: it cannot tell the members apart from the chunk's arrays.
  float glided = glidedFrequency_;
  bool glideSettled = false;
  float smoothedGain = smoothedGain_;
  bool gainSettled = false;
  float trackedFrequency = -1.0f;
  float keyTrack = 1.0f;
  for (int i = 0; i < count; ++i) {
    // The working frequency stays at or below half the rate, where the saws' wrap
    // correction and the sub's recursion hold; no key 0..127 reaches it from 44.1 kHz up.
    // A frequency that is not a number also becomes the limit.
    // Once a step leaves the frequency where it was, every later one does: the glide
    // has settled and its chain of dependent steps ends.
    if (!glideSettled) {
      const float next = limitTo(flushDenormal(b.glidePole * glided + b.glideInput), nyquist_);
      glideSettled = next == glided;
      glided = next;
    }

    if (controls_.keyTrack != 0.0f && glided != trackedFrequency) {
      trackedFrequency = glided;
      keyTrack = std::pow(glided * kInvKeyTrackCentre, controls_.keyTrack);
    }
    const float cutoff = std::clamp(controls_.cutoff * keyTrack * (1.0f + b.envelopeDepth * chunk_.filterLevel[i]),
                                    kMinCutoff, kMaxCutoff);
    if (cutoff != lastCutoff) {
      lastCutoff = cutoff;
      chunk_.setCutoff[++set] = cutoff;
    }
    chunk_.coefficientSet[i] = static_cast<uint8_t>(set);

    chunk_.pitch[i] = limitTo((1.0f - b.scoopDepth * chunk_.scoop[i]) * glided, nyquist_);

    // A silent voice takes a new velocity at once; a sounding one glides to it.
    const bool wasSounding = (i == 0 ? ampBefore : chunk_.ampLevel[i - 1]) > 0.0f;
    // The smoothing settles like the glide.
    if (!wasSounding) {
      smoothedGain = controls_.gain;
      gainSettled = false;
    } else if (!gainSettled) {
      const float next = flushDenormal(smoothedGain * gainPole_ + b.gainInput);
      gainSettled = next == smoothedGain;
      smoothedGain = next;
    }
    chunk_.outputScale[i] = kOutputLevel * chunk_.ampLevel[i] * smoothedGain;
  }
  glidedFrequency_ = glided;
  smoothedGain_ = smoothedGain;
  coefficientSets(b, firstNewSet, set + 1);
  derived_.cutoff = lastCutoff;
  derived_.resonance = controls_.resonance;
  derived_.lattice = chunk_.lattice.step(set, set);
  derived_.ladder = chunk_.ladder[set];
}

void Voice::coefficientSets(const BlockCoefficients& b, int from, int to) {
  using V = CoefficientLanes;
  constexpr int kLanes = lanes::kWidth<V>;
  for (int first = from; first < to; first += kLanes) {
    const int n = std::min(kLanes, to - first);
    // Lanes past the last set repeat it; what they give lands past it and is never read.
    V cutoff;
    for (int i = 0; i < kLanes; ++i) cutoff[i] = chunk_.setCutoff[first + std::min(i, n - 1)];
    const auto all = [](float x) { return lanes::splatTo<V>(x); };
    const V angle = lanes::clamp(lanes::max(all(kMinWarpFrequency), cutoff) * piOverFs_, all(0.0f), all(kMaxWarpAngle));
    const V warp = lanes::tan(angle);
    chunk_.lattice.store(first, LatticeSectionTaps<V>::make(warp, b.latticeResonance.first),
                         LatticeSectionTaps<V>::make(warp, b.latticeResonance.second));
    DiodeLadderMatrix::fill(DiodeLadderCoefficients<V>::make(cutoff, piOverFs_, b.ladderResonance, angle, warp),
                            chunk_.ladder + first);
  }
}

void Voice::sourcesChunk(const BlockCoefficients& b, int count, bool fresh, const float* sampleIn) {
  using lanes::Float4;
  // The oscillator increments cost a few divisions; they are recomputed only when the
  // pitch moves, which a settled note's does not, or when the detune did.
  float lastPitch = derived_.detune == controls_.detune ? derived_.pitch : -1.0f;
  // Lane 0: the PWM LFO's fixed rate; lane 1: the sub, set with the pitch.
  Float4 quadratureCoefficients{pulseTiming_.lfoCoefficient, derived_.subCoefficient, 0.0f, 0.0f};
  // Lane 0 carries the left channel, lane 1 the right.
  const Float4 pulseOwn = lanes::splat(b.pulseNear);
  const Float4 pulseOther = lanes::splat(b.pulseFar);

  Supersaw supersaw = supersaw_;
  QuadratureOscillators quadrature = quadrature_;
  NoiseGenerator noise = noise_;
  PulsePair pulses = pulses_;
  for (int i = 0; i < count; ++i) {
    // Only the first sample after a clear is fresh.
    const bool starting = fresh && i == 0;
    const float pitch = chunk_.pitch[i];
    if (pitch != lastPitch) {
      lastPitch = pitch;
      supersaw.setPitch(b.supersaw, pitch, invFs_, fs_);
      pulses.setPitch(pitch, invFs_, fs_);
      quadratureCoefficients[1] = 2.0f * std::sin(pitch * subCoefficientScale_);
    }
    const Float4 saws = supersaw.next(b.supersaw);
    const Float4 sines = quadrature.next(quadratureCoefficients, starting);
    const Float4 pulse = pulses.next(sines[0], starting, pulseLines_);
    const float mono = b.sampleGain * sampleIn[i] + b.subGain * sines[1] + b.noiseGain * noise.next();

    const Float4 pulseMix = pulseOwn * pulse + pulseOther * __builtin_shufflevector(pulse, pulse, 1, 0, 2, 3);
    chunk_.filterInput[i] = b.supersawGain * saws + b.pulseGain * pulseMix + mono;
  }
  supersaw_ = supersaw;
  quadrature_ = quadrature;
  noise_ = noise;
  pulses_ = pulses;
  derived_.pitch = lastPitch;
  derived_.detune = controls_.detune;
  derived_.subCoefficient = quadratureCoefficients[1];
}

void Voice::filterChunk(const BlockCoefficients& b, int count, float* left, float* right) {
  using lanes::Float4;
  LatticeLowpass normal = normal_;
  DiodeLadder acid = acid_;
  // Both filters always run, so switching between them continues from live states. The
  // normal filter gives each sample's output one sample later. latticeAt(i): the step
  // that runs sample i's first section and sample i − 1's second.
  const auto run = [&](const auto& latticeAt, const auto& ladderAt) {
    const auto write = [&](int i, Float4 y, int leftLane) {
      const Float4 out = y * chunk_.outputScale[i];
      left[i] = out[leftLane];
      right[i] = out[leftLane + 1];
    };
    const auto acidStep = [&](int i) {
      const Float4 y = acid.process(chunk_.filterInput[i], ladderAt(i)) * b.ladderResonance.outputGain;
      if (b.acid) write(i, y, 0);
    };
    normal.begin(chunk_.filterInput[0], latticeAt(0));
    acidStep(0);
    for (int i = 1; i < count; ++i) {
      const Float4 y = normal.next(chunk_.filterInput[i], latticeAt(i));
      if (!b.acid) write(i - 1, y, 2);
      acidStep(i);
    }
    const Float4 y = normal.finish(latticeAt(count));
    if (!b.acid) write(count - 1, y, 2);
  };

  const uint8_t* sets = chunk_.coefficientSet;
  if (sets[count - 1] == sets[0]) {
    // Sets only count up, so the chunk uses one set throughout: a settled note's, whose
    // coefficients the loop then holds in registers.
    const LatticeStepCoefficients lattice = chunk_.lattice.step(sets[0], sets[0]);
    const DiodeLadderMatrix ladder = chunk_.ladder[sets[0]];
    run([&](int) -> const LatticeStepCoefficients& { return lattice; },
        [&](int) -> const DiodeLadderMatrix& { return ladder; });
  } else {
    run(
        [&](int i) { return chunk_.lattice.step(sets[std::min(i, count - 1)], sets[std::max(i - 1, 0)]); },
        [&](int i) -> const DiodeLadderMatrix& { return chunk_.ladder[sets[i]]; });
  }
  normal_ = normal;
  acid_ = acid;
}

}  // namespace strobe95::gen
