#pragma once
// The two host extensions only a standalone host offers: what kind of host it is, and
// what it can do for a plugin that wants to know (its settings window, its ports).
#include <cstdint>

#include "ClapHostApi.h"

namespace strobe95::standalone {

inline constexpr const char* kHostInformationExtension = "standalone-host.host-information/0";
inline constexpr const char* kStandaloneFeaturesExtension = "standalone-host.standalone-features.draft/5";
inline constexpr const char* kStandaloneSettingsFactory =
    "standalone-host.plugin-factory-standalone-settings.draft/1";

extern "C" {

typedef struct standalone_host_information {
  const char*(CLAP_ABI* kind)(const clap_host_t* host);
  const char*(CLAP_ABI* description)(const clap_host_t* host);
} standalone_host_information_t;

// A device or port as the host lists it; the strings live until the next call.
typedef struct standalone_host_record {
  const char* id;
  const char* name;
} standalone_host_record_t;

typedef struct standalone_host_features {
  bool(CLAP_ABI* has_settings_window)(const clap_host_t* host);
  bool(CLAP_ABI* show_settings_window)(const clap_host_t* host);
  uint32_t(CLAP_ABI* midi_input_count)(const clap_host_t* host);
  bool(CLAP_ABI* midi_input)(const clap_host_t* host, uint32_t index, standalone_host_record_t* out);
  uint32_t(CLAP_ABI* midi_output_count)(const clap_host_t* host);
  bool(CLAP_ABI* midi_output)(const clap_host_t* host, uint32_t index, standalone_host_record_t* out);
  uint32_t(CLAP_ABI* audio_device_count)(const clap_host_t* host);
  bool(CLAP_ABI* audio_device)(const clap_host_t* host, uint32_t index, standalone_host_record_t* out);
} standalone_host_features_t;

// Offered by a plugin entry that wants a say in the standalone's defaults.
typedef struct standalone_settings_factory {
  uint32_t(CLAP_ABI* version)(const struct standalone_settings_factory* factory);
  // The default plugin-state persistence: 0 session, 1 none; anything else: no opinion.
  uint32_t(CLAP_ABI* default_state_persistence)(const struct standalone_settings_factory* factory);
} standalone_settings_factory_t;
}

}  // namespace strobe95::standalone
