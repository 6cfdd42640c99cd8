#pragma once

namespace strobe95 {

// One version for the descriptor, saved state and the panel description.
inline constexpr const char* kPluginVersion = "0.5.1";
inline constexpr const char* kProductWord = "STROBE-95";

}  // namespace strobe95
