#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace strobe95 {

enum class ParamUnit : uint32_t { None = 0, Hz = 1, Seconds = 2 };
enum class ParamTaper : uint32_t { Linear = 0, Log = 1 };
enum class ParamType : uint32_t { Float = 0, Int = 1, Bool = 2, Choice = 3 };
enum class ParamTarget : uint32_t { ToVoices = 0, ToEffects = 1, ToEngine = 2 };

struct ParamSpec {
  const char* textId;
  const char* label;
  const char* name;
  const char* module;
  ParamUnit unit;
  ParamTaper taper;
  ParamType type;
  ParamTarget target;
  float min;
  float max;
  float defaultValue;
  const char* const* choices;
  int32_t choiceCount;
  uint32_t clapId;
};

inline constexpr int kParamCount = 37;

// Table order is the parameter index everywhere inside the plugin.
extern const std::array<ParamSpec, kParamCount> kParamSpecs;

// Hosts store automation by these ids, so neither the rule nor the text ids may change.
constexpr uint32_t clapIdForTextId(std::string_view textId) {
  uint32_t hash = 0x811C9DC5u;
  for (char c : textId) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 0x01000193u;
  }
  return hash & 0x7FFFFFFFu;
}

// Index of the parameter, or -1 when no parameter has that id.
int findParamByClapId(uint32_t clapId);
int findParamByTextId(std::string_view textId);

// Clamped into range; NaN gives the minimum.
float clampToRange(const ParamSpec& param, double value);

}  // namespace strobe95
