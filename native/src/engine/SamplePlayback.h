#pragma once
// Playback of the built-in samples under a voice: the engine converts the table once,
// starts a sample at every note start and fills the voice's input from it per chunk.
#include <cstdint>
#include <span>
#include <vector>

namespace strobe95 {

struct SampleData {
  std::vector<float> frames;  // −1..1
  int rootKey = 60;
  double sampleRate = 44100.0;
};

// Every sample of the table, in table order. Allocates: call outside the audio thread.
std::vector<SampleData> convertSampleTable();
// The table converted once per process and only read from then on, so engines share it:
// an activation need not convert four megabytes again, nor keep a copy of its own.
const std::vector<SampleData>& sharedSampleTable();

// Where a note start puts the voice's sample: frame 0 and a step that plays the root
// key at the recorded pitch at any engine rate (and every key so when keys is off).
// A sampleIndex that names no sample leaves the voice silent (position −1, step 1).
void startSample(std::span<const SampleData> samples, int sampleIndex, bool keys, int engineRate,
                 int key, double& samplePos, double& sampleStep);

// Writes `frames` frames of the voice's sample input and advances its position. Reads the
// sample sampleIndex names now, so a change of sample mid-note carries the position over;
// a position that has reached the sample's last frame stops it (position −1).
void fillSampleInput(std::span<const SampleData> samples, int sampleIndex, double& samplePos,
                     double sampleStep, float* out, int frames);

}  // namespace strobe95
