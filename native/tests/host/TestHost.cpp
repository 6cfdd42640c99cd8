#include "TestHost.h"

#include <cstring>
#include <stdexcept>

#include "Streams.h"

namespace strobe95::test {

TestHost::TestHost(HostOptions options) : options_(options) {
  host_ = clap_host{};
  host_.clap_version = options.version;
  host_.host_data = this;
  host_.name = "strobe95 test host";
  host_.vendor = "glowhaus";
  host_.url = "";
  host_.version = "1";
  host_.get_extension = getExtension;
  host_.request_restart = [](const clap_host*) {};
  host_.request_process = [](const clap_host*) {};
  host_.request_callback = [](const clap_host*) {};
  params_.rescan = [](const clap_host*, clap_param_rescan_flags) {};
  params_.clear = [](const clap_host*, clap_id, clap_param_clear_flags) {};
  params_.request_flush = [](const clap_host* h) { ++static_cast<TestHost*>(h->host_data)->flushRequests; };
  state_.mark_dirty = [](const clap_host* h) { ++static_cast<TestHost*>(h->host_data)->dirtyMarks; };
}

const void* TestHost::getExtension(const clap_host* host, const char* id) {
  auto* self = static_cast<TestHost*>(host->host_data);
  if (self->options_.offerParams && std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &self->params_;
  if (self->options_.offerState && std::strcmp(id, CLAP_EXT_STATE) == 0) return &self->state_;
  return nullptr;
}

const clap_plugin_factory* factoryOf(const PluginLibrary& library) {
  if (!library.entry()) return nullptr;
  return static_cast<const clap_plugin_factory*>(library.entry()->get_factory(CLAP_PLUGIN_FACTORY_ID));
}

PluginInstance::PluginInstance(const PluginLibrary& library, TestHost& host) {
  const clap_plugin_factory* factory = factoryOf(library);
  if (!factory) throw std::runtime_error("no plugin factory: " + library.error());
  plugin_ = factory->create_plugin(factory, host.host(), "co.glowhaus.strobe95");
  if (!plugin_ || !plugin_->init(plugin_)) throw std::runtime_error("plugin creation failed");
  params_ = static_cast<const clap_plugin_params*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
  state_ = static_cast<const clap_plugin_state*>(plugin_->get_extension(plugin_, CLAP_EXT_STATE));
}

PluginInstance::~PluginInstance() {
  if (plugin_) plugin_->destroy(plugin_);
}

std::string PluginInstance::saveText() const {
  OutputStream out;
  return state_->save(plugin_, out.stream()) ? out.bytes : std::string();
}

bool PluginInstance::loadText(const std::string& text) const {
  InputStream in(text);
  return state_->load(plugin_, in.stream());
}

double PluginInstance::value(const char* textId) const {
  double v = 0;
  if (!params_->get_value(plugin_, clapIdOf(textId), &v)) throw std::runtime_error(textId);
  return v;
}

uint32_t clapIdOf(const char* textId) {
  uint32_t hash = 2166136261u;
  for (const char* c = textId; *c; ++c) hash = (hash ^ static_cast<uint8_t>(*c)) * 16777619u;
  return hash & 0x7FFFFFFFu;
}

}  // namespace strobe95::test
