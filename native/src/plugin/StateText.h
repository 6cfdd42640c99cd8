#pragma once
// The saved state: a short text a host stores in its project, and which a user may read.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "ParamSpec.h"
#include "PresetState.h"

namespace strobe95 {

using ParamValues = std::array<float, kParamCount>;

struct StateContents {
  ParamValues values;
  PresetState preset;
};

ParamValues defaultParamValues();

std::string formatStateText(const ParamValues& values, const PresetState& preset);

// nullopt when the text is not a state of this plugin (its first line does not begin
// with the product word). Otherwise every parameter it does not set readably is at its
// default, and every value it sets is clamped to the parameter's range.
std::optional<StateContents> parseStateText(std::string_view text);

}  // namespace strobe95
