#pragma once
// The clap.gui table, and on Linux the clap.timer-support table through which the host
// runs the editor from its own loop.
#include <clap/ext/gui.h>
#include <clap/ext/timer-support.h>

namespace strobe95 {

extern const clap_plugin_gui kGuiExtension;
extern const clap_plugin_timer_support kTimerSupportExtension;

}  // namespace strobe95
