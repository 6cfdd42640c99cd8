#pragma once
// The CLAP headers the standalone host uses, plus the host-side tables it answers that the
// SDK copy in use may not ship. Each missing table is declared here only when its SDK
// header is absent; CLAP 1.x is ABI-stable, so the layouts are those of every 1.x SDK.
#include "ClapApi.h"

#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/thread-check.h>
#include <clap/ext/timer-support.h>

#if __has_include(<clap/ext/log.h>)
#include <clap/ext/log.h>
#else
static const char CLAP_EXT_LOG[] = "clap.log";
enum {
  CLAP_LOG_DEBUG = 0,
  CLAP_LOG_INFO = 1,
  CLAP_LOG_WARNING = 2,
  CLAP_LOG_ERROR = 3,
  CLAP_LOG_FATAL = 4,
  CLAP_LOG_HOST_MISBEHAVING = 5,
  CLAP_LOG_PLUGIN_MISBEHAVING = 6,
};
typedef int32_t clap_log_severity;
extern "C" {
typedef struct clap_host_log {
  void(CLAP_ABI* log)(const clap_host_t* host, clap_log_severity severity, const char* msg);
} clap_host_log_t;
}
#endif

#if __has_include(<clap/ext/tail.h>)
#include <clap/ext/tail.h>
#else
static const char CLAP_EXT_TAIL[] = "clap.tail";
extern "C" {
typedef struct clap_host_tail {
  void(CLAP_ABI* changed)(const clap_host_t* host);
} clap_host_tail_t;
}
#endif

#if __has_include(<clap/ext/track-info.h>)
#include <clap/ext/track-info.h>
#else
static const char CLAP_EXT_TRACK_INFO[] = "clap.track-info/1";
// Never filled by this host, which has no tracks; declared opaque.
typedef struct clap_track_info clap_track_info_t;
extern "C" {
typedef struct clap_host_track_info {
  bool(CLAP_ABI* get)(const clap_host_t* host, clap_track_info_t* info);
} clap_host_track_info_t;
}
#endif

#if __has_include(<clap/ext/context-menu.h>)
#include <clap/ext/context-menu.h>
#else
static const char CLAP_EXT_CONTEXT_MENU[] = "clap.context-menu/1";
extern "C" {
typedef struct clap_context_menu_target {
  uint32_t kind;
  clap_id id;
} clap_context_menu_target_t;
typedef struct clap_context_menu_builder {
  void* ctx;
  bool(CLAP_ABI* add_item)(const struct clap_context_menu_builder* builder, uint32_t item_kind,
                           const void* item_data);
  bool(CLAP_ABI* supports)(const struct clap_context_menu_builder* builder, uint32_t item_kind);
} clap_context_menu_builder_t;
typedef struct clap_host_context_menu {
  bool(CLAP_ABI* populate)(const clap_host_t* host, const clap_context_menu_target_t* target,
                           const clap_context_menu_builder_t* builder);
  bool(CLAP_ABI* perform)(const clap_host_t* host, const clap_context_menu_target_t* target,
                          clap_id action_id);
  bool(CLAP_ABI* can_popup)(const clap_host_t* host);
  bool(CLAP_ABI* popup)(const clap_host_t* host, const clap_context_menu_target_t* target,
                        int32_t screen_index, int32_t x, int32_t y);
} clap_host_context_menu_t;
}
#endif

#if __has_include(<clap/ext/preset-load.h>)
#include <clap/ext/preset-load.h>
#else
static const char CLAP_EXT_PRESET_LOAD[] = "clap.preset-load/2";
extern "C" {
typedef struct clap_host_preset_load {
  void(CLAP_ABI* on_error)(const clap_host_t* host, uint32_t location_kind, const char* location,
                           const char* load_key, int32_t os_error, const char* msg);
  void(CLAP_ABI* loaded)(const clap_host_t* host, uint32_t location_kind, const char* location,
                         const char* load_key);
} clap_host_preset_load_t;
}
#endif

// Older spellings a plugin may still ask for; not in every SDK.
inline constexpr const char* kClapExtContextMenuCompat = "clap.context-menu.draft/0";
inline constexpr const char* kClapExtPresetLoadCompat = "clap.preset-load.draft/2";
