#include "AtomicFile.h"

#include <cerrno>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace strobe95::standalone {
namespace {

namespace fs = std::filesystem;

// One fixed name per target: the main thread is its only writer, and a temporary file
// left behind by a crash is simply overwritten by the next save.
fs::path temporaryBeside(const fs::path& target) {
  fs::path temp = target;
  temp += ".tmp";
  return temp;
}

void replaceFile(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
  // The C runtime's rename refuses an existing target; this replaces it in one step.
  if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    throw fs::filesystem_error("rename", from, to,
                               std::error_code(static_cast<int>(GetLastError()), std::system_category()));
  }
#else
  fs::rename(from, to);  // POSIX rename replaces the target atomically
#endif
}

class TemporaryFile {
 public:
  explicit TemporaryFile(fs::path path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (!kept_) {
      std::error_code ignored;
      fs::remove(path_, ignored);
    }
  }
  const fs::path& path() const { return path_; }
  void keep() { kept_ = true; }

 private:
  fs::path path_;
  bool kept_ = false;
};

}  // namespace

std::string streamFailureText(std::ios_base::iostate state) {
  if (state & std::ios_base::badbit) return "ios_base::badbit set";
  if (state & std::ios_base::failbit) return "ios_base::failbit set";
  return "ios_base::eofbit set";
}

bool writeFileAtomically(const fs::path& target, const std::function<bool(std::ostream&)>& fill) {
  TemporaryFile temp(temporaryBeside(target));
  errno = 0;
  std::ofstream out(temp.path(), std::ios::binary | std::ios::trunc);
  if (!out) {
    const int reason = errno ? errno : EIO;
    throw fs::filesystem_error("cannot create the file", temp.path(),
                               std::error_code(reason, std::generic_category()));
  }
  const bool filled = fill(out);
  out.flush();
  if (!out) throw std::ios_base::failure(streamFailureText(out.rdstate()));
  if (!filled) return false;
  out.close();
  if (!out) throw std::ios_base::failure(streamFailureText(out.rdstate()));
  replaceFile(temp.path(), target);
  temp.keep();
  return true;
}

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
  writeFileAtomically(target, [bytes](std::ostream& out) {
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return true;
  });
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
