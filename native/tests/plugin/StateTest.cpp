#include <cstring>
#include <random>
#include <string>

#include "PluginFixture.h"

namespace strobe95::test {
namespace {

const char* const kFreshState =
    "STROBE-95 0.5.1\n"
    "preset \n"
    "edited 0\n"
    "supersaw 0.800000012\n"
    "detune 0.300000012\n"
    "width 0.5\n"
    "pwm 0\n"
    "sub 0.300000012\n"
    "noise 0\n"
    "hoover 0\n"
    "sample_track 1\n"
    "sample 0\n"
    "sample_level 0\n"
    "acid_filter 0\n"
    "cutoff 1800\n"
    "resonance 0.200000003\n"
    "env_amount 0.5\n"
    "filter_decay 0.25\n"
    "key_track 0\n"
    "mono 0\n"
    "attack 0.00499999989\n"
    "decay 0.300000012\n"
    "sustain 0.699999988\n"
    "release 0.300000012\n"
    "glide 0\n"
    "arp_on 0\n"
    "arp_mode 0\n"
    "arp_rate 1\n"
    "arp_octaves 1\n"
    "arp_gate 0.5\n"
    "arp_feel 1\n"
    "drive 0\n"
    "chorus 0\n"
    "delay_mix 0\n"
    "delay_note 2\n"
    "delay_feedback 0.349999994\n"
    "delay_tone 3500\n"
    "reverb_mix 0\n"
    "reverb_size 0.600000024\n"
    "reverb_damp 0.400000006\n";

using State = PluginTest;

TEST_F(State, FreshInstanceSavesTheDefaultText) { EXPECT_EQ(instance.saveText(), kFreshState); }

// Line 2 onwards of a state, with one line replaced or appended.
std::string stateWith(const std::string& lines) { return "STROBE-95 0.5.1\n" + lines; }

TEST_F(State, LoadAppliesClampsAndIgnoresLineByLine) {
  struct Case {
    std::string body;
    const char* id;
    double expected;
  };
  const Case cases[] = {
      {"cutoff 99999\n", "cutoff", 16000},
      {"cutoff -5\n", "cutoff", 40},
      {"cutoff abc\n", "cutoff", 40},  // no number reads as 0, then clamps
      {"cutoff 1e39\n", "cutoff", 1800},  // infinite: line ignored, default stays
      {"cutoff nan\n", "cutoff", 1800},
      {"cutoff inf\n", "cutoff", 1800},
      {"cutoff \n", "cutoff", 40},
      {"cutoff   700 Hz\n", "cutoff", 700},  // leading blanks skipped, trailing text ignored
      {"cutoff 700\r\n", "cutoff", 700},      // the carriage return ends the number
      {"sample 2.7\n", "sample", double(2.7f)},  // clamped, not rounded
      {"Cutoff 500\n", "cutoff", 1800},       // keys are case-sensitive
      {"cutoff 500\ncutoff 600\n", "cutoff", 600},  // the later line wins
      {"cutoff500\n", "cutoff", 1800},        // no space: not a setting
      {"\n\n\ncutoff 300\n\n", "cutoff", 300},
      {"cutoff 300", "cutoff", 300},          // no final line feed
      {"supersaw 1e-46\n", "supersaw", 0},    // underflow reads as zero
      {"supersaw 0x1p-2\n", "supersaw", 0.25},
      {"arp_octaves 0\n", "arp_octaves", 1},
      {"glide -0\n", "glide", 0},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(instance.loadText(stateWith(c.body))) << c.body;
    EXPECT_EQ(instance.value(c.id), c.expected) << "'" << c.body << "'";
  }
}

TEST_F(State, PresetNameAndEditedFlag) {
  struct Case {
    std::string body;
    std::string name;
    const char* edited;
  };
  const Case cases[] = {
      {"preset Acid Line\nedited 1\n", "Acid Line", "1"},
      {"preset  two  spaces \nedited 1\n", " two  spaces ", "1"},
      {"preset Hoover\nedited true\n", "Hoover", "0"},
      {"preset Hoover\nedited 1\r\n", "Hoover", "0"},
      {"preset Hoover\nedited 01\n", "Hoover", "0"},
      {"preset Hoover\nedited 1 \n", "Hoover", "0"},
      {"preset Hoover\npreset\n", "Hoover", "0"},  // no space: ignored
      {"preset Hoover\npreset \n", "", "0"},
      {"preset Vox Pad\r\n", "Vox Pad\r", "0"},   // only line feeds end lines
      {"preset Ünïcödé ✓\nedited 1\n", "Ünïcödé ✓", "1"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(instance.loadText(stateWith(c.body)));
    const std::string saved = instance.saveText();
    EXPECT_EQ(saved.substr(0, saved.find("supersaw")),
              "STROBE-95 0.5.1\npreset " + c.name + "\nedited " + c.edited + "\n")
        << c.body;
  }
}

TEST_F(State, HeaderDecidesWhetherTheTextIsOurs) {
  ASSERT_TRUE(instance.loadText(stateWith("cutoff 500\npreset Riser\nedited 1\n")));
  struct Case {
    std::string text;
    bool applied;
  };
  const Case cases[] = {
      {"", false},
      {"STROBE-9", false},
      {"strobe-95 0.5.1\ncutoff 100\n", false},
      {"OTHER-SYNTH 1.0\ncutoff 100\n", false},
      {"\nSTROBE-95 0.5.1\ncutoff 100\n", false},
      {"STROBE-95 9.9.9\ncutoff 100\n", true},  // the version is not examined
      {"STROBE-95\ncutoff 100\n", true},
      {"STROBE-95x\ncutoff 100\n", true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(instance.loadText(stateWith("cutoff 500\npreset Riser\nedited 1\n")));
    EXPECT_TRUE(instance.loadText(c.text)) << "a foreign text is not an error";
    EXPECT_EQ(instance.value("cutoff"), c.applied ? 100 : 500) << c.text;
  }
}

TEST_F(State, HeaderAloneResetsEverything) {
  ASSERT_TRUE(instance.loadText(stateWith("preset Riser\nedited 1\ncutoff 500\nmono 1\n")));
  ASSERT_TRUE(instance.loadText("STROBE-95 0.5.1\n"));
  EXPECT_EQ(instance.saveText(), kFreshState);
}

TEST_F(State, RoundTripsEveryValueBitForBit) {
  std::mt19937 random(95);
  for (int round = 0; round < 50; ++round) {
    InputEvents in;
    for (uint32_t i = 0; i < 37; ++i) {
      clap_param_info info{};
      instance.params()->get_info(instance.plugin(), i, &info);
      std::uniform_real_distribution<float> inRange(float(info.min_value), float(info.max_value));
      in.param(0, info.id, inRange(random));
    }
    instance.params()->flush(instance.plugin(), in.list(), nullptr);
    const std::string name = "Preset  " + std::to_string(round) + " with spaces ";
    ASSERT_TRUE(instance.loadText(instance.saveText() + "preset " + name + "\nedited 1\n"));
    const std::string saved = instance.saveText();

    TestHost otherHost;
    PluginInstance other(builtPlugin(), otherHost);
    ASSERT_TRUE(other.loadText(saved));
    EXPECT_EQ(other.saveText(), saved);
    for (const auto& event : in.events) {
      double a = 0, b = 0;
      other.params()->get_value(other.plugin(), event.param.param_id, &b);
      instance.params()->get_value(instance.plugin(), event.param.param_id, &a);
      EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
      EXPECT_EQ(a, double(float(event.param.value)));
    }
    EXPECT_NE(saved.find("\npreset " + name + "\nedited 1\n"), std::string::npos);
  }
}

TEST_F(State, StreamsThatMoveAFewBytesAtATime) {
  ASSERT_TRUE(instance.loadText(stateWith("cutoff 500\npreset Slow Stream\nedited 1\n")));
  const std::string text = instance.saveText();
  for (uint64_t step : {1u, 2u, 3u, 7u, 4095u, 4097u}) {
    OutputStream out(step);
    ASSERT_TRUE(instance.state()->save(instance.plugin(), out.stream()));
    EXPECT_EQ(out.bytes, text) << step;

    TestHost otherHost;
    PluginInstance other(builtPlugin(), otherHost);
    InputStream in(text, step);
    ASSERT_TRUE(other.state()->load(other.plugin(), in.stream())) << step;
    EXPECT_EQ(other.saveText(), text) << step;
  }
}

TEST_F(State, SaveFailsWhenTheHostStopsTakingBytes) {
  for (int64_t capacity : {0, 1, 100, 500}) {
    OutputStream out(UINT64_MAX, capacity);
    EXPECT_FALSE(instance.state()->save(instance.plugin(), out.stream())) << capacity;
    EXPECT_EQ(out.bytes, std::string(kFreshState).substr(0, size_t(capacity)));
  }
  OutputStream failing;
  clap_ostream broken = *failing.stream();
  broken.write = [](const clap_ostream*, const void*, uint64_t) -> int64_t { return -1; };
  EXPECT_FALSE(instance.state()->save(instance.plugin(), &broken));
}

TEST_F(State, ReadErrorsAndOversizeStatesChangeNothing) {
  const std::string body = stateWith("cutoff 500\n");
  {
    InputStream failing(body, 10, 20);  // fails on the third read
    EXPECT_FALSE(instance.state()->load(instance.plugin(), failing.stream()));
    EXPECT_EQ(instance.saveText(), kFreshState);
  }
  // The limit is 1 MiB: exactly that loads, one byte more is refused.
  std::string exact = body;
  exact.resize(1u << 20, '\n');
  EXPECT_TRUE(instance.loadText(exact));
  EXPECT_EQ(instance.value("cutoff"), 500);

  ASSERT_TRUE(instance.loadText("STROBE-95 0.5.1\n"));
  std::string over = exact + "\n";
  EXPECT_FALSE(instance.loadText(over));
  EXPECT_EQ(instance.saveText(), kFreshState);

  // An endless stream is cut off at the limit rather than read to exhaustion.
  clap_istream endless{};
  endless.read = [](const clap_istream*, void* buffer, uint64_t size) -> int64_t {
    std::memset(buffer, 'a', size);
    return int64_t(size);
  };
  EXPECT_FALSE(instance.state()->load(instance.plugin(), &endless));
}

TEST_F(State, StreamClaimingMoreThanAskedIsBounded) {
  clap_istream liar{};
  static int calls;
  calls = 0;
  liar.read = [](const clap_istream*, void* buffer, uint64_t size) -> int64_t {
    if (calls++ > 0) return 0;
    std::memset(buffer, '\n', size);
    std::memcpy(buffer, "STROBE-95 0.5.1\ncutoff 700\n", 27);
    return int64_t(size) * 1000;
  };
  TestHost host2;
  PluginInstance other(builtPlugin(), host2);
  ASSERT_TRUE(other.state()->load(other.plugin(), &liar));
  EXPECT_EQ(other.value("cutoff"), 700);
}

}  // namespace
}  // namespace strobe95::test
