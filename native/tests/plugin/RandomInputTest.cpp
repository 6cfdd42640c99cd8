// Seeded random input against the two parsers a host can feed anything: the state text
// and the parameter text. Bounded by a fixed number of rounds, the same on every run.
#include <cmath>
#include <random>
#include <string>

#include "PluginFixture.h"

namespace strobe95::test {
namespace {

const char* const kPieces[] = {
    "STROBE-95 0.5.1\n", "STROBE-95", "preset ", "edited ", "1", "0", "\n", "\r", " ", "  ",
    "cutoff ", "sample ", "arp_octaves ", "supersaw ", "mono ", "release ", "nan", "inf", "-",
    "1e39", "1e-46", "0x1p3", "99999", "-5", "2.7", "abc", "k", "%", "ms", "\xff\xfe", "\0",
    "kHz", "On", "Off", "Up-Down", "1/16T", ".", "e", "+", "0.000001", "12345678901234567890"};

std::string randomText(std::mt19937& random) {
  std::uniform_int_distribution<size_t> pieceCount(0, 40);
  std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string text = random() % 2 ? "STROBE-95 0.5.1\n" : "";
  const size_t n = pieceCount(random);
  for (size_t i = 0; i < n; ++i) {
    if (random() % 8 == 0) {
      text.push_back(char(byte(random)));
    } else {
      text += kPieces[piece(random)];
    }
  }
  return text;
}

using RandomInput = PluginTest;

TEST_F(RandomInput, AnyStateTextLeavesEveryValueFiniteAndInRange) {
  std::mt19937 random(1995);
  const clap_plugin* p = instance.plugin();
  for (int round = 0; round < 4000; ++round) {
    const std::string text = randomText(random);
    ASSERT_TRUE(instance.loadText(text));
    for (uint32_t i = 0; i < 37; ++i) {
      clap_param_info info{};
      instance.params()->get_info(p, i, &info);
      double v = 0;
      instance.params()->get_value(p, info.id, &v);
      ASSERT_TRUE(std::isfinite(v)) << text;
      ASSERT_GE(v, info.min_value) << info.name << " from: " << text;
      ASSERT_LE(v, info.max_value) << info.name << " from: " << text;
    }
    // What was loaded saves and loads back to the same text.
    const std::string saved = instance.saveText();
    if (saved.find('\n', saved.find("preset ")) == saved.find("\nedited")) {
      ASSERT_TRUE(instance.loadText(saved));
      ASSERT_EQ(instance.saveText(), saved);
    }
  }
}

TEST_F(RandomInput, AnyParameterTextGivesARangedValueOrFalse) {
  std::mt19937 random(2026);
  const clap_plugin* p = instance.plugin();
  for (int round = 0; round < 20000; ++round) {
    const std::string text = randomText(random);
    const auto index = uint32_t(random() % 37);
    clap_param_info info{};
    instance.params()->get_info(p, index, &info);
    double out = -1e300;
    if (instance.params()->text_to_value(p, info.id, text.c_str(), &out)) {
      ASSERT_GE(out, info.min_value) << text;
      ASSERT_LE(out, info.max_value) << text;
      // Whatever parses must show as text again, and that text must parse back in range.
      char shown[64];
      ASSERT_TRUE(instance.params()->value_to_text(p, info.id, out, shown, sizeof shown));
      double again = 0;
      ASSERT_TRUE(instance.params()->text_to_value(p, info.id, shown, &again)) << shown;
    } else {
      ASSERT_EQ(out, -1e300) << "a refusal must not write the result";
    }
  }
}

}  // namespace
}  // namespace strobe95::test
