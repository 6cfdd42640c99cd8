#pragma once
// The line between the plugin and its editor helper program: a stream socket carrying one
// JSON object per line each way. Each end runs it from its own loop without blocking.
// Linux only.
#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace strobe95 {

class EditorChannel {
 public:
  using Receiver = std::function<void(const nlohmann::json& message)>;

  explicit EditorChannel(int socket);  // takes the socket and makes it non-blocking
  ~EditorChannel();
  EditorChannel(const EditorChannel&) = delete;
  EditorChannel& operator=(const EditorChannel&) = delete;

  // Queues a message and sends what the socket takes now; the rest goes with later calls.
  void send(const nlohmann::json& message);
  // Sends what is queued, then hands every whole message that has arrived to `receive`,
  // in order. Lines that are not JSON objects are dropped.
  void pump(const Receiver& receive);
  // Waits up to `timeoutMs` for something to read (or for room to send what is queued).
  void wait(int timeoutMs) const;
  // False once the other end has gone; nothing more is sent or read then.
  bool open() const { return socket_ >= 0; }

 private:
  void flush();
  void close();

  int socket_;
  std::string incoming_;  // bytes read, up to an unfinished line
  std::string outgoing_;  // bytes queued, not yet taken by the socket
};

// Cuts the whole lines off the front of `buffer`, without their line feeds, and leaves an
// unfinished last line in it.
std::vector<std::string> takeLines(std::string& buffer);

}  // namespace strobe95

// What travels on the line: objects whose "op" names them.
//   plugin to helper: load {names}, eval {script, id (0: no result wanted)},
//                     embed {window, scale}, show {visible}, quit
//   helper to plugin: call {text} (a call the page posted), result {id, json},
//                     embedded {ok}
namespace editor_op {
inline constexpr const char* kLoad = "load";
inline constexpr const char* kEval = "eval";
inline constexpr const char* kEmbed = "embed";
inline constexpr const char* kShow = "show";
inline constexpr const char* kQuit = "quit";
inline constexpr const char* kCall = "call";
inline constexpr const char* kResult = "result";
inline constexpr const char* kEmbedded = "embedded";
}  // namespace editor_op

// The helper's end of the socket in its process.
inline constexpr int kEditorHelperSocket = 3;
