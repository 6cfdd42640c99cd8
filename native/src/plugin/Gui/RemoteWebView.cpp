#include "RemoteWebView.h"

#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "EditorChannel.h"
#include "GuiSize.h"

extern char** environ;

namespace strobe95 {
namespace {

constexpr const char* kHelperName = "STROBE-95-editor";
// The helper starts GTK and a web view before it answers the embedding; past this it has
// hung, and the host learns that the editor cannot be shown.
constexpr auto kEmbedTimeout = std::chrono::seconds(15);
// A helper that was asked to quit and has not, is stopped.
constexpr auto kQuitTimeout = std::chrono::seconds(2);
constexpr int kWaitSliceMs = 10;

class RemoteWebView final : public WebView {
 public:
  RemoteWebView(pid_t helper, int socket) : helper_(helper), channel_(socket) {}

  ~RemoteWebView() override {
    channel_.send({{"op", editor_op::kQuit}});
    const auto end = std::chrono::steady_clock::now() + kQuitTimeout;
    while (waitpid(helper_, nullptr, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= end) {
        kill(helper_, SIGKILL);
        waitpid(helper_, nullptr, 0);
        break;
      }
      channel_.pump([](const nlohmann::json&) {});  // lets the last of the quit go out
      std::this_thread::sleep_for(std::chrono::milliseconds(kWaitSliceMs));
    }
  }

  void load() override { channel_.send({{"op", editor_op::kLoad}, {"names", bindingNames()}}); }

  void evaluate(const std::string& script, ScriptResult done) override {
    int64_t id = 0;
    if (done && channel_.open()) {
      id = nextId_++;
      pending_.emplace(id, std::move(done));
    }
    channel_.send({{"op", editor_op::kEval}, {"script", script}, {"id", id}});
  }

  bool embed(const clap_window& parent) override {
    channel_.send({{"op", editor_op::kEmbed}, {"window", parent.x11}, {"scale", guiScale()}});
    embedded_.reset();
    const auto end = std::chrono::steady_clock::now() + kEmbedTimeout;
    while (!embedded_ && channel_.open() && std::chrono::steady_clock::now() < end) {
      channel_.wait(kWaitSliceMs);
      pump();
    }
    return embedded_.value_or(false);
  }

  void setVisible(bool visible) override { channel_.send({{"op", editor_op::kShow}, {"visible", visible}}); }

  void pump() override {
    channel_.pump([this](const nlohmann::json& message) { handle(message); });
    if (!channel_.open()) pending_.clear();  // no answers will come
  }

 private:
  void handle(const nlohmann::json& message) {
    const std::string op = message.value("op", "");
    if (op == editor_op::kCall) {
      receive(message.value("text", ""));
    } else if (op == editor_op::kResult) {
      const auto found = pending_.find(message.value("id", int64_t{0}));
      if (found == pending_.end()) return;
      const ScriptResult done = std::move(found->second);
      pending_.erase(found);
      done(message.value("json", ""));
    } else if (op == editor_op::kEmbedded) {
      embedded_ = message.value("ok", false);
    }
  }

  pid_t helper_;
  EditorChannel channel_;
  std::map<int64_t, ScriptResult> pending_;  // evaluations waiting for their results
  int64_t nextId_ = 1;
  std::optional<bool> embedded_;  // the helper's answer to the last embedding
};

}  // namespace

std::string editorHelperPath() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&editorHelperPath), &info) || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  path = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/" + kHelperName;
  return access(path.c_str(), X_OK) == 0 ? path : std::string();
}

std::unique_ptr<WebView> openRemoteWebView() {
  const std::string path = editorHelperPath();
  if (path.empty()) return nullptr;
  int sockets[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) return nullptr;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // The helper finds its end at a fixed number; dup2 also clears close-on-exec there.
  posix_spawn_file_actions_adddup2(&actions, sockets[1], kEditorHelperSocket);
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t helper = 0;
  const int started = posix_spawn(&helper, path.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(sockets[1]);
  if (started != 0) {
    close(sockets[0]);
    return nullptr;
  }
  return std::make_unique<RemoteWebView>(helper, sockets[0]);
}

}  // namespace strobe95
