// The built plugin fed what no sane host sends: keys far outside MIDI, velocities and
// parameter values that are not numbers or are huge, tempi of 0, below 0 and 1e6, MIDI
// bytes of every value, events timed beyond their block, blocks of 0 to 4096 frames, at
// common and odd rates. Whatever arrives, every output sample is finite, never subnormal,
// and never louder than the loudest sound a legal stream can make.
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "PluginFixture.h"

namespace strobe95::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// The loudest a legal stream can be: keys 0..127, velocities up to 1, values inside their
// ranges, any tempo. Worked out stage by stage, each at its worst:
// - A voice's filter input: seven saws, each within ±1.55 (2·phase − 1 − increment, the
//   increment below 0.554 with the working frequency at most half the rate and the widest
//   detune 1.1075), at most unit pan gain each, times 0.25: 2.72. The pulse pair: each
//   pulse times rate/4 stays within ±2 and the pair's weights sum to at most 0.25 of
//   rate·pwm: 2. The sub: a sine whose peak is held at 1.5. Noise 0.5; the sample at
//   most 0.891 (−1 dBFS). Sum 7.61.
// - The filters: the normal filter's largest gain at any frequency is 4.6 (at resonance
//   0.98, where its resonant section peaks near 25 and its damped section gives 0.18);
//   the acid filter soft-clips its input to ±1 and its makeup gain is at most 4.14 with
//   the ladder's own peak under 2. A voice is then at most 0.35 · 7.61 · 4.6 = 12.3 at
//   full envelope and velocity.
// - Sixteen voices in phase: V = 196.
// - Drive passes the sum unchanged at 0 and clips it to ±1 otherwise. The chorus adds two
//   taps at 0.7 to a dry share of at least 0.5: at most 1.2 times its input, per side.
// - The delay takes the right side's chorus and dry sum (at most 1.2 V), recirculates at
//   most 0.9 of each echo through a tone filter of gain at most 1, so each side's echo is
//   at most 1/(1 − 0.9) = 10 times that: 12 V.
// - The plate takes both sides' chorus, dry and echo shares (2.4 V + 24 V), halves them,
//   and its tank, decaying by 0.95 per pass, leaves at most 1/(1 − 0.95) = 20 times that:
//   264 V.
// Each output is then at most 1.2 V + 12 V + 264 V = 277.2 V = 54,331 for V = 196, so the
// bound is 55,000. Hostile streams reached 1e20 (a sub glide past half the rate), 1.7e8
// (the sub drifting over many key changes), 4e5 (a velocity of 1e6) and infinity before
// the plugin guarded against them; a legal stream built to be loud (below) stays far
// under the bound.
constexpr float kLoudestLegal = 55000.0f;

bool isClean(float v) { return std::isfinite(v) && (v == 0.0f || std::fabs(v) >= FLT_MIN); }

struct Peak {
  float value = 0.0f;
  bool clean = true;
  std::string first;  // where the first unclean sample was
  void take(const AudioBlock& block, const std::string& where) {
    for (const auto& channel : block.channels) {
      for (size_t i = 0; i < channel.size(); ++i) {
        if (!isClean(channel[i]) && clean) {
          clean = false;
          first = where + ", frame " + std::to_string(i) + ": " + std::to_string(channel[i]);
        }
        if (std::isfinite(channel[i])) value = std::max(value, std::fabs(channel[i]));
      }
    }
  }
};

class Hostile {
 public:
  explicit Hostile(std::mt19937& random) : random_(random) {}

  double velocity() {
    static constexpr double kVelocities[] = {-1.0, 0.0, kNaN, 1e-30, 0.5, 1.0, 1.5, 1e6, kInf, -kInf};
    return pick(kVelocities, 0.5) ? uniform(0.0, 1.0) : kVelocities[random_() % std::size(kVelocities)];
  }
  int16_t key() {
    switch (random_() % 6) {
      case 0: return static_cast<int16_t>(-2 + int(random_() % 2));
      case 1: return static_cast<int16_t>(random_() % 32768);
      case 2: return static_cast<int16_t>(120 + random_() % 200);
      default: return static_cast<int16_t>(random_() % 128);
    }
  }
  double value(const clap_param_info& info) {
    static constexpr double kWild[] = {kNaN, kInf, -kInf, 1e9, -1e9, 0.0, -0.0, 1e-45};
    switch (random_() % 4) {
      case 0: return kWild[random_() % std::size(kWild)];
      case 1: return random_() % 2 ? info.min_value : info.max_value;
      default: return uniform(info.min_value, info.max_value);
    }
  }
  double tempo() {
    static constexpr double kTempi[] = {0.0, -120.0, 1e6, kNaN, kInf, 1e-9, 20.0, 300.0};
    return random_() % 3 ? uniform(40.0, 240.0) : kTempi[random_() % std::size(kTempi)];
  }
  uint32_t frames() {
    switch (random_() % 6) {
      case 0: return 0;
      case 1: return 1 + below(4);
      case 2: return 4096;
      default: return below(4097);
    }
  }

