#include "SettingsText.h"

#include <cstdint>
#include <limits>

namespace strobe95::standalone {
namespace {

constexpr std::string_view kHeader =
    "# Standalone host settings.\n"
    "# Audio devices and MIDI ports are matched by id, then by name, when the standalone\n"
    "# starts. An unmatched one falls back to the system default for that run, and is kept.\n";

bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view text) {
  while (!text.empty() && isTrimmed(text.front())) text.remove_prefix(1);
  while (!text.empty() && isTrimmed(text.back())) text.remove_suffix(1);
  return text;
}

// The leading decimal number after optional white space and sign, 0 when there is none.
// Digits past what 64 bits hold keep the value at its end; the caller clamps further.
int64_t leadingNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 10 - 9;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < kLimit) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

int32_t asI32(std::string_view text) {
  const int64_t v = leadingNumber(text);
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

uint32_t asU32(std::string_view text) {
  const int64_t v = leadingNumber(text);
  if (v < 0) return 0;
  if (v > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(v);
}

bool asBool(std::string_view text) { return text == "true" || text == "1" || text == "yes"; }

StoredPort asPair(const std::string& value) {
  const std::size_t tab = value.find('\t');
  if (tab == std::string::npos) return {value, {}};
  return {value.substr(0, tab), value.substr(tab + 1)};
}

const char* boolText(bool value) { return value ? "true" : "false"; }

const char* appearanceText(int32_t value) {
  if (value == kAppearanceLight) return "light";
  if (value == kAppearanceDark) return "dark";
  return "auto";
}

class Writer {
 public:
  void line(std::string_view key, std::string_view value) {
    text_.append(key).append("=").append(value).append("\n");
  }
  void text(std::string_view key, std::string_view value) { line(key, escapeSettingsValue(value)); }
  void flag(std::string_view key, bool value) { line(key, boolText(value)); }
  void number(std::string_view key, int64_t value) { line(key, std::to_string(value)); }
  void pair(std::string_view key, const StoredPort& port) {
    text(key, port.id + "\t" + port.name);
  }
  std::string take() { return std::move(text_); }

 private:
  std::string text_{kHeader};
};

}  // namespace

std::string escapeSettingsValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (const char c : value) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

std::string unescapeSettingsValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[i + 1]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      default: out += value[i]; out += value[i + 1];  // not an escape: both stay
    }
    ++i;
  }
  return out;
}

std::string formatSettings(const StandaloneSettings& s) {
  Writer w;
  w.number("version", 1);
  w.text("audioApiName", s.audioApiName);
  w.text("outputDeviceId", s.outputDeviceId);
  w.text("outputDeviceName", s.outputDeviceName);
  w.text("inputDeviceId", s.inputDeviceId);
  w.text("inputDeviceName", s.inputDeviceName);
  w.flag("audioOutputUsed", s.audioOutputUsed);
  w.flag("audioInputUsed", s.audioInputUsed);
  w.number("sampleRate", s.sampleRate);
  w.number("outputFirstChannel", s.outputFirstChannel);
  w.number("inputFirstChannel", s.inputFirstChannel);
  w.number("bufferSize", s.bufferSize);
  w.flag("midiBindAllPorts", s.midiBindAllPorts);
  for (const auto& name : s.midiPorts) w.text("midiPort", name);
  for (const auto& port : s.midiPortIds) w.pair("midiPortId", port);
  for (const auto& name : s.midiOutputPorts) w.text("midiOutputPort", name);
  for (const auto& port : s.midiOutputPortIds) w.pair("midiOutputPortId", port);
  w.flag("midiVirtualInput", s.midiVirtualInput);
  w.flag("midiVirtualOutput", s.midiVirtualOutput);
  w.line("screenAppearance", appearanceText(s.screenAppearance));
  if (s.pluginStatePersistence) {
    w.line("pluginStatePersistence", *s.pluginStatePersistence == kPersistNone ? "none" : "session");
  }
  if (s.window) {
    w.number("windowX", s.window->x);
    w.number("windowY", s.window->y);
    w.number("windowWidth", s.window->width);
    w.number("windowHeight", s.window->height);
  }
  return w.take();
}

StandaloneSettings parseSettings(std::string_view text) {
  StandaloneSettings s;
  bool sawMidiInputKey = false;
  auto window = [&s]() -> WindowPlacement& {
    if (!s.window) s.window.emplace();
    return *s.window;
  };
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == '#') continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = trim(line.substr(0, equals));
    const std::string value = unescapeSettingsValue(trim(line.substr(equals + 1)));

    if (key == "version") s.version = asI32(value);
    else if (key == "audioApiName") s.audioApiName = value;
    else if (key == "inputDeviceId") s.inputDeviceId = value;
    else if (key == "outputDeviceId") s.outputDeviceId = value;
    else if (key == "inputDeviceName") s.inputDeviceName = value;
    else if (key == "outputDeviceName") s.outputDeviceName = value;
    else if (key == "audioInputUsed") s.audioInputUsed = asBool(value);
    else if (key == "audioOutputUsed") s.audioOutputUsed = asBool(value);
    else if (key == "sampleRate") s.sampleRate = asI32(value);
    else if (key == "inputFirstChannel") s.inputFirstChannel = asU32(value);
    else if (key == "outputFirstChannel") s.outputFirstChannel = asU32(value);
    else if (key == "bufferSize") s.bufferSize = asU32(value);
    else if (key == "midiBindAllPorts") { s.midiBindAllPorts = asBool(value); sawMidiInputKey = true; }
    else if (key == "midiPort") { s.midiPorts.push_back(value); sawMidiInputKey = true; }
    else if (key == "midiPortId") { s.midiPortIds.push_back(asPair(value)); sawMidiInputKey = true; }
    else if (key == "midiOutputPort") s.midiOutputPorts.push_back(value);
    else if (key == "midiOutputPortId") s.midiOutputPortIds.push_back(asPair(value));
    else if (key == "midiVirtualInput") s.midiVirtualInput = asBool(value);
    else if (key == "midiVirtualOutput") s.midiVirtualOutput = asBool(value);
    else if (key == "screenAppearance") {
      s.screenAppearance = value == "light" ? kAppearanceLight : value == "dark" ? kAppearanceDark : kAppearanceAuto;
    } else if (key == "pluginStatePersistence") {
      s.pluginStatePersistence = value == "none" ? kPersistNone : kPersistSession;
    } else if (key == "windowX") window().x = asI32(value);
    else if (key == "windowY") window().y = asI32(value);
    else if (key == "windowWidth") window().width = asU32(value);
    else if (key == "windowHeight") window().height = asU32(value);
  }
  if (!sawMidiInputKey) {
    s.midiBindAllPorts = true;
    s.midiPorts.clear();
    s.midiPortIds.clear();
  }
  return s;
}

}  // namespace strobe95::standalone
