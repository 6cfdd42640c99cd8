#include <clocale>
#include <cstring>
#include <cmath>
#include <limits>
#include <string>

#include "PluginFixture.h"

namespace strobe95::test {
namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

class ValueText : public PluginTest {
 protected:
  std::string toText(const char* id, double value, uint32_t size = 64) {
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    if (!instance.params()->value_to_text(instance.plugin(), clapIdOf(id), value, buffer, size)) {
      return "<false>";
    }
    return buffer;
  }
  std::optional<double> fromText(const char* id, const char* text) {
    double out = -12345;
    if (!instance.params()->text_to_value(instance.plugin(), clapIdOf(id), text, &out)) return std::nullopt;
    return out;
  }
};

TEST_F(ValueText, FormatsByTypeAndUnit) {
  struct Case {
    const char* id;
    double value;
    const char* text;
  };
  const Case cases[] = {
      {"cutoff", 1800, "1.8 kHz"},
      {"cutoff", 999.4, "999 Hz"},
      {"cutoff", 999.5, "1000 Hz"},  // the unit is chosen before rounding
      {"cutoff", 16000, "16.0 kHz"},
      {"cutoff", 40, "40 Hz"},
      {"delay_tone", 3500, "3.5 kHz"},
      {"attack", double(0.005f), "5 ms"},
      {"release", 1.2, "1.20 s"},
      {"decay", 0.9995, "1000 ms"},
      {"filter_decay", 4, "4.00 s"},
      {"supersaw", double(0.8f), "80%"},
      {"delay_feedback", double(0.35f), "35%"},  // 34.99999940 rounds up
      {"arp_gate", double(0.05f), "5%"},
      {"resonance", double(0.98f), "98%"},
      {"arp_octaves", 2.5, "3"},  // halves away from zero
      {"arp_octaves", 1, "1"},
      {"arp_rate", 2, "1/16T"},
      {"sample", 11, "Riser"},  // clamped to the last choice
      {"arp_mode", -1, "Up"},
      {"arp_mode", 2.5, "Random"},
      {"delay_note", 5, "1/2"},
      {"mono", 0.5, "On"},
      {"mono", 0.49, "Off"},
      {"acid_filter", 1, "On"},
      // Values no host should send still get one defined answer.
      {"arp_mode", kNaN, "Up"},
      {"arp_octaves", kNaN, "0"},
      {"arp_octaves", 1e30, "2147483647"},
      {"cutoff", -1e30, "-2147483648 Hz"},
      {"cutoff", kInf, "inf kHz"},
      {"supersaw", -kInf, "-2147483648%"},
      {"mono", kNaN, "Off"},
  };
  for (const Case& c : cases) EXPECT_EQ(toText(c.id, c.value), c.text) << c.id << " " << c.value;
}

TEST_F(ValueText, FormattingIsBoundedByTheBuffer) {
  EXPECT_EQ(toText("cutoff", 1800, 4), "1.8");
  EXPECT_EQ(toText("cutoff", 1800, 1), "");
  EXPECT_EQ(toText("sample", 6, 3), "No");
  EXPECT_EQ(toText("cutoff", 1800, 0), "<false>");
  EXPECT_EQ(toText("cutoff", 1e300, 64).size(), 63u) << "a long text is cut, never overrun";
  char buffer[8] = "keep";
  EXPECT_FALSE(instance.params()->value_to_text(instance.plugin(), 42, 1.0, buffer, sizeof buffer));
  EXPECT_STREQ(buffer, "keep");
}

TEST_F(ValueText, ParsesNamesNumbersAndUnitSuffixes) {
  struct Case {
    const char* id;
    const char* text;
    std::optional<double> value;
  };
  const Case cases[] = {
      {"cutoff", "2.5k", 2500},
      {"cutoff", "2.5 kHz", 2500},
      {"cutoff", "2.5K", 2500},
      {"cutoff", "20", 40},     // clamped
      {"cutoff", "50%", 40},    // 0.5, clamped
      {"cutoff", "800 Hz", 800},
      {"cutoff", "  1200", 1200},
      {"attack", "250 ms", 0.25},
      {"attack", "250ms", 0.25},
      {"attack", "2 s", 2},
      {"attack", "5", 4},       // clamped
      {"attack", "10%", 0.1},
      {"sustain", "70%", 0.7},
      {"sustain", "0.7", 0.7},
      {"sustain", "70", 1},
      {"sustain", "70 k", 1},   // k means kilo only for Hz
      {"arp_mode", "Up-Down", 2},
      {"arp_mode", "up-down", std::nullopt},
      {"arp_mode", "2", 2},
      {"arp_mode", "2.6", 2.6},  // not rounded: the engine rounds
      {"arp_rate", "1/16T", 2},
      {"arp_rate", "1/16", 1},   // a name, not the number 1
      {"delay_note", "3/16", 2},
      {"mono", "On", 1},
      {"mono", "on", std::nullopt},
      {"mono", "Off", 0},
      {"mono", "1", 1},
      {"arp_octaves", "3.7", 3.7},
      {"supersaw", "abc", std::nullopt},
      {"supersaw", "", std::nullopt},
      {"supersaw", "%", std::nullopt},
      {"supersaw", "--1", std::nullopt},
      {"supersaw", "+0.5", 0.5},
      {"supersaw", "inf", 1},
      {"supersaw", "nan", 0},
      {"cutoff", "-inf", 40},
      {"cutoff", "1e39", 16000},
      {"cutoff", "0x400", 1024},
      {"cutoff", "1,5 kHz", 40},  // a comma ends the number: 1, clamped
  };
  for (const Case& c : cases) {
    const auto value = fromText(c.id, c.text);
    ASSERT_EQ(value.has_value(), c.value.has_value()) << c.id << " '" << c.text << "'";
    if (value) {
      EXPECT_DOUBLE_EQ(*value, *c.value) << c.id << " '" << c.text << "'";
    }
  }
}

TEST_F(ValueText, UnknownIdsAreRefused) {
  double out = 5;
  EXPECT_FALSE(instance.params()->text_to_value(instance.plugin(), 42, "1", &out));
  EXPECT_EQ(out, 5);
}

// Hosts may switch their process to a locale with a decimal comma; our texts must not follow.
TEST_F(ValueText, IgnoresTheProcessLocale) {
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
  const std::string shown = toText("release", 1.2);
  const auto parsed = fromText("release", "1.5 s");
  const std::string state = instance.saveText();
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(shown, "1.20 s");
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(*parsed, 1.5);
  EXPECT_NE(state.find("\nsupersaw 0.800000012\n"), std::string::npos);
}

}  // namespace
}  // namespace strobe95::test
