#pragma once

namespace strobe95 {

// One version for the descriptor, saved state and the panel description: the project's,
// handed over by the build, which also checks that the panel description agrees.
inline constexpr const char* kPluginVersion = STROBE95_VERSION;
inline constexpr const char* kProductWord = "STROBE-95";

}  // namespace strobe95
