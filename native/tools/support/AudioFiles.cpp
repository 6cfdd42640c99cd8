#include "AudioFiles.h"

#include <sndfile.h>

#include <cstdlib>

namespace strobe95::tools {

bool writeWav(const std::string& path, int rate, int channels, const std::vector<float>& interleaved,
              SampleFormat format) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = SF_FORMAT_WAV | (format == SampleFormat::Float32 ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_16);
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) return false;
  const auto frames = static_cast<sf_count_t>(interleaved.size() / static_cast<size_t>(channels));
  const bool written = sf_writef_float(file, interleaved.data(), frames) == frames;
  return sf_close(file) == 0 && written;
}

namespace {

// Single quotes for the shell, with any quote inside the text closed and reopened.
std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

bool drawSpectrogram(const std::string& wav, const std::string& png, const std::string& title) {
  const std::string command = "sox -V1 " + quoted(wav) + " -n spectrogram -x 1200 -y 513 -t " + quoted(title) +
                              " -o " + quoted(png);
  return std::system(command.c_str()) == 0;
}

}  // namespace strobe95::tools
