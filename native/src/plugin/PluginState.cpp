// The state extension: the instance's values and preset as the text of StateText.h.
#include "Gui/Gui.h"
#include "Plugin.h"
#include "StateText.h"

namespace strobe95 {
namespace {

constexpr std::size_t kStateReadChunk = 4096;
constexpr std::size_t kMaxStateBytes = 1u << 20;  // far beyond any real state; bounds a runaway stream

}  // namespace

std::string Plugin::writeStateText() const {
  ParamValues values;
  for (int i = 0; i < kParamCount; ++i) values[i] = values_[i].load();
  return formatStateText(values, getPresetState());
}

void Plugin::readStateText(std::string_view text) {
  auto state = parseStateText(text);
  if (!state) return;
  for (int i = 0; i < kParamCount; ++i) values_[i].exchange(state->values[i]);
  setPresetState(std::move(state->preset.name), state->preset.edited);
  // A loaded project shows at once, not at the next host change.
  if (gui_) gui_->refresh();
}

bool Plugin::save(const clap_ostream* stream) const {
  const std::string text = writeStateText();
  std::size_t written = 0;
  while (written < text.size()) {
    const int64_t n = stream->write(stream, text.data() + written, text.size() - written);
    if (n <= 0) return false;
    written += std::min<std::size_t>(static_cast<std::size_t>(n), text.size() - written);
  }
  return true;
}

bool Plugin::load(const clap_istream* stream) {
  std::string text;
  char chunk[kStateReadChunk];
  for (;;) {
    const int64_t n = stream->read(stream, chunk, sizeof chunk);
    if (n == 0) break;
    if (n < 0) return false;
    text.append(chunk, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof chunk));
    if (text.size() > kMaxStateBytes) return false;
  }
  readStateText(text);
  return true;
}

}  // namespace strobe95
