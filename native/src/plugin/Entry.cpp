// The one exported symbol: the entry, its plugin factory and the single plugin behind it.
#include <cstring>

#include "ClapApi.h"
#include "Descriptor.h"
#include "Plugin.h"

namespace strobe95 {
namespace {

uint32_t factoryPluginCount(const clap_plugin_factory*) { return 1; }

const clap_plugin_descriptor* factoryDescriptor(const clap_plugin_factory*, uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}

const clap_plugin* factoryCreate(const clap_plugin_factory*, const clap_host* host,
                                 const char* pluginId) {
  if (!host || !pluginId || !clap_version_is_compatible(host->clap_version)) return nullptr;
  if (std::strcmp(pluginId, kDescriptor.id) != 0) return nullptr;
  try {
    return (new Plugin(host))->clapPlugin();
  } catch (...) {
    return nullptr;  // nothing may be thrown across the C boundary
  }
}

const clap_plugin_factory kFactory = {factoryPluginCount, factoryDescriptor, factoryCreate};

bool entryInit(const char*) { return true; }
void entryDeinit() {}
const void* entryGetFactory(const char* factoryId) {
  return factoryId && std::strcmp(factoryId, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory : nullptr;
}

}  // namespace
}  // namespace strobe95

extern "C" CLAP_EXPORT const clap_plugin_entry clap_entry = {
    strobe95::kClapVersion, strobe95::entryInit, strobe95::entryDeinit, strobe95::entryGetFactory};
