#include "ValueText.h"

#include <algorithm>
#include <cmath>

#include "NumberText.h"

namespace strobe95 {

std::string formatValueText(const ParamSpec& param, double value) {
  switch (param.type) {
    case ParamType::Choice: {
      const long long index =
          std::clamp<long long>(roundToInteger(value), 0, param.choiceCount - 1);
      return param.choices[index];
    }
    case ParamType::Bool:
      return value >= 0.5 ? "On" : "Off";
    case ParamType::Int:
      return formatInteger(roundToInteger(value));
    case ParamType::Float:
      break;
  }
  // The unit is chosen before rounding, so 999.5 Hz reads "1000 Hz", not "1.0 kHz".
  switch (param.unit) {
    case ParamUnit::Hz:
      if (value < 1000) return formatInteger(roundToInteger(value)) + " Hz";
      return formatFixed(value / 1000, 1) + " kHz";
    case ParamUnit::Seconds:
      if (value < 1) return formatInteger(roundToInteger(value * 1000)) + " ms";
      return formatFixed(value, 2) + " s";
    case ParamUnit::None:
      break;
  }
  if (param.max <= 1 && param.min >= 0) return formatInteger(roundToInteger(value * 100)) + "%";
  return formatFixed(value, 2);
}

std::optional<double> parseValueText(const ParamSpec& param, std::string_view text) {
  if (param.type == ParamType::Choice) {
    for (int i = 0; i < param.choiceCount; ++i) {
      if (text == param.choices[i]) return double(i);
    }
  }
  if (param.type == ParamType::Bool) {
    if (text == "On") return 1.0;
    if (text == "Off") return 0.0;
  }
  const auto number = readLeadingDouble(text);
  if (!number) return std::nullopt;
  double value = number->value;

  std::size_t i = number->length;
  while (i < text.size() && text[i] == ' ') ++i;
  const char next = i < text.size() ? text[i] : '\0';
  if (param.unit == ParamUnit::Hz && (next == 'k' || next == 'K')) {
    value *= 1000;
  } else if (param.unit == ParamUnit::Seconds && next == 'm') {
    value /= 1000;
  } else if (next == '%') {
    value /= 100;
  }
  return std::fmin(double{param.max}, std::fmax(double{param.min}, value));
}

}  // namespace strobe95
