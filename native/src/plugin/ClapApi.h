#pragma once
// The CLAP headers the plugin uses, plus the few declarations newer than the SDK copy we
// may be building against. CLAP 1.x is ABI-stable, so declaring a newer constant is safe.

#include <clap/entry.h>
#include <clap/events.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/host.h>
#include <clap/plugin-factory.h>
#include <clap/plugin.h>
#include <clap/process.h>
#include <clap/stream.h>

// STROBE95_CLAP_SDK_MINOR is the SDK's minor version, read from its version.h by the build.
#if STROBE95_CLAP_SDK_MINOR < 2
enum : uint32_t { CLAP_PARAM_IS_ENUM = 1 << 16 };
#endif

namespace strobe95 {

// The interface version this plugin is written against, reported in every table it fills.
inline constexpr clap_version_t kClapVersion = {1, 2, 10};

}  // namespace strobe95
