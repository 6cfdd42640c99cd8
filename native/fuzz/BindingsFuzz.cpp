// Any message a page could post to the plugin: parsed as the web view parses it, run
// through the binding it names on a real instance, answered with the reply script. No
// web view is needed for that; the posted text is all a page controls. Afterwards every
// value stays inside its range, the state still saves as text that loads, and the notes
// and edits the call queued play through process to finite sound.
#include <clap/entry.h>
#include <clap/plugin-factory.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "AudioBlock.h"
#include "EventLists.h"
#include "FuzzInput.h"
#include "Gui/Bindings.h"
#include "Gui/WebView.h"
#include "Plugin.h"
#include "StateText.h"
#include "TestHost.h"

extern "C" const clap_plugin_entry clap_entry;

namespace {

using namespace strobe95;
using fuzz::require;

constexpr uint32_t kFrames = 64;

struct Instance {
  Instance() {
    const auto* factory = static_cast<const clap_plugin_factory*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
    plugin = factory->create_plugin(factory, host.host(), factory->get_plugin_descriptor(factory, 0)->id);
    require(plugin && plugin->init(plugin), "the plugin is not created");
    defaults = Plugin::from(plugin).writeStateText();
    require(plugin->activate(plugin, 48000, 1, kFrames) && plugin->start_processing(plugin),
            "the plugin does not start");
  }
  ~Instance() {
    plugin->stop_processing(plugin);
    plugin->deactivate(plugin);
    plugin->destroy(plugin);
  }
  test::TestHost host;
  const clap_plugin* plugin = nullptr;
  std::string defaults;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = clap_entry.init("");
  require(ready, "the entry does not initialise");
  static Instance instance;
  const clap_plugin* clap = instance.plugin;
  Plugin& plugin = Plugin::from(clap);
  // As a host starts a project: its state loaded, the instance reset.
  plugin.readStateText(instance.defaults);
  clap->reset(clap);

  const auto call = bridge::parseCall(std::string_view(reinterpret_cast<const char*>(data), size));
  if (call) {
    BindingReply reply;
    for (const Binding& binding : kBindings) {
      if (call->name == binding.name) reply = binding.call(plugin, call->args);
    }
    const std::string script = bridge::replyScript(call->id, reply);
    require(script.find(std::to_string(call->id)) != std::string::npos, "the reply names another call");
  }

  for (int i = 0; i < kParamCount; ++i) {
    const float v = plugin.value(i);
    require(std::isfinite(v) && v >= kParamSpecs[i].min && v <= kParamSpecs[i].max, "%s is %g, outside [%g, %g]",
            kParamSpecs[i].textId, double(v), double(kParamSpecs[i].min), double(kParamSpecs[i].max));
  }
  const std::string saved = plugin.writeStateText();
  const auto loaded = parseStateText(saved);
  require(loaded && formatStateText(loaded->values, loaded->preset) == saved, "the state no longer saves and loads");

  test::AudioBlock block(kFrames);
  test::InputEvents in;
  test::OutputEvents out;
  require(clap->process(clap, block.process(&in, &out)) != CLAP_PROCESS_ERROR, "process failed");
  for (const auto& channel : block.channels) {
    for (const float sample : channel) require(std::isfinite(sample), "the call made a sample %g", double(sample));
  }
  return 0;
}
