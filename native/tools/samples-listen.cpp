// strobe95-samples-listen: writes each built-in sample as a WAV file with a sox
// spectrogram beside it, and prints what an ear checks first: loudness over time, the
// pitch track and the strongest partials near the start.
//
// usage: strobe95-samples-listen OUTPUT_DIR
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "AudioFiles.h"
#include "SampleTable.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kReportStep = 0.05;  // seconds between rows of the report
constexpr int kPitchWindow = 3072;    // frames correlated per pitch estimate
constexpr int kLongestPeriod = 1700;  // frames: about 26 Hz, below the sub drop's floor
constexpr int kShortestPeriod = 20;   // frames: about 2.2 kHz
constexpr int kSpectrumSize = 8192;

std::string fileStem(int index, const char* name) {
  std::string stem = std::to_string(index) + "-";
  for (const char* c = name; *c; ++c) stem += *c == ' ' ? '-' : static_cast<char>(std::tolower(*c));
  return stem;
}

bool writeWav(const std::string& path, const strobe95::SampleRecord& record) {
  std::vector<float> frames(static_cast<size_t>(record.frameCount));
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = record.data[i] / 32768.0f;  // exact for 16-bit values
  return strobe95::tools::writeWav(path, record.sampleRate, 1, frames, strobe95::tools::SampleFormat::Int16);
}

double rmsDb(const std::vector<double>& x, int start, int length) {
  double sum = 0.0;
  int count = 0;
  for (int i = start; i < start + length && i < static_cast<int>(x.size()); ++i, ++count) sum += x[i] * x[i];
  return count ? 10.0 * std::log10(sum / count + 1e-20) : -200.0;
}

// McLeod's normalised square difference: the first peak within 85% of the best one is the
// period, which avoids the octave errors of plain autocorrelation. 0 when unpitched.
double pitchAt(const std::vector<double>& x, int start, double rate) {
  if (start + kPitchWindow + kLongestPeriod > static_cast<int>(x.size())) return 0.0;
  std::vector<double> nsdf(kLongestPeriod + 1, 0.0);
  for (int lag = kShortestPeriod; lag <= kLongestPeriod; ++lag) {
    double r = 0.0, m = 0.0;
    for (int i = start; i < start + kPitchWindow; ++i) {
      r += x[i] * x[i + lag];
      m += x[i] * x[i] + x[i + lag] * x[i + lag];
    }
    nsdf[lag] = m > 0.0 ? 2.0 * r / m : 0.0;
  }
  const double best = *std::max_element(nsdf.begin(), nsdf.end());
  if (best < 0.6) return 0.0;
  for (int lag = kShortestPeriod + 1; lag < kLongestPeriod; ++lag) {
    if (nsdf[lag] >= 0.85 * best && nsdf[lag] >= nsdf[lag - 1] && nsdf[lag] >= nsdf[lag + 1]) {
      const double a = nsdf[lag - 1], b = nsdf[lag], c = nsdf[lag + 1];
      const double shift = 0.5 * (a - c) / (a - 2.0 * b + c);  // parabolic refinement
      return rate / (lag + (std::isfinite(shift) ? shift : 0.0));
    }
  }
  return 0.0;
}

void fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2.0 * kPi / static_cast<double>(len));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1.0;
      for (size_t k = 0; k < len / 2; ++k, w *= step) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

struct Spectrum {
  std::vector<double> magnitude;  // per bin
  double centroid;                // Hz
};

Spectrum spectrumAt(const std::vector<double>& x, int start, double rate) {
  std::vector<std::complex<double>> bins(kSpectrumSize);
  for (int i = 0; i < kSpectrumSize; ++i) {
    const double window = 0.5 - 0.5 * std::cos(2.0 * kPi * i / kSpectrumSize);
    const int at = start + i;
    bins[i] = at < static_cast<int>(x.size()) ? x[at] * window : 0.0;
  }
  fft(bins);
  Spectrum s{std::vector<double>(kSpectrumSize / 2), 0.0};
  double weighted = 0.0, total = 0.0;
  for (int k = 0; k < kSpectrumSize / 2; ++k) {
    s.magnitude[k] = std::abs(bins[k]);
    weighted += s.magnitude[k] * k * rate / kSpectrumSize;
    total += s.magnitude[k];
  }
  s.centroid = total > 0.0 ? weighted / total : 0.0;
  return s;
}

void printPeaks(const Spectrum& s, double rate) {
  std::vector<std::pair<double, int>> peaks;
  for (int k = 2; k + 2 < static_cast<int>(s.magnitude.size()); ++k) {
    const double m = s.magnitude[k];
    if (m > s.magnitude[k - 1] && m >= s.magnitude[k + 1] && m > s.magnitude[k - 2] && m >= s.magnitude[k + 2]) {
      peaks.push_back({m, k});
    }
  }
  std::sort(peaks.rbegin(), peaks.rend());
  if (peaks.empty()) return;
  std::printf("  strongest partials 0.1 s in:");
  for (size_t i = 0; i < peaks.size() && i < 10; ++i) {
    std::printf(" %.0f Hz (%.0f dB)", peaks[i].second * rate / kSpectrumSize,
                20.0 * std::log10(peaks[i].first / peaks[0].first));
  }
  std::printf("\n");
}

void report(const strobe95::SampleRecord& record) {
  const double rate = record.sampleRate;
  std::vector<double> x(record.data, record.data + record.frameCount);
  for (double& v : x) v /= 32768.0;
  std::printf("%s: %d frames, %.3f s, root key %d\n", record.name, record.frameCount,
              record.frameCount / rate, record.rootKey);
  std::printf("  %6s %8s %9s %10s\n", "time", "rms dB", "pitch Hz", "centroid");
  const int step = static_cast<int>(kReportStep * rate);
  for (int start = 0; start < record.frameCount; start += step) {
    const double pitch = pitchAt(x, start, rate);
    const Spectrum s = spectrumAt(x, start, rate);
    std::printf("  %6.2f %8.1f %9.1f %10.0f\n", start / rate, rmsDb(x, start, step), pitch, s.centroid);
  }
  printPeaks(spectrumAt(x, static_cast<int>(0.1 * rate), rate), rate);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  for (int i = 0; i < strobe95::kSampleCount; ++i) {
    const strobe95::SampleRecord& record = strobe95::kSampleTable[i];
    const std::string stem = (dir / fileStem(i, record.name)).string();
    if (!writeWav(stem + ".wav", record)) {
      std::fprintf(stderr, "cannot write %s.wav\n", stem.c_str());
      return 1;
    }
    if (!strobe95::tools::drawSpectrogram(stem + ".wav", stem + ".png", record.name)) {
      std::fprintf(stderr, "sox failed for %s\n", record.name);
    }
    report(record);
  }
  return 0;
}
