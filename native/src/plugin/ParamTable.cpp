#include <cmath>
#include <string_view>

#include "ParamSpec.h"

namespace strobe95 {
namespace {

// What the panel description says of each parameter.
struct PanelParam {
  const char* textId;
  const char* label;
  const char* module;
  ParamUnit unit;
  ParamTaper taper;
  ParamType type;
  float min;
  float max;
  float defaultValue;
  const char* const* choices;
  int32_t choiceCount;
};

#include "ParamTableData.inc"

// What only hosts and the engine need: the host-facing name and where the value goes.
struct HostFacing {
  const char* textId;
  const char* name;
  ParamTarget target;
};

constexpr ParamTarget V = ParamTarget::ToVoices;
constexpr ParamTarget E = ParamTarget::ToEffects;
constexpr ParamTarget G = ParamTarget::ToEngine;

constexpr HostFacing kHostFacing[kParamCount] = {
    {"supersaw", "Supersaw", V},        {"detune", "Detune", V},
    {"width", "Width", V},              {"pwm", "Pulse", V},
    {"sub", "Sub", V},                  {"noise", "Noise", V},
    {"hoover", "Hoover", V},            {"sample_track", "Sample Keys", G},
    {"sample", "Sample", G},            {"sample_level", "Sample Level", V},
    {"acid_filter", "Acid Filter", V},  {"cutoff", "Cutoff", V},
    {"resonance", "Resonance", V},      {"env_amount", "Filter Env Amount", V},
    {"filter_decay", "Filter Env Decay", V}, {"key_track", "Key Track", V},
    {"mono", "Mono", G},                {"attack", "Attack", V},
    {"decay", "Decay", V},              {"sustain", "Sustain", V},
    {"release", "Release", V},          {"glide", "Glide", V},
    {"arp_on", "Arp", G},               {"arp_mode", "Arp Mode", G},
    {"arp_rate", "Arp Rate", G},        {"arp_octaves", "Arp Octaves", G},
    {"arp_gate", "Arp Gate", G},        {"arp_feel", "Arp Feel", G},
    {"drive", "Drive", E},              {"chorus", "Chorus", E},
    {"delay_mix", "Delay", E},          {"delay_note", "Delay Time", G},
    {"delay_feedback", "Delay Repeats", E}, {"delay_tone", "Delay Tone", E},
    {"reverb_mix", "Reverb", E},        {"reverb_size", "Reverb Size", E},
    {"reverb_damp", "Reverb Damp", E},
};

static_assert(kPanelParamCount == kParamCount, "the panel description must list 37 parameters");

constexpr bool panelAndHostTablesAgree() {
  for (int i = 0; i < kParamCount; ++i) {
    if (std::string_view(kPanelParams[i].textId) != kHostFacing[i].textId) return false;
  }
  return true;
}
static_assert(panelAndHostTablesAgree(), "host-facing rows must follow the panel description's order");

constexpr std::array<ParamSpec, kParamCount> buildTable() {
  std::array<ParamSpec, kParamCount> table{};
  for (int i = 0; i < kParamCount; ++i) {
    const PanelParam& p = kPanelParams[i];
    table[i] = ParamSpec{p.textId, p.label, kHostFacing[i].name, p.module, p.unit, p.taper, p.type,
                         kHostFacing[i].target, p.min, p.max, p.defaultValue, p.choices,
                         p.choiceCount, clapIdForTextId(p.textId)};
  }
  return table;
}

}  // namespace

const std::array<ParamSpec, kParamCount> kParamSpecs = buildTable();

int findParamByClapId(uint32_t clapId) {
  for (int i = 0; i < kParamCount; ++i) {
    if (kParamSpecs[i].clapId == clapId) return i;
  }
  return -1;
}

int findParamByTextId(std::string_view textId) {
  for (int i = 0; i < kParamCount; ++i) {
    if (textId == kParamSpecs[i].textId) return i;
  }
  return -1;
}

float clampToRange(const ParamSpec& param, double value) {
  return static_cast<float>(std::fmin(double{param.max}, std::fmax(double{param.min}, value)));
}

}  // namespace strobe95
