#include "AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace strobe95::standalone {
namespace {

namespace fs = std::filesystem;

// Enough fresh names that only a folder full of our own leftovers could exhaust them.
constexpr int kNameAttempts = 64;

std::error_code lastSystemError() {
#ifdef _WIN32
  return std::error_code(static_cast<int>(GetLastError()), std::system_category());
#else
  return std::error_code(errno ? errno : EIO, std::generic_category());
#endif
}

// A name nobody else's file has: the target's name, a random part and ".tmp", in the
// target's folder so that the final rename never crosses file systems.
fs::path candidateBeside(const fs::path& target) {
  static std::atomic<uint64_t> counter{0};
  static const uint64_t seed = [] {
    std::random_device device;
    return (uint64_t(device()) << 32) ^ device();
  }();
  uint64_t bits = seed + 0x9E3779B97F4A7C15ull * ++counter;
  bits ^= bits >> 31;
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string suffix = ".";
  for (int i = 0; i < 12; ++i, bits >>= 4) suffix += kDigits[bits & 15];
  fs::path temp = target;
  temp += suffix + ".tmp";
  return temp;
}

// A file this save created, written whole and flushed to the disk, removed unless kept.
// Only the file it created itself is ever removed: a name already taken is never opened.
class TemporaryFile {
 public:
  explicit TemporaryFile(const fs::path& target) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      path_ = candidateBeside(target);
#ifdef _WIN32
      handle_ = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle_ != INVALID_HANDLE_VALUE) return;
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
#else
      errno = 0;
      descriptor_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (descriptor_ >= 0) return;
      if (errno != EEXIST) break;
#endif
    }
    throw fs::filesystem_error("cannot create the file", target, lastSystemError());
  }

  ~TemporaryFile() {
    close();
    if (!kept_) {
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
  }

  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Every byte, then the disk's confirmation; false with errno or the last error set.
  bool writeAll(std::string_view bytes) {
#ifdef _WIN32
    while (!bytes.empty()) {
      DWORD written = 0;
      const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : DWORD(bytes.size());
      if (!WriteFile(handle_, bytes.data(), chunk, &written, nullptr)) return false;
      bytes.remove_prefix(written);
    }
    return FlushFileBuffers(handle_) != 0;
#else
    while (!bytes.empty()) {
      errno = 0;
      const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      bytes.remove_prefix(std::size_t(written));
    }
    return ::fsync(descriptor_) == 0;
#endif
  }

  bool close() {
#ifdef _WIN32
    if (handle_ == INVALID_HANDLE_VALUE) return true;
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
#else
    if (descriptor_ < 0) return true;
    errno = 0;
    const bool closed = ::close(descriptor_) == 0;
    descriptor_ = -1;
#endif
    return closed;
  }

  const fs::path& path() const { return path_; }
  void keep() { kept_ = true; }

 private:
  fs::path path_;
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  int descriptor_ = -1;
#endif
  bool kept_ = false;
};

void replaceFile(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  // The C runtime's rename refuses an existing target; this replaces it in one step.
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw fs::filesystem_error("cannot replace the file", to, lastSystemError());
  }
#else
  errno = 0;
  // POSIX rename replaces the target atomically.
  if (::rename(from.c_str(), to.c_str()) != 0) {
    throw fs::filesystem_error("cannot replace the file", to, lastSystemError());
  }
#endif
}

}  // namespace

std::string streamFailureText(std::ios_base::iostate state) {
  if (state & std::ios_base::badbit) return "ios_base::badbit set";
  if (state & std::ios_base::failbit) return "ios_base::failbit set";
  return "ios_base::eofbit set";
}

bool writeFileAtomically(const fs::path& target, const std::function<bool(std::ostream&)>& fill) {
  // The bytes are gathered first: a fill that fails or throws then never touches the disk.
  std::ostringstream bytes(std::ios::binary);
  const bool filled = fill(bytes);
  if (!bytes) throw std::ios_base::failure(streamFailureText(bytes.rdstate()));
  if (!filled) return false;
  writeFileAtomically(target, std::string_view(bytes.view()));
  return true;
}

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
  TemporaryFile temp(target);
  if (!temp.writeAll(bytes)) throw fs::filesystem_error("cannot write the file", target, lastSystemError());
  if (!temp.close()) throw fs::filesystem_error("cannot write the file", target, lastSystemError());
  replaceFile(temp.path(), target);
  temp.keep();
}

std::optional<std::string> readFileBounded(const fs::path& path, std::size_t maxBytes, bool* truncated) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(maxBytes + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  const bool more = bytes.size() > maxBytes;
  if (more) bytes.resize(maxBytes);
  if (truncated) *truncated = more;
  return bytes;
}

}  // namespace strobe95::standalone
