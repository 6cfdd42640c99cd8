#include "StateText.h"

#include <cmath>

#include "NumberText.h"
#include "Version.h"

namespace strobe95 {

ParamValues defaultParamValues() {
  ParamValues values{};
  for (int i = 0; i < kParamCount; ++i) values[i] = kParamSpecs[i].defaultValue;
  return values;
}

std::string formatStateText(const ParamValues& values, const PresetState& preset) {
  std::string text;
  text.reserve(1024 + preset.name.size());
  text.append(kProductWord).append(" ").append(kPluginVersion).append("\n");
  text.append("preset ").append(preset.name).append("\n");
  text.append("edited ").append(preset.edited ? "1" : "0").append("\n");
  for (int i = 0; i < kParamCount; ++i) {
    text.append(kParamSpecs[i].textId).append(" ").append(formatShortest9(values[i])).append("\n");
  }
  return text;
}

namespace {

// Splits at line feeds only: a carriage return stays part of its line.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : rest_(text) {}

  std::optional<std::string_view> next() {
    if (done_) return std::nullopt;
    const std::size_t end = rest_.find('\n');
    std::string_view line = rest_.substr(0, end);
    if (end == std::string_view::npos) {
      done_ = true;
    } else {
      rest_.remove_prefix(end + 1);
    }
    return line;
  }

 private:
  std::string_view rest_;
  bool done_ = false;
};

}  // namespace

std::optional<StateContents> parseStateText(std::string_view text) {
  LineReader lines(text);
  const auto header = lines.next();
  const std::string_view product(kProductWord);
  if (!header || header->substr(0, product.size()) != product) return std::nullopt;

  StateContents state{defaultParamValues(), {}};
  while (const auto line = lines.next()) {
    const std::size_t space = line->find(' ');
    if (space == std::string_view::npos) continue;
    const std::string_view key = line->substr(0, space);
    const std::string_view value = line->substr(space + 1);
    if (key == "preset") {
      state.preset.name = std::string(value);
    } else if (key == "edited") {
      state.preset.edited = value == "1";
    } else if (const int index = findParamByTextId(key); index >= 0) {
      const auto number = readLeadingFloat(value);
      const float v = number ? number->value : 0.0f;
      if (!std::isfinite(v)) continue;
      state.values[index] = clampToRange(kParamSpecs[index], v);
    }
  }
  return state;
}

}  // namespace strobe95
