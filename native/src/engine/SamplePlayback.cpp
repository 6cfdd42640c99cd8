#include "SamplePlayback.h"

#include <algorithm>
#include <cmath>

#include "SampleTable.h"

namespace strobe95 {
namespace {

constexpr float kPcmScale = 3.0517578e-5f;  // 1/32768: full-scale 16-bit to ±1

const SampleData* findSample(std::span<const SampleData> samples, int sampleIndex) {
  if (sampleIndex < 0 || sampleIndex >= static_cast<int>(samples.size())) return nullptr;
  return &samples[sampleIndex];
}

}  // namespace

std::vector<SampleData> convertSampleTable() {
  std::vector<SampleData> samples;
  samples.reserve(kSampleTable.size());
  for (const SampleRecord& record : kSampleTable) {
    SampleData data;
    data.frames.resize(record.frameCount);
    for (int32_t i = 0; i < record.frameCount; ++i) data.frames[i] = record.data[i] * kPcmScale;
    data.rootKey = record.rootKey;
    data.sampleRate = record.sampleRate;
    samples.push_back(std::move(data));
  }
  return samples;
}

const std::vector<SampleData>& sharedSampleTable() {
  static const std::vector<SampleData> samples = convertSampleTable();
  return samples;
}

void startSample(std::span<const SampleData> samples, int sampleIndex, bool keys, int engineRate,
                 int key, double& samplePos, double& sampleStep) {
  const SampleData* sample = findSample(samples, sampleIndex);
  if (!sample) {
    samplePos = -1.0;
    sampleStep = 1.0;
    return;
  }
  const double transpose = keys ? std::pow(2.0, (key - sample->rootKey) / 12.0) : 1.0;
  samplePos = 0.0;
  sampleStep = sample->sampleRate / engineRate * transpose;
}

void fillSampleInput(std::span<const SampleData> samples, int sampleIndex, double& samplePos,
                     double sampleStep, float* out, int frames) {
  const SampleData* sample = findSample(samples, sampleIndex);
  if (!sample || samplePos < 0.0) {
    std::fill(out, out + frames, 0.0f);
    return;
  }
  const std::vector<float>& s = sample->frames;
  // The last pair to interpolate is (L−2, L−1), so any position at or past L−1 has ended.
  // Checked before the position becomes an index: a far key's step can carry it past
  // every integer, even to infinity, and a position that is not a number ends too.
  const double end = static_cast<double>(s.size()) - 1.0;
  for (int i = 0; i < frames; ++i) {
    if (!(samplePos >= 0.0 && samplePos < end)) {
      std::fill(out + i, out + frames, 0.0f);
      samplePos = -1.0;
      return;
    }
    const auto k = static_cast<size_t>(samplePos);
    const double a = s[k];
    const double b = s[k + 1];
    out[i] = static_cast<float>(a + (b - a) * (samplePos - static_cast<double>(k)));
    samplePos += sampleStep;
  }
}

}  // namespace strobe95
