#pragma once
// Fixed-size fields read off the front of a fuzzer's input; past its end every field
// reads as zero bytes, so any input is a whole script.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace strobe95::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool more() const { return at_ < size_; }
  size_t left() const { return size_ - at_; }

  template <typename T>
  T next() {
    T value{};
    const size_t n = std::min(sizeof(T), size_ - at_);
    if (n) std::memcpy(&value, data_ + at_, n);
    at_ += n;
    return value;
  }
  // Up to `count` bytes, as a pointer into the input; `taken` says how many there were.
  const uint8_t* bytes(size_t count, size_t& taken) {
    taken = std::min(count, size_ - at_);
    const uint8_t* from = data_ + at_;
    at_ += taken;
    return from;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Aborts with the message when `holds` is false, so libFuzzer keeps the input.
#if defined(__MINGW32__)
#define STROBE95_PRINTF_LIKE __attribute__((format(gnu_printf, 2, 3)))
#else
#define STROBE95_PRINTF_LIKE __attribute__((format(printf, 2, 3)))
#endif
void require(bool holds, const char* format, ...) STROBE95_PRINTF_LIKE;

// The loudest a legal stream can make (worked out in the hostile-stream tests).
inline constexpr float kLoudestLegal = 5000.0f;
// Aborts unless every sample is finite and no louder than that.
void requireLegalSamples(const float* samples, size_t count);

}  // namespace strobe95::fuzz
