#include "ValueText.h"

#include <algorithm>
#include <cmath>

#include "NumberText.h"

namespace strobe95 {

std::string formatValueText(const ParamSpec& spec, double value) {
  switch (spec.type) {
    case ParamType::Choice: {
      const long long index =
          std::clamp<long long>(roundToInteger(value), 0, spec.choiceCount - 1);
      return spec.choices[index];
    }
    case ParamType::Bool:
      return value >= 0.5 ? "On" : "Off";
    case ParamType::Int:
      return formatInteger(roundToInteger(value));
    case ParamType::Float:
      break;
  }
  // The unit is chosen before rounding, so 999.5 Hz reads "1000 Hz", not "1.0 kHz".
  switch (spec.unit) {
    case ParamUnit::Hz:
      if (value < 1000) return formatInteger(roundToInteger(value)) + " Hz";
      return formatFixed(value / 1000, 1) + " kHz";
    case ParamUnit::Seconds:
      if (value < 1) return formatInteger(roundToInteger(value * 1000)) + " ms";
      return formatFixed(value, 2) + " s";
    case ParamUnit::None:
      break;
  }
  if (spec.max <= 1 && spec.min >= 0) return formatInteger(roundToInteger(value * 100)) + "%";
  return formatFixed(value, 2);
}

std::optional<double> parseValueText(const ParamSpec& spec, std::string_view text) {
  if (spec.type == ParamType::Choice) {
    for (int i = 0; i < spec.choiceCount; ++i) {
      if (text == spec.choices[i]) return double(i);
    }
  }
  if (spec.type == ParamType::Bool) {
    if (text == "On") return 1.0;
    if (text == "Off") return 0.0;
  }
  const auto number = readLeadingDouble(text);
  if (!number) return std::nullopt;
  double value = number->value;

  std::size_t i = number->length;
  while (i < text.size() && text[i] == ' ') ++i;
  const char next = i < text.size() ? text[i] : '\0';
  if (spec.unit == ParamUnit::Hz && (next == 'k' || next == 'K')) {
    value *= 1000;
  } else if (spec.unit == ParamUnit::Seconds && next == 'm') {
    value /= 1000;
  } else if (next == '%') {
    value /= 100;
  }
  return std::fmin(double{spec.max}, std::fmax(double{spec.min}, value));
}

}  // namespace strobe95
