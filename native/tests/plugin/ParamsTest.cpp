#include <cmath>
#include <fstream>
#include <limits>
#include <string>

#include <nlohmann/json.hpp>

#include "PluginFixture.h"

namespace strobe95::test {
namespace {

enum Kind { Float, Int, Bool, Choice };

struct ExpectedParam {
  uint32_t clapId;  // stored by hosts in saved projects: must never change
  const char* textId;
  const char* name;
  const char* module;
  Kind kind;
};

// The parameters in table order, as hosts know them.
const ExpectedParam kExpected[] = {
    {321635425, "supersaw", "Supersaw", "Oscillators", Float},
    {996138284, "detune", "Detune", "Oscillators", Float},
    {361197087, "width", "Width", "Oscillators", Float},
    {1315828287, "pwm", "Pulse", "Oscillators", Float},
    {1548630293, "sub", "Sub", "Oscillators", Float},
    {272897745, "noise", "Noise", "Oscillators", Float},
    {906079106, "hoover", "Hoover", "Oscillators", Float},
    {719102319, "sample_track", "Sample Keys", "Sample", Bool},
    {384008871, "sample", "Sample", "Sample", Choice},
    {1006356318, "sample_level", "Sample Level", "Sample", Float},
    {1472317575, "acid_filter", "Acid Filter", "Filter", Bool},
    {1801646368, "cutoff", "Cutoff", "Filter", Float},
    {958726815, "resonance", "Resonance", "Filter", Float},
    {822582813, "env_amount", "Filter Env Amount", "Filter", Float},
    {1102263806, "filter_decay", "Filter Env Decay", "Filter", Float},
    {504504096, "key_track", "Key Track", "Filter", Float},
    {1921445482, "mono", "Mono", "Amp", Bool},
    {1167440125, "attack", "Attack", "Amp", Float},
    {1393943901, "decay", "Decay", "Amp", Float},
    {1103988874, "sustain", "Sustain", "Amp", Float},
    {272019070, "release", "Release", "Amp", Float},
    {1899544050, "glide", "Glide", "Amp", Float},
    {1201861198, "arp_on", "Arp", "Arp", Bool},
    {9433212, "arp_mode", "Arp Mode", "Arp", Choice},
    {974004537, "arp_rate", "Arp Rate", "Arp", Choice},
    {1531132548, "arp_octaves", "Arp Octaves", "Arp", Int},
    {702753508, "arp_gate", "Arp Gate", "Arp", Float},
    {397532599, "arp_feel", "Arp Feel", "Arp", Choice},
    {531555959, "drive", "Drive", "Effects", Float},
    {1487602995, "chorus", "Chorus", "Effects", Float},
    {453724705, "delay_mix", "Delay", "Effects", Float},
    {654233597, "delay_note", "Delay Time", "Effects", Choice},
    {426221250, "delay_feedback", "Delay Repeats", "Effects", Float},
    {1868381249, "delay_tone", "Delay Tone", "Effects", Float},
    {1558130328, "reverb_mix", "Reverb", "Effects", Float},
    {1476518063, "reverb_size", "Reverb Size", "Effects", Float},
    {1700710896, "reverb_damp", "Reverb Damp", "Effects", Float},
};

nlohmann::json panelDescription() {
  std::ifstream file(STROBE95_PANEL_DESCRIPTION);
  return nlohmann::json::parse(file);
}

using Params = PluginTest;

TEST_F(Params, InfosMatchTheHostTable) {
  const clap_plugin* p = instance.plugin();
  ASSERT_EQ(instance.params()->count(p), 37u);
  for (uint32_t i = 0; i < 37; ++i) {
    const ExpectedParam& e = kExpected[i];
    clap_param_info info;
    std::memset(&info, 0xAB, sizeof info);  // get_info must clear what it does not set
    ASSERT_TRUE(instance.params()->get_info(p, i, &info)) << i;
    EXPECT_EQ(info.id, e.clapId) << e.textId;
    EXPECT_EQ(info.id, clapIdOf(e.textId)) << e.textId << ": the id must follow the FNV-1a rule";
    EXPECT_STREQ(info.name, e.name);
    EXPECT_STREQ(info.module, e.module);
    EXPECT_EQ(info.cookie, nullptr);
    uint32_t flags = CLAP_PARAM_IS_AUTOMATABLE;
    if (e.kind != Float) flags |= CLAP_PARAM_IS_STEPPED;
    if (e.kind == Bool || e.kind == Choice) flags |= 1u << 16;  // CLAP_PARAM_IS_ENUM since 1.2
    EXPECT_EQ(info.flags, flags) << e.textId;
  }
}

TEST_F(Params, RangesAndDefaultsAreThePanelDescriptions) {
  const auto panel = panelDescription();
  const clap_plugin* p = instance.plugin();
  uint32_t index = 0;
  for (const auto& section : panel["sections"]) {
    std::vector<nlohmann::json> controls;
    if (section.contains("switch")) controls.push_back(section["switch"]);
    for (const auto& c : section["controls"]) controls.push_back(c);
    for (const auto& control : controls) {
      ASSERT_LT(index, 37u);
      const std::string id = control["id"];
      EXPECT_EQ(id, kExpected[index].textId) << "panel order must be table order";
      EXPECT_EQ(section["title"], kExpected[index].module) << id;
      clap_param_info info{};
      ASSERT_TRUE(instance.params()->get_info(p, index, &info));
      // Hosts see the table's float constants widened: 0.8 arrives as 0.800000011920929.
      EXPECT_EQ(info.min_value, double(float(control["min"]))) << id;
      EXPECT_EQ(info.max_value, double(float(control["max"]))) << id;
      EXPECT_EQ(info.default_value, double(float(control["default"]))) << id;
      double value = 0;
      ASSERT_TRUE(instance.params()->get_value(p, info.id, &value));
      EXPECT_EQ(value, info.default_value) << id << " starts at its default";
      const std::string type = control["type"];
      const Kind kinds[] = {Float, Int, Bool, Choice};
      const char* names[] = {"float", "int", "boolean", "choice"};
      for (int k = 0; k < 4; ++k) {
        if (type == names[k]) {
          EXPECT_EQ(kExpected[index].kind, kinds[k]) << id;
        }
      }
      ++index;
    }
  }
  EXPECT_EQ(index, 37u);
  EXPECT_EQ(panel["version"], "0.5.1");
  EXPECT_EQ(panel["identifier"], "co.glowhaus.strobe95");
  EXPECT_EQ(panel["presets"].size(), 18u);
}

TEST_F(Params, PresetsStayInsideTheirRanges) {
  const auto panel = panelDescription();
  for (const auto& preset : panel["presets"]) {
    for (const auto& [id, value] : preset["values"].items()) {
      const int index = [&] {
        for (int i = 0; i < 37; ++i) {
          if (id == kExpected[i].textId) return i;
        }
        return -1;
      }();
      ASSERT_GE(index, 0) << preset["name"] << " names unknown " << id;
      clap_param_info info{};
      instance.params()->get_info(instance.plugin(), uint32_t(index), &info);
      // The page sends the preset's number; the plugin keeps it as a float.
      const float v = value;
      EXPECT_GE(v, float(info.min_value)) << preset["name"] << " " << id;
      EXPECT_LE(v, float(info.max_value)) << preset["name"] << " " << id;
    }
  }
}

TEST_F(Params, UnknownIdsAndIndicesAreRefused) {
  const clap_plugin* p = instance.plugin();
  clap_param_info info{};
  info.id = 77;
  EXPECT_FALSE(instance.params()->get_info(p, 37, &info));
  EXPECT_FALSE(instance.params()->get_info(p, UINT32_MAX, &info));
  EXPECT_EQ(info.id, 77u);
  double out = -3;
  for (clap_id id : {0u, 1u, clapIdOf("cutoff") ^ 1u, clapIdOf("Cutoff"), 0x80000000u | clapIdOf("cutoff"), CLAP_INVALID_ID}) {
    EXPECT_FALSE(instance.params()->get_value(p, id, &out)) << id;
  }
  EXPECT_EQ(out, -3);
}

// flush stores what the host sends, unclamped and unrounded: the engine clamps its own copy.
TEST_F(Params, FlushStoresHostValuesAsSent) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* id;
    double sent;
    double stored;
  };
  const Case cases[] = {
      {"resonance", 1.5, 1.5},
      {"arp_mode", 2.6, double(2.6f)},  // reported back as 2.5999999046325684
      {"cutoff", -5, -5},
      {"sample", 1e300, std::numeric_limits<double>::infinity()},  // narrowed to float
      {"supersaw", 0.25, 0.25},
  };
  InputEvents in;
  for (const Case& c : cases) in.param(0, clapIdOf(c.id), c.sent);
  in.param(0, 12345, 1.0);             // not a parameter
  in.param(0, clapIdOf("width"), nan);  // stored as sent, too
  AnyEvent foreign{};
  foreign.param = in.events[0].param;
  foreign.param.header.space_id = 77;
  foreign.param.param_id = clapIdOf("detune");
  in.raw(foreign);
  in.noteOn(0, 60);

  instance.params()->flush(instance.plugin(), in.list(), nullptr);
  for (const Case& c : cases) EXPECT_EQ(instance.value(c.id), c.stored) << c.id;
  EXPECT_TRUE(std::isnan(instance.value("width")));
  EXPECT_EQ(instance.value("detune"), double(0.3f)) << "events of other spaces are ignored";
}

TEST_F(Params, FlushWithoutListsDoesNothing) {
  instance.params()->flush(instance.plugin(), nullptr, nullptr);
  EXPECT_EQ(instance.value("cutoff"), 1800);
}

}  // namespace
}  // namespace strobe95::test
