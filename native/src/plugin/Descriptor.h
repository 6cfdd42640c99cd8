#pragma once
#include "ClapApi.h"

namespace strobe95 {

extern const clap_plugin_descriptor kDescriptor;

}  // namespace strobe95
