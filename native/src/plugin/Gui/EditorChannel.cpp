#include "EditorChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace strobe95 {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

}  // namespace

EditorChannel::EditorChannel(int socket) : socket_(socket) {
  if (socket_ >= 0) fcntl(socket_, F_SETFL, fcntl(socket_, F_GETFL) | O_NONBLOCK);
}

EditorChannel::~EditorChannel() { close(); }

void EditorChannel::close() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
}

void EditorChannel::send(const nlohmann::json& message) {
  if (!open()) return;
  outgoing_ += message.dump();
  outgoing_ += '\n';
  flush();
}

void EditorChannel::flush() {
  while (open() && !outgoing_.empty()) {
    // MSG_NOSIGNAL: a helper that died must not take the host down with SIGPIPE.
    const ssize_t sent = ::send(socket_, outgoing_.data(), outgoing_.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      outgoing_.erase(0, static_cast<std::size_t>(sent));
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      return;
    } else {
      close();
    }
  }
}

void EditorChannel::pump(const Receiver& receive) {
  flush();
  char chunk[kReadChunk];
  while (open()) {
    const ssize_t got = ::recv(socket_, chunk, sizeof chunk, 0);
    if (got > 0) {
      incoming_.append(chunk, static_cast<std::size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;
    } else {
      close();  // the other end closed, or the socket broke
    }
  }
  for (const std::string& line : takeLines(incoming_)) {
    const nlohmann::json message = nlohmann::json::parse(line, nullptr, false);
    if (message.is_object()) receive(message);
  }
}

void EditorChannel::wait(int timeoutMs) const {
  if (!open()) return;
  pollfd watched{socket_, static_cast<short>(POLLIN | (outgoing_.empty() ? 0 : POLLOUT)), 0};
  poll(&watched, 1, timeoutMs);
}

std::vector<std::string> takeLines(std::string& buffer) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = buffer.find('\n'); end != std::string::npos; end = buffer.find('\n', start)) {
    lines.emplace_back(buffer, start, end - start);
    start = end + 1;
  }
  buffer.erase(0, start);
  return lines;
}

}  // namespace strobe95
