#pragma once
// WAV files and their spectrograms, for the tools that render material to listen to.
#include <cstddef>
#include <string>
#include <vector>

namespace strobe95::tools {

enum class SampleFormat { Float32, Int16 };

// Interleaved frames of `channels` channels.
bool writeWav(const std::string& path, int rate, int channels, const std::vector<float>& interleaved,
              SampleFormat format = SampleFormat::Float32);

// Draws the file's spectrogram with sox into png, titled.
bool drawSpectrogram(const std::string& wav, const std::string& png, const std::string& title);

}  // namespace strobe95::tools