  template <typename T, size_t N>
  bool pick(const T (&)[N], double chance) { return uniform(0.0, 1.0) < chance; }
  double uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(random_); }
  uint32_t below(uint32_t n) { return n ? uint32_t(random_() % n) : 0; }

 private:
  std::mt19937& random_;
};

class HostileStream : public PluginTest {
 protected:
  std::vector<clap_param_info> infos() {
    std::vector<clap_param_info> all(instance.params()->count(instance.plugin()));
    for (uint32_t i = 0; i < all.size(); ++i) instance.params()->get_info(instance.plugin(), i, &all[i]);
    return all;
  }
};

TEST_F(HostileStream, OutputStaysFiniteNormalAndWithinTheLegalBound) {
  const std::vector<clap_param_info> params = infos();
  for (const double rate : {44100.0, 48000.0, 96000.0, 22050.0, 192000.0}) {
    std::mt19937 random(static_cast<uint32_t>(rate));
    Hostile h(random);
    ASSERT_TRUE(instance->activate(instance.plugin(), rate, 0, 4096));
    ASSERT_TRUE(instance->start_processing(instance.plugin()));
    Peak peak;
    for (int blockIndex = 0; blockIndex < 250; ++blockIndex) {
      const uint32_t frames = h.frames();
      InputEvents in;
      const uint32_t count = h.below(random() % 8 ? 24u : 400u);
      for (uint32_t e = 0; e < count; ++e) {
        // Mostly inside the block, some beyond it; now and then out of order.
        const uint32_t time = random() % 5 ? h.below(frames + 1) : frames + h.below(10000);
        switch (random() % 11) {
          case 0: case 1: case 2: in.noteOn(time, h.key(), h.velocity()); break;
          case 3: in.noteOff(time, h.key()); break;
          case 4: in.choke(time, random() % 4 ? h.key() : int16_t(-1)); break;
          case 5: in.midi(time, uint8_t(random()), uint8_t(random()), uint8_t(random())); break;
          case 6: in.midi(time, uint8_t(0x90 | (random() % 16)), uint8_t(random() % 128), uint8_t(random() % 128)); break;
          case 7: {
            // A transport in the list itself, as some hosts send tempo changes mid-block,
            // now and then with a foreign space id.
            AnyEvent t{};
            t.transport = transportWithTempo(h.tempo());
            t.header.time = time;
            if (random() % 4 == 0) t.header.space_id = uint16_t(random());
            in.raw(t);
            break;
          }
          default: {
            const clap_param_info& info = params[random() % params.size()];
            in.param(time, random() % 50 ? info.id : uint32_t(random()), h.value(info));
          }
        }
      }
      if (random() % 3 != 0) {
        std::stable_sort(in.events.begin(), in.events.end(),
                         [](const AnyEvent& a, const AnyEvent& b) { return a.header.time < b.header.time; });
      }
      clap_event_transport transport = transportWithTempo(h.tempo());
      if (random() % 4 == 0) transport.flags = 0;
      AudioBlock block(frames, random() % 8 ? 2 : 1);
      ASSERT_EQ(instance->process(instance.plugin(),
                                  block.process(&in, nullptr, random() % 5 ? &transport : nullptr)),
                CLAP_PROCESS_CONTINUE);
      peak.take(block, std::to_string(rate) + " Hz, block " + std::to_string(blockIndex));
      ASSERT_TRUE(peak.clean) << peak.first;
      ASSERT_LE(peak.value, kLoudestLegal) << rate << " Hz, block " << blockIndex;
    }
    instance->stop_processing(instance.plugin());
    instance->deactivate(instance.plugin());
  }
}

// The bound's sanity check: a legal stream built to be loud (sixteen voices in phase on
// one key, every source and the resonance up, every effect at full) stays under it.
TEST_F(HostileStream, ALoudLegalStreamStaysUnderTheBound) {
  ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 0, 4096));
  Peak peak;
  for (const bool acid : {false, true}) {
    InputEvents setup;
    const std::pair<const char*, double> values[] = {
        {"supersaw", 1}, {"sub", 1}, {"pwm", 1}, {"noise", 1}, {"sample_level", 1}, {"resonance", 0.98},
        {"cutoff", 300}, {"env_amount", 0}, {"sustain", 1}, {"acid_filter", acid ? 1 : 0},
        {"chorus", 1}, {"delay_mix", 1}, {"delay_feedback", 0.9}, {"reverb_mix", 1}, {"reverb_size", 0.95},
        {"drive", 0}};
    for (auto [id, v] : values) setup.param(0, clapIdOf(id), v);
    for (int i = 0; i < 16; ++i) setup.noteOn(0, 43, 1.0);
    for (int b = 0; b < 100; ++b) {
      AudioBlock block(4096);
      instance->process(instance.plugin(), block.process(b == 0 ? &setup : nullptr, nullptr));
      peak.take(block, "loud legal");
    }
    instance->deactivate(instance.plugin());
    ASSERT_TRUE(instance->activate(instance.plugin(), 48000, 0, 4096));
  }
  ASSERT_TRUE(peak.clean) << peak.first;
  EXPECT_LE(peak.value, kLoudestLegal);
  std::printf("loudest legal stream tried: %g (bound %g)\n", peak.value, kLoudestLegal);
}

}  // namespace
}  // namespace strobe95::test
