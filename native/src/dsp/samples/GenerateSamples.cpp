// Renders the nine built-in samples and writes them as a C++ source file holding
// kSampleTable. Run by the build; prints each sample's checksum, which the sample table
// test repeats, so any change to the sounds is a deliberate one.
//
// usage: strobe95_sample_generator OUTPUT.cpp
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Instruments.h"

namespace strobe95::samples {
namespace {

// About −1.0 dBFS: the loudest frame of every sample lands exactly here.
constexpr int kPeak = 29195;
constexpr int kRate = 44100;

std::vector<int16_t> quantise(const Buffer& buffer) {
  double peak = 0.0;
  for (double x : buffer) peak = std::fmax(peak, std::fabs(x));
  const double scale = peak > 0.0 ? kPeak / peak : 0.0;
  std::vector<int16_t> pcm(buffer.size());
  for (size_t i = 0; i < buffer.size(); ++i) {
    pcm[i] = static_cast<int16_t>(std::llround(buffer[i] * scale));
  }
  return pcm;
}

// 64-bit FNV-1a over the frames as little-endian 16-bit words.
uint64_t checksum(const std::vector<int16_t>& pcm) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (int16_t frame : pcm) {
    const auto word = static_cast<uint16_t>(frame);
    for (uint16_t byte : {static_cast<uint16_t>(word & 0xFF), static_cast<uint16_t>(word >> 8)}) {
      hash ^= byte;
      hash *= 0x100000001B3ull;
    }
  }
  return hash;
}

// Why a sample cannot go into the table, or empty when it can.
std::string fault(const Instrument& instrument, const std::vector<int16_t>& pcm) {
  if (static_cast<int>(pcm.size()) != instrument.frames) return "wrong frame count";
  int peak = 0;
  for (int16_t frame : pcm) peak = std::max(peak, std::abs(static_cast<int>(frame)));
  if (peak != kPeak) return "peak is " + std::to_string(peak);
  if (instrument.startsOnZero != (pcm.front() == 0)) return "first frame is " + std::to_string(pcm.front());
  if (pcm.back() != 0) return "last frame is " + std::to_string(pcm.back());
  return {};
}

void writeArray(std::ostringstream& out, const Instrument& instrument, const std::vector<int16_t>& pcm) {
  out << "const int16_t " << instrument.symbol << "[" << pcm.size() << "] = {";
  for (size_t i = 0; i < pcm.size(); ++i) {
    out << (i % 20 == 0 ? "\n" : " ") << pcm[i] << ",";
  }
  out << "\n};\n\n";
}

}  // namespace
}  // namespace strobe95::samples

int main(int argc, char** argv) {
  using namespace strobe95::samples;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
    return 2;
  }
  // Built in memory and written only once every sample passed, so a failed run leaves
  // no file behind that a later build would take for finished.
  std::ostringstream out;
  out << "// Written by the sample generator at build time; edit the instruments instead.\n"
         "#include \"SampleTable.h\"\n\nnamespace strobe95 {\nnamespace {\n\n";
  for (const Instrument& instrument : kInstruments) {
    const std::vector<int16_t> pcm = quantise(instrument.render(instrument.frames));
    const std::string problem = fault(instrument, pcm);
    if (!problem.empty()) {
      std::fprintf(stderr, "%s: %s\n", instrument.name, problem.c_str());
      return 1;
    }
    std::printf("%-12s %6d frames  checksum 0x%016llx\n", instrument.name, instrument.frames,
                static_cast<unsigned long long>(checksum(pcm)));
    writeArray(out, instrument, pcm);
  }
  out << "}  // namespace\n\nconst std::array<SampleRecord, kSampleCount> kSampleTable{{\n";
  for (const Instrument& instrument : kInstruments) {
    out << "    {\"" << instrument.name << "\", " << instrument.rootKey << ", " << kRate << ", "
        << instrument.symbol << ", " << instrument.frames << "},\n";
  }
  out << "}};\n\n}  // namespace strobe95\n";
  std::ofstream file(argv[1], std::ios::binary);
  file << out.str();
  file.close();
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
