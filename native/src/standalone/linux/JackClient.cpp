#include "JackClient.h"

#include <jack/jack.h>

#include <cstring>
#include <thread>

namespace strobe95::standalone::linux_standalone {
namespace {

std::weak_ptr<JackClient> gShared;  // main thread
std::vector<jack_client_t*> gAbandoned;  // main thread: clients whose server died
void (*gThreadInit)() = nullptr;         // main thread, before clients open

void quiet(const char*) {}

}  // namespace

std::shared_ptr<JackClient> JackClient::shared() {
  if (auto existing = gShared.lock(); existing && !existing->serverGone()) return existing;
  // The library's own chatter (no server, no shared memory) says nothing the program
  // does not say itself.
  jack_set_error_function(quiet);
  jack_set_info_function(quiet);
  jack_status_t status{};
  jack_client_t* client = jack_client_open(kJackClientName, JackNoStartServer, &status);
  if (!client) return nullptr;
  std::shared_ptr<JackClient> made(new JackClient(client));
  if (jack_activate(client) != 0) return nullptr;
  gShared = made;
  return made;
}

JackClient::JackClient(jack_client_t* client) : client_(client) {
  openedBufferSize_.store(jack_get_buffer_size(client));
  jack_set_process_callback(client_, process, this);
  jack_on_info_shutdown(client_, shutdown, this);
  jack_set_port_registration_callback(client_, portRegistered, this);
  jack_set_buffer_size_callback(client_, bufferSizeChanged, this);
  if (gThreadInit) jack_set_thread_init_callback(client_, [](void*) { gThreadInit(); }, nullptr);
}

void JackClient::setThreadInitForTesting(void (*init)()) { gThreadInit = init; }

JackClient::~JackClient() {
  // Closing a client whose server has gone crashes inside libjack (1.9.21); what it holds
  // went with the server, so the handle is only kept where it stays reachable.
  if (serverGone_.load()) {
    gAbandoned.push_back(client_);
    return;
  }
  jack_deactivate(client_);
  jack_client_close(client_);
}

std::string JackClient::name() const { return jack_get_client_name(client_); }
uint32_t JackClient::sampleRate() const { return jack_get_sample_rate(client_); }
uint32_t JackClient::bufferSize() const { return jack_get_buffer_size(client_); }

std::vector<std::string> JackClient::ports(const char* type, unsigned long flags) const {
  std::vector<std::string> names;
  const std::string own = name() + ":";
  if (const char** found = jack_get_ports(client_, nullptr, type, flags)) {
    for (const char** port = found; *port; ++port) {
      if (std::strncmp(*port, own.c_str(), own.size()) != 0) names.emplace_back(*port);
    }
    jack_free(found);
  }
  return names;
}

void JackClient::setStopReport(StopReport report, void* context) {
  stopContext_.store(context);
  stopReport_.store(report);
}

void JackClient::swap(std::atomic<JackCycle*>& side, JackCycle* next) {
  side.store(next);
  // A cycle that loaded the old side set inCycle_ first, so it is seen here.
  while (inCycle_.load()) std::this_thread::yield();
}

int JackClient::process(jack_nframes_t frames, void* self) {
  auto& client = *static_cast<JackClient*>(self);
  client.inCycle_.store(true);
  if (JackCycle* midi = client.midi_.load()) midi->cycle(frames);
  if (JackCycle* audio = client.audio_.load()) audio->cycle(frames);
  client.inCycle_.store(false);
  return 0;
}

void JackClient::shutdown(jack_status_t, const char* reason, void* self) {
  auto& client = *static_cast<JackClient*>(self);
  client.serverGone_.store(true);
  if (auto report = client.stopReport_.load()) report(client.stopContext_.load(), reason, true);
}

void JackClient::portRegistered(jack_port_id_t, int, void* self) {
  static_cast<JackClient*>(self)->portsChanged_.store(true);
}

int JackClient::bufferSizeChanged(jack_nframes_t frames, void* self) {
  auto& client = *static_cast<JackClient*>(self);
  if (client.openedBufferSize_.exchange(frames) != frames) {
    if (auto report = client.stopReport_.load()) report(client.stopContext_.load(), "The JACK buffer size changed.", false);
  }
  return 0;
}

}  // namespace strobe95::standalone::linux_standalone
