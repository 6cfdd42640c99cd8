#pragma once
// What the standalone remembers between runs: the audio and MIDI choice, the window
// placement, the appearance and whether the last session is restored.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace strobe95::standalone {

// A device or port stored with both identities, so a choice survives either changing.
struct StoredPort {
  std::string id;
  std::string name;
  bool operator==(const StoredPort&) const = default;
};

struct WindowPlacement {
  int32_t x = 0;
  int32_t y = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  bool operator==(const WindowPlacement&) const = default;
};

enum ScreenAppearance : int32_t { kAppearanceAuto = 0, kAppearanceLight = 1, kAppearanceDark = 2 };
enum PluginStatePersistence : int32_t { kPersistSession = 0, kPersistNone = 1 };

struct StandaloneSettings {
  int32_t version = 1;
  std::string audioApiName;
  std::string inputDeviceId;
  std::string outputDeviceId;
  std::string inputDeviceName;
  std::string outputDeviceName;
  bool audioInputUsed = true;
  bool audioOutputUsed = true;
  int32_t sampleRate = 0;           // 0: the device's own rate
  uint32_t inputFirstChannel = 0;   // 0: the device's first choice; n: the choice starting at channel n (1-based)
  uint32_t outputFirstChannel = 0;
  uint32_t bufferSize = 256;        // frames
  bool midiBindAllPorts = true;
  std::vector<std::string> midiPorts;
  std::vector<StoredPort> midiPortIds;
  std::vector<std::string> midiOutputPorts;
  std::vector<StoredPort> midiOutputPortIds;
  bool midiVirtualInput = false;
  bool midiVirtualOutput = false;
  int32_t screenAppearance = kAppearanceAuto;
  std::optional<int32_t> pluginStatePersistence;
  std::optional<WindowPlacement> window;

  bool operator==(const StandaloneSettings&) const = default;
};

// Takes a window's placement into the record only when it has both a width and a height:
// a window that was never shown, or is collapsed to nothing, must not come back that way.
inline void storeWindowPlacement(StandaloneSettings& settings, const WindowPlacement& placement) {
  if (placement.width != 0 && placement.height != 0) settings.window = placement;
}

}  // namespace strobe95::standalone
