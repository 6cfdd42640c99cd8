#pragma once
// The small building blocks the nine instruments are rendered from, in double precision
// at 44.1 kHz: oscillators, a state-variable filter and the envelope shapes.
#include <algorithm>
#include <vector>

#include "SynthMath.h"

namespace strobe95::samples {

using Buffer = std::vector<double>;

inline double secondsAt(int frame) { return frame / kSampleRate; }

// A sine at a fixed frequency by rotating a unit vector: one complex multiply per frame,
// which keeps the hundreds of partials of a chord cheap.
class Phasor {
 public:
  Phasor(double frequency, double phaseCycles)
      : re_(cosineCycles(phaseCycles)),
        im_(sineCycles(phaseCycles)),
        cosStep_(cosineCycles(frequency / kSampleRate)),
        sinStep_(sineCycles(frequency / kSampleRate)) {}

  double next() {
    const double out = im_;
    const double re = re_ * cosStep_ - im_ * sinStep_;
    im_ = re_ * sinStep_ + im_ * cosStep_;
    re_ = re;
    return out;
  }

 private:
  double re_;
  double im_;
  double cosStep_;
  double sinStep_;
};

// A phase in cycles for oscillators whose frequency moves.
class PhaseAccumulator {
 public:
  explicit PhaseAccumulator(double phaseCycles = 0.0) : phase_(phaseCycles) {}

  // Returns the phase in [0, 1) for this frame, then advances it.
  double advance(double frequency) {
    const double current = phase_;
    phase_ += frequency / kSampleRate;
    phase_ -= std::floor(phase_);
    return current;
  }

 private:
  double phase_;
};

// The polynomial correction that rounds off a unit step at phase 0, so the saw and square
// below alias far less than their naive forms.
inline double polyBlep(double phase, double increment) {
  if (phase < increment) {
    const double t = phase / increment;
    return t + t - t * t - 1.0;
  }
  if (phase > 1.0 - increment) {
    const double t = (phase - 1.0) / increment;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

class BlepSaw {
 public:
  explicit BlepSaw(double phaseCycles = 0.0) : phase_(phaseCycles) {}

  double next(double frequency) {
    const double increment = frequency / kSampleRate;
    const double p = phase_.advance(frequency);
    return 2.0 * p - 1.0 - polyBlep(p, increment);
  }

 private:
  PhaseAccumulator phase_;
};

class BlepSquare {
 public:
  explicit BlepSquare(double phaseCycles = 0.0) : phase_(phaseCycles) {}

  double next(double frequency) {
    const double increment = frequency / kSampleRate;
    const double p = phase_.advance(frequency);
    double half = p + 0.5;
    half -= std::floor(half);
    return (p < 0.5 ? 1.0 : -1.0) + polyBlep(p, increment) - polyBlep(half, increment);
  }

 private:
  PhaseAccumulator phase_;
};

// Zero-delay-feedback state-variable filter; all three responses from one step.
class StateVariableFilter {
 public:
  struct Outputs {
    double low;
    double band;
    double high;
  };

  void set(double cutoff, double q) {
    const double limited = cutoff < 0.45 * kSampleRate ? cutoff : 0.45 * kSampleRate;
    const double halfCycles = limited / kSampleRate * 0.5;  // tan(π·fc/fs)
    const double g = sineCycles(halfCycles) / cosineCycles(halfCycles);
    damping_ = 1.0 / q;
    a1_ = 1.0 / (1.0 + g * (g + damping_));
    a2_ = g * a1_;
    a3_ = g * a2_;
  }

  Outputs next(double in) {
    const double v3 = in - ic2_;
    const double v1 = a1_ * ic1_ + a2_ * v3;
    const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    return {v2, v1, in - damping_ * v1 - v2};
  }

 private:
  double damping_ = 1.0;
  double a1_ = 0.0;
  double a2_ = 0.0;
  double a3_ = 0.0;
  double ic1_ = 0.0;
  double ic2_ = 0.0;
};

class OnePoleLowpass {
 public:
  explicit OnePoleLowpass(double cutoff) : coefficient_(1.0 - exponential(-2.0 * kPi * cutoff / kSampleRate)) {}

  double next(double in) {
    state_ += coefficient_ * (in - state_);
    return state_;
  }

 private:
  double coefficient_;
  double state_ = 0.0;
};

// 0 → 1 along a half cosine over the given time; 1 afterwards.
inline double rampIn(double seconds, double length) {
  if (seconds >= length) return 1.0;
  return 0.5 - 0.5 * cosineCycles(0.5 * seconds / length);
}

// Multiplies the last `length` seconds by a half cosine that ends on an exact zero.
inline void fadeOutTail(Buffer& buffer, double length) {
  const int size = static_cast<int>(buffer.size());
  const int count = std::min(size, static_cast<int>(length * kSampleRate));
  for (int j = 0; count > 1 && j < count; ++j) {
    const double remaining = static_cast<double>(count - 1 - j) / (count - 1);
    buffer[size - count + j] *= 0.5 - 0.5 * cosineCycles(0.5 * remaining);
  }
  if (size > 0) buffer[size - 1] = 0.0;  // the polynomial cosine lands within 1e-11 of it
}

}  // namespace strobe95::samples
