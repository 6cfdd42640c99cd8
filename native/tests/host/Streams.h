#pragma once
// Host streams that can be made as awkward as real ones: short reads and writes, errors
// after a number of bytes, streams that claim more than they were asked for.
#include <cstdint>
#include <string>

#include <clap/stream.h>

namespace strobe95::test {

class InputStream {
 public:
  explicit InputStream(std::string data, uint64_t maxPerRead = UINT64_MAX, int64_t failAt = -1)
      : data_(std::move(data)), maxPerRead_(maxPerRead), failAt_(failAt) {}
  const clap_istream* stream();
  int reads = 0;

 private:
  std::string data_;
  uint64_t maxPerRead_;
  int64_t failAt_;  // the read that starts at or after this byte fails; -1 never
  uint64_t position_ = 0;
  clap_istream stream_{};
};

class OutputStream {
 public:
  explicit OutputStream(uint64_t maxPerWrite = UINT64_MAX, int64_t capacity = -1)
      : maxPerWrite_(maxPerWrite), capacity_(capacity) {}
  const clap_ostream* stream();
  std::string bytes;

 private:
  uint64_t maxPerWrite_;
  int64_t capacity_;  // a write once this many bytes are taken returns 0; -1 unbounded
  clap_ostream stream_{};
};

}  // namespace strobe95::test
