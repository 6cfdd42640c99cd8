#pragma once
// What hosts show for a parameter value, and what they may type back.
#include <optional>
#include <string>
#include <string_view>

#include "ParamSpec.h"

namespace strobe95 {

// "1.8 kHz", "5 ms", "1.20 s", "80%", "Up-Down", "On", "3".
std::string formatValueText(const ParamSpec& param, double value);

// A choice name or On/Off, else a number with an optional k, m or % after it; clamped to
// the range, not rounded. Nothing readable: nullopt.
std::optional<double> parseValueText(const ParamSpec& param, std::string_view text);

}  // namespace strobe95
