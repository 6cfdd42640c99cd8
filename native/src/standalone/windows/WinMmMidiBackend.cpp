#include "WinMmMidiBackend.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "DeviceChoice.h"
#include "MidiPortNames.h"
#include "SysexAssembler.h"

namespace strobe95::standalone {
namespace {

constexpr DWORD kLongBufferBytes = 4096;
constexpr int kLongBuffers = 4;
constexpr DWORD kWaitStepMs = 50;

std::string utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(size_t(size - 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

// One open input. The WinMM callback thread uses it while it is open.
struct Input {
  std::string id;
  HMIDIIN handle = nullptr;
  std::array<MIDIHDR, kLongBuffers> headers{};
  std::array<std::array<char, kLongBufferBytes>, kLongBuffers> buffers{};
  SysexAssembler sysex;
  std::atomic<bool> closing{false};
  MidiReceive receive;
};

struct Output {
  std::string id;
  HMIDIOUT handle = nullptr;
  HANDLE done = nullptr;  // auto-reset, signalled as a long message finishes
};

void CALLBACK inputCallback(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  auto* input = reinterpret_cast<Input*>(instance);
  switch (message) {
    case MIM_DATA: {
      const uint8_t bytes[3] = {uint8_t(param1), uint8_t(param1 >> 8), uint8_t(param1 >> 16)};
      if (const uint32_t length = midiMessageLength(bytes[0])) input->receive(bytes, length);
      break;
    }
    case MIM_LONGDATA:
    case MIM_LONGERROR: {
      auto* header = reinterpret_cast<MIDIHDR*>(param1);
      if (message == MIM_LONGDATA) {
        input->sysex.feed(reinterpret_cast<const uint8_t*>(header->lpData), header->dwBytesRecorded, input->receive);
      } else {
        input->sysex.clear();
      }
      if (!input->closing.load() && header->dwBytesRecorded > 0) midiInAddBuffer(handle, header, sizeof(MIDIHDR));
      break;
    }
    default: break;
  }
}

// The ports of one direction in device order; a device whose capabilities cannot be read
// is left out.
template <typename Caps, typename GetCaps>
std::vector<MidiPortInfo> listPorts(UINT count, GetCaps getCaps) {
  std::vector<MidiDeviceName> names;
  for (UINT i = 0; i < count; ++i) {
    Caps caps{};
    if (getCaps(i, &caps, sizeof caps) == MMSYSERR_NOERROR) names.push_back({i, utf8(caps.szPname)});
  }
  return nameMidiPorts(names);
}

void closeInput(Input& input) {
  input.closing = true;
  midiInStop(input.handle);
  midiInReset(input.handle);
  for (MIDIHDR& header : input.headers) {
    if (header.dwFlags & MHDR_PREPARED) midiInUnprepareHeader(input.handle, &header, sizeof(MIDIHDR));
  }
  midiInClose(input.handle);
}

void closeOutput(Output& output) {
  midiOutReset(output.handle);
  midiOutClose(output.handle);
  if (output.done) CloseHandle(output.done);
}

class WinMmMidiBackend final : public MidiBackend {
 public:
  ~WinMmMidiBackend() override {
    openInputs({}, nullptr);
    openOutputs({});
  }

  std::string id() const override { return "winmm"; }

  std::vector<MidiPortInfo> inputPorts() override { return listPorts<MIDIINCAPSW>(midiInGetNumDevs(), midiInGetDevCapsW); }
  std::vector<MidiPortInfo> outputPorts() override {
    return listPorts<MIDIOUTCAPSW>(midiOutGetNumDevs(), midiOutGetDevCapsW);
  }

  std::vector<std::string> openInputs(const std::vector<std::string>& ids, MidiReceive receive) override {
    const auto wanted = [&](const std::string& id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
    for (auto it = inputs_.begin(); it != inputs_.end();) {
      if (wanted((*it)->id)) {
        ++it;
      } else {
        closeInput(**it);
        it = inputs_.erase(it);
      }
    }
    if (!ids.empty()) {
      for (const MidiPortInfo& port : inputPorts()) {
        if (!wanted(port.id) || isOpenInput(port.id)) continue;
        auto input = std::make_unique<Input>();
        input->id = port.id;
        input->receive = receive;
        if (openInput(*input, port.deviceIndex)) inputs_.push_back(std::move(input));
      }
    }
    std::vector<std::string> open;
    for (const auto& input : inputs_) open.push_back(input->id);
    return open;
  }

  std::vector<std::string> openOutputs(const std::vector<std::string>& ids) override {
    std::lock_guard<std::mutex> lock(outputsMutex_);
    const auto wanted = [&](const std::string& id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); };
    for (auto it = outputs_.begin(); it != outputs_.end();) {
      if (wanted(it->id)) {
        ++it;
      } else {
        closeOutput(*it);
        it = outputs_.erase(it);
      }
    }
    if (!ids.empty()) {
      for (const MidiPortInfo& port : outputPorts()) {
        if (!wanted(port.id) || std::any_of(outputs_.begin(), outputs_.end(), [&](const Output& o) { return o.id == port.id; })) {
          continue;
        }
        Output output{port.id, nullptr, CreateEventW(nullptr, FALSE, FALSE, nullptr)};
        if (!output.done) continue;
        if (midiOutOpen(&output.handle, port.deviceIndex, DWORD_PTR(output.done), 0, CALLBACK_EVENT) !=
            MMSYSERR_NOERROR) {
          CloseHandle(output.done);
          continue;
        }
        outputs_.push_back(output);
      }
    }
    std::vector<std::string> open;
    for (const auto& output : outputs_) open.push_back(output.id);
    return open;
  }

  bool supportsVirtualPorts() const override { return false; }
  bool openVirtualInput(const std::string& name) override { return name.empty(); }
  bool openVirtualOutput(const std::string& name) override { return name.empty(); }

  void send(const uint8_t* bytes, std::size_t length) override {
    if (!bytes || length == 0) return;
    std::lock_guard<std::mutex> lock(outputsMutex_);
    if (bytes[0] != 0xF0 && length <= 3) {
      DWORD packed = 0;
      for (std::size_t i = 0; i < length; ++i) packed |= DWORD(bytes[i]) << (8 * i);
      for (const Output& output : outputs_) midiOutShortMsg(output.handle, packed);
      return;
    }
    std::vector<char> copy(bytes, bytes + length);
    // The wire time at 3125 bytes a second, and a second more.
    const DWORD timeout = DWORD(length * 1000 / 3125 + 1000);
    for (const Output& output : outputs_) {
      MIDIHDR header{};
      header.lpData = copy.data();
      header.dwBufferLength = DWORD(copy.size());
      if (midiOutPrepareHeader(output.handle, &header, sizeof header) != MMSYSERR_NOERROR) continue;
      if (midiOutLongMsg(output.handle, &header, sizeof header) == MMSYSERR_NOERROR) {
        DWORD waited = 0;
        while (!(header.dwFlags & MHDR_DONE) && waited < timeout) {
          WaitForSingleObject(output.done, kWaitStepMs);
          waited += kWaitStepMs;
        }
        if (!(header.dwFlags & MHDR_DONE)) midiOutReset(output.handle);
      }
      midiOutUnprepareHeader(output.handle, &header, sizeof header);
    }
  }

 private:
  bool isOpenInput(const std::string& id) const {
    return std::any_of(inputs_.begin(), inputs_.end(), [&](const auto& input) { return input->id == id; });
  }

  static bool openInput(Input& input, UINT device) {
    if (midiInOpen(&input.handle, device, DWORD_PTR(inputCallback), DWORD_PTR(&input), CALLBACK_FUNCTION) !=
        MMSYSERR_NOERROR) {
      return false;
    }
    for (int i = 0; i < kLongBuffers; ++i) {
      MIDIHDR& header = input.headers[size_t(i)];
      header.lpData = input.buffers[size_t(i)].data();
      header.dwBufferLength = kLongBufferBytes;
      if (midiInPrepareHeader(input.handle, &header, sizeof header) != MMSYSERR_NOERROR ||
          midiInAddBuffer(input.handle, &header, sizeof header) != MMSYSERR_NOERROR) {
        closeInput(input);
        return false;
      }
    }
    if (midiInStart(input.handle) != MMSYSERR_NOERROR) {
      closeInput(input);
      return false;
    }
    return true;
  }

  std::vector<std::unique_ptr<Input>> inputs_;  // main thread; each is used by its callback thread
  std::vector<Output> outputs_;                 // under outputsMutex_ (main and MIDI output thread)
  std::mutex outputsMutex_;
};

}  // namespace

std::unique_ptr<MidiBackend> makeWinMmMidiBackend() { return std::make_unique<WinMmMidiBackend>(); }

}  // namespace strobe95::standalone
