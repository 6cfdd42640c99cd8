#pragma once
#include <string_view>

#include "ClapApi.h"

namespace strobe95 {

class Plugin;

// The clap_plugin table of one instance: plugin_data points back at it.
clap_plugin makePluginTable(Plugin* self);

// The extension tables shared by every instance; null for an id we do not offer.
const void* findExtension(std::string_view id);

}  // namespace strobe95
