#pragma once
#include <string>

namespace strobe95 {

// The preset the page last chose and whether the user has changed a control since.
// An empty name means no preset has been chosen.
struct PresetState {
  std::string name;
  bool edited = false;

  bool operator==(const PresetState&) const = default;
};

}  // namespace strobe95
