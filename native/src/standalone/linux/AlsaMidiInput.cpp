#include "AlsaMidiInput.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <thread>

#include "MidiStreamParser.h"

namespace strobe95::standalone::linux_standalone {
namespace {

constexpr const char* kOwnPortName = "midi_in";
constexpr size_t kDecodeBytes = 256;

struct RawInput {
  std::string id;
  snd_rawmidi_t* handle = nullptr;
  MidiStreamParser parser;
};

std::vector<std::string> rawInputNames() {
  std::vector<std::string> names;
  int card = -1;
  while (snd_card_next(&card) >= 0 && card >= 0) {
    snd_ctl_t* control = nullptr;
    if (snd_ctl_open(&control, ("hw:" + std::to_string(card)).c_str(), 0) < 0) continue;
    int device = -1;
    while (snd_ctl_rawmidi_next_device(control, &device) >= 0 && device >= 0) {
      snd_rawmidi_info_t* info = nullptr;
      snd_rawmidi_info_malloc(&info);
      snd_rawmidi_info_set_device(info, unsigned(device));
      snd_rawmidi_info_set_stream(info, SND_RAWMIDI_STREAM_INPUT);
      if (snd_ctl_rawmidi_info(control, info) >= 0) {
        const unsigned count = snd_rawmidi_info_get_subdevices_count(info);
        for (unsigned sub = 0; sub < count; ++sub) {
          names.push_back("hw:" + std::to_string(card) + "," + std::to_string(device) + "," + std::to_string(sub));
        }
      }
      snd_rawmidi_info_free(info);
    }
    snd_ctl_close(control);
  }
  return names;
}

}  // namespace

struct AlsaMidiInput::State {
  snd_seq_t* seq = nullptr;
  int ownPort = -1;
  snd_midi_event_t* decoder = nullptr;
  MidiStreamParser sysex;  // sysex arrives in chunks
  std::vector<std::unique_ptr<RawInput>> raw;
  std::vector<std::pair<int, int>> subscribed;  // client, port
  MidiReceive receive;
  std::array<int, 2> wake{-1, -1};  // a pipe that ends the reader's wait
  std::thread reader;
};

AlsaMidiInput::AlsaMidiInput() : state_(std::make_unique<State>()) {
  State& s = *state_;
  if (snd_seq_open(&s.seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0) {
    s.seq = nullptr;
  } else {
    snd_seq_set_client_name(s.seq, "STROBE-95");
    s.ownPort = snd_seq_create_simple_port(s.seq, kOwnPortName, SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                           SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    // Announcements tell of ports that come and go.
    snd_seq_connect_from(s.seq, s.ownPort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
    snd_midi_event_new(kDecodeBytes, &s.decoder);
    if (s.decoder) snd_midi_event_no_status(s.decoder, 1);  // every message whole, no running status
  }
  if (pipe(s.wake.data()) != 0) s.wake = {-1, -1};
}

AlsaMidiInput::~AlsaMidiInput() {
  stopReader();
  State& s = *state_;
  for (auto& input : s.raw) snd_rawmidi_close(input->handle);
  if (s.decoder) snd_midi_event_free(s.decoder);
  if (s.seq) snd_seq_close(s.seq);
  for (int fd : s.wake) {
    if (fd >= 0) ::close(fd);
  }
}

std::vector<MidiPortInfo> AlsaMidiInput::ports() {
  std::vector<MidiPortInfo> found;
  State& s = *state_;
  if (s.seq) {
    const int own = snd_seq_client_id(s.seq);
    snd_seq_client_info_t* client = nullptr;
    snd_seq_port_info_t* port = nullptr;
    snd_seq_client_info_malloc(&client);
    snd_seq_port_info_malloc(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(s.seq, client) >= 0) {
      const int id = snd_seq_client_info_get_client(client);
      if (id == own || id == SND_SEQ_CLIENT_SYSTEM) continue;
      snd_seq_port_info_set_client(port, id);
      snd_seq_port_info_set_port(port, -1);
      while (snd_seq_query_next_port(s.seq, port) >= 0) {
        const unsigned caps = snd_seq_port_info_get_capability(port);
        if ((caps & (SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ)) !=
                (SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ) ||
            (caps & SND_SEQ_PORT_CAP_NO_EXPORT)) {
          continue;
        }
        MidiPortInfo info;
        const std::string clientName = snd_seq_client_info_get_name(client);
        info.name = clientName + ": " + snd_seq_port_info_get_name(port);
        info.id = kAlsaSequencerPrefix + info.name;
        info.legacyName = std::to_string(id) + ":" + std::to_string(snd_seq_port_info_get_port(port));
        info.deviceIndex = uint32_t(found.size());
        found.push_back(info);
      }
    }
    snd_seq_port_info_free(port);
    snd_seq_client_info_free(client);
  }
  for (const std::string& name : rawInputNames()) {
    MidiPortInfo info;
    info.id = kAlsaRawPrefix + name;
    info.name = "Raw MIDI " + name;
    info.legacyName = name;
    info.deviceIndex = uint32_t(found.size());
    found.push_back(info);
  }
  return found;
}

std::vector<std::string> AlsaMidiInput::open(const std::vector<std::string>& ids, MidiReceive receive) {
  stopReader();
  State& s = *state_;
  for (const auto& [client, port] : s.subscribed) snd_seq_disconnect_from(s.seq, s.ownPort, client, port);
  s.subscribed.clear();
  for (auto& input : s.raw) snd_rawmidi_close(input->handle);
  s.raw.clear();
  s.receive = std::move(receive);
  std::vector<std::string> opened;
  if (!s.receive) return opened;
  const std::vector<MidiPortInfo> offered = ports();
  for (const std::string& id : ids) {
    for (const MidiPortInfo& port : offered) {
      if (port.id != id) continue;
      if (id.rfind(kAlsaRawPrefix, 0) == 0) {
        auto input = std::make_unique<RawInput>();
        input->id = id;
        if (snd_rawmidi_open(&input->handle, nullptr, port.legacyName.c_str(), SND_RAWMIDI_NONBLOCK) == 0) {
          s.raw.push_back(std::move(input));
          opened.push_back(id);
        }
      } else if (s.seq) {
        snd_seq_addr_t address{};
        if (snd_seq_parse_address(s.seq, &address, port.legacyName.c_str()) == 0 &&
            snd_seq_connect_from(s.seq, s.ownPort, address.client, address.port) == 0) {
          s.subscribed.emplace_back(address.client, address.port);
          opened.push_back(id);
        }
      }
    }
  }
  s.reader = std::thread([this] { read(); });
  return opened;
}

void AlsaMidiInput::stopReader() {
  State& s = *state_;
  if (!s.reader.joinable()) return;
  const char stop = 0;
  // One byte per stop, which the reader takes before it ends: the pipe never fills.
  [[maybe_unused]] const ssize_t written = write(s.wake[1], &stop, 1);
  s.reader.join();
}

// The reader thread: waits on the sequencer, the raw devices and the wake pipe.
void AlsaMidiInput::read() {
  State& s = *state_;
  std::vector<pollfd> fds;
  fds.push_back({s.wake[0], POLLIN, 0});
  const int seqCount = s.seq ? snd_seq_poll_descriptors_count(s.seq, POLLIN) : 0;
  if (seqCount > 0) {
    fds.resize(1 + size_t(seqCount));
    snd_seq_poll_descriptors(s.seq, fds.data() + 1, unsigned(seqCount), POLLIN);
  }
  for (auto& input : s.raw) {
    pollfd fd{};
    if (snd_rawmidi_poll_descriptors(input->handle, &fd, 1) == 1) fds.push_back(fd);
  }
  std::array<uint8_t, kDecodeBytes> bytes{};
  for (;;) {
    if (poll(fds.data(), nfds_t(fds.size()), -1) < 0) continue;
    if (fds[0].revents & POLLIN) {
      char stop;
      if (::read(s.wake[0], &stop, 1) == 1) return;
    }
    snd_seq_event_t* event = nullptr;
    while (s.seq && snd_seq_event_input(s.seq, &event) >= 0 && event) {
      if (event->source.client == SND_SEQ_CLIENT_SYSTEM) {
        portsChanged_.store(true);
      } else if (event->type == SND_SEQ_EVENT_SYSEX) {
        s.sysex.feed(static_cast<const uint8_t*>(event->data.ext.ptr), event->data.ext.len, s.receive);
      } else if (s.decoder) {
        const long length = snd_midi_event_decode(s.decoder, bytes.data(), long(bytes.size()), event);
        if (length > 0) s.receive(bytes.data(), size_t(length));
      }
    }
    for (size_t i = 0; i < s.raw.size(); ++i) {
      ssize_t got;
      while ((got = snd_rawmidi_read(s.raw[i]->handle, bytes.data(), bytes.size())) > 0) {
        s.raw[i]->parser.feed(bytes.data(), size_t(got), s.receive);
      }
    }
  }
}

}  // namespace strobe95::standalone::linux_standalone
