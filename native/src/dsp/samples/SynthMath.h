#pragma once
// The sample generator's arithmetic. Sine and exponential are polynomials built from
// IEEE additions and multiplications only, and the noise is our own generator, so the
// nine samples come out bit for bit the same whatever C library the build machine has.
#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace strobe95::samples {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kSampleRate = 44100.0;
inline constexpr double kLn2 = 0.69314718055994530942;

// sin(2π·cycles). Reduced to a quarter wave, where the Taylor series to the 15th power
// is within 1e-11 of the sine: far below a 16-bit step.
inline double sineCycles(double cycles) {
  double p = cycles - std::floor(cycles);  // [0, 1)
  if (p >= 0.5) p -= 1.0;                  // [-0.5, 0.5)
  if (p > 0.25) p = 0.5 - p;               // sin(π − x) = sin x
  if (p < -0.25) p = -0.5 - p;
  const double x = 2.0 * kPi * p;
  const double x2 = x * x;
  double sum = -1.0 / 1307674368000.0;  // −1/15!
  for (double k : {1.0 / 6227020800.0, -1.0 / 39916800.0, 1.0 / 362880.0, -1.0 / 5040.0,
                   1.0 / 120.0, -1.0 / 6.0, 1.0}) {
    sum = sum * x2 + k;
  }
  return sum * x;
}

inline double cosineCycles(double cycles) { return sineCycles(cycles + 0.25); }

// e^x: x = k·ln2 + r with |r| ≤ ln2/2, e^r by its Taylor series to the 14th power,
// scaled by 2^k exactly.
inline double exponential(double x) {
  if (x < -700.0) return 0.0;
  const double k = std::floor(x / kLn2 + 0.5);
  const double r = x - k * kLn2;
  double sum = 1.0 / 87178291200.0;  // 1/14!
  for (double c : {1.0 / 6227020800.0, 1.0 / 479001600.0, 1.0 / 39916800.0, 1.0 / 3628800.0,
                   1.0 / 362880.0, 1.0 / 40320.0, 1.0 / 5040.0, 1.0 / 720.0, 1.0 / 120.0,
                   1.0 / 24.0, 1.0 / 6.0, 0.5, 1.0, 1.0}) {
    sum = sum * r + c;
  }
  return std::ldexp(sum, static_cast<int>(k));
}

// Equal-tempered ratio of a number of semitones.
inline double semitones(double count) { return exponential(count / 12.0 * kLn2); }

// Frequency of a MIDI key, A4 = 440 Hz.
inline double keyFrequency(double key) { return 440.0 * semitones(key - 69.0); }

// Decays from 1 by e every tau seconds.
inline double decay(double seconds, double tau) { return exponential(-seconds / tau); }

// ln x for x > 0: x = m·2^e with m in [√½, √2), ln m = 2·atanh((m − 1)/(m + 1)) by its
// series, which has converged to double precision by the 21st power there.
inline double naturalLog(double x) {
  int e = 0;
  double m = std::frexp(x, &e);  // [0.5, 1)
  if (m < 0.70710678118654752) {
    m *= 2.0;
    e -= 1;
  }
  const double s = (m - 1.0) / (m + 1.0);
  const double s2 = s * s;
  double sum = 1.0 / 21.0;
  for (double c : {1.0 / 19.0, 1.0 / 17.0, 1.0 / 15.0, 1.0 / 13.0, 1.0 / 11.0, 1.0 / 9.0,
                   1.0 / 7.0, 1.0 / 5.0, 1.0 / 3.0, 1.0}) {
    sum = sum * s2 + c;
  }
  return 2.0 * s * sum + static_cast<double>(e) * kLn2;
}

// Goes from a to b along an exponential path as fraction goes from 0 to 1 (a, b > 0).
inline double glide(double a, double b, double fraction) {
  return a * exponential(fraction * naturalLog(b / a));
}

// Soft saturation that keeps small signals linear and never passes ±1.
inline double saturate(double x) {
  if (x > 3.0) return 1.0;
  if (x < -3.0) return -1.0;
  const double x2 = x * x;
  return x * (27.0 + x2) / (27.0 + 9.0 * x2);
}

// White noise from a 64-bit xorshift-multiply generator: the same sequence everywhere.
class Noise {
 public:
  explicit Noise(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}

  // Uniform in [-1, 1).
  double next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const uint64_t bits = state_ * 0x2545F4914F6CDD1Dull;
    return static_cast<double>(bits >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }

 private:
  uint64_t state_;
};

}  // namespace strobe95::samples
