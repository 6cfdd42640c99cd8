#include "Descriptor.h"

#include "Version.h"

namespace strobe95 {
namespace {

constexpr const char* kProductPage = "https://glowhaus.co/strobe-95";
// Not const: older SDKs declare the list as const char**.
const char* kFeatures[] = {CLAP_PLUGIN_FEATURE_INSTRUMENT, CLAP_PLUGIN_FEATURE_SYNTHESIZER,
                           CLAP_PLUGIN_FEATURE_STEREO, nullptr};

}  // namespace

const clap_plugin_descriptor kDescriptor = {
    kClapVersion,
    "co.glowhaus.strobe95",
    "STROBE-95",
    "Glowhaus",
    kProductPage,
    kProductPage,
    kProductPage,
    kPluginVersion,
    "A free 90s rave synth: supersaw, hoover, acid, an arpeggiator that breathes, a sample "
    "layer and effects.",
    kFeatures,
};

}  // namespace strobe95
