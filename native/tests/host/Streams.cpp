#include "Streams.h"

#include <algorithm>
#include <cstring>

namespace strobe95::test {

const clap_istream* InputStream::stream() {
  stream_.ctx = this;
  stream_.read = [](const clap_istream* s, void* buffer, uint64_t size) -> int64_t {
    auto* self = static_cast<InputStream*>(s->ctx);
    ++self->reads;
    if (self->failAt_ >= 0 && self->position_ >= static_cast<uint64_t>(self->failAt_)) return -1;
    const uint64_t n = std::min({size, self->maxPerRead_, self->data_.size() - self->position_});
    std::memcpy(buffer, self->data_.data() + self->position_, n);
    self->position_ += n;
    return static_cast<int64_t>(n);
  };
  return &stream_;
}

const clap_ostream* OutputStream::stream() {
  stream_.ctx = this;
  stream_.write = [](const clap_ostream* s, const void* buffer, uint64_t size) -> int64_t {
    auto* self = static_cast<OutputStream*>(s->ctx);
    uint64_t n = std::min(size, self->maxPerWrite_);
    if (self->capacity_ >= 0) {
      const uint64_t room = static_cast<uint64_t>(self->capacity_) - self->bytes.size();
      if (room == 0) return 0;
      n = std::min(n, room);
    }
    self->bytes.append(static_cast<const char*>(buffer), n);
    return static_cast<int64_t>(n);
  };
  return &stream_;
}

}  // namespace strobe95::test
