#pragma once
// MIDI messages of any length between exactly one writer thread and one reader thread:
// a 64 KiB byte ring of records, each a 32-bit little-endian length and that many bytes,
// either of which may wrap around the end. The indices run freely; each side writes only
// its own, publishing with release after the bytes it covers and reading the other's
// with acquire, so neither side ever waits.
#include <array>
#include <atomic>
#include <cstdint>

namespace strobe95::standalone {

class MidiByteRing {
 public:
  static constexpr uint32_t kBytes = 1u << 16;
  static constexpr uint32_t kLengthBytes = 4;
  static constexpr uint32_t kMaxMessage = kBytes - kLengthBytes;  // 65,532

  // Writer side. False, and nothing written, when the message is empty, too long or
  // does not fit into the free space.
  bool push(const uint8_t* bytes, uint32_t length) {
    if (length == 0 || length > kMaxMessage) return false;
    const uint32_t write = write_.load(std::memory_order_relaxed);
    const uint32_t used = write - read_.load(std::memory_order_acquire);
    if (kBytes - used < length + kLengthBytes) return false;
    const uint8_t header[kLengthBytes] = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16),
                                          uint8_t(length >> 24)};
    copyIn(write, header, kLengthBytes);
    copyIn(write + kLengthBytes, bytes, length);
    write_.store(write + kLengthBytes + length, std::memory_order_release);
    return true;
  }

  // Reader side: the length of the oldest message, 0 when there is none.
  uint32_t frontLength() const {
    const uint32_t read = read_.load(std::memory_order_relaxed);
    if (write_.load(std::memory_order_acquire) == read) return 0;
    uint8_t header[kLengthBytes];
    copyOut(read, header, kLengthBytes);
    return uint32_t(header[0]) | uint32_t(header[1]) << 8 | uint32_t(header[2]) << 16 |
           uint32_t(header[3]) << 24;
  }
  // Reader side: copies the oldest message (frontLength() bytes) to `out`.
  void copyFront(uint8_t* out, uint32_t length) const {
    copyOut(read_.load(std::memory_order_relaxed) + kLengthBytes, out, length);
  }
  // Reader side: frees the oldest message of `length` bytes.
  void popFront(uint32_t length) {
    read_.store(read_.load(std::memory_order_relaxed) + kLengthBytes + length, std::memory_order_release);
  }
  // Reader side: forgets everything written so far.
  void skipAll() { read_.store(write_.load(std::memory_order_acquire), std::memory_order_release); }

 private:
  void copyIn(uint32_t at, const uint8_t* from, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) bytes_[(at + i) & (kBytes - 1)] = from[i];
  }
  void copyOut(uint32_t at, uint8_t* to, uint32_t n) const {
    for (uint32_t i = 0; i < n; ++i) to[i] = bytes_[(at + i) & (kBytes - 1)];
  }

  std::array<uint8_t, kBytes> bytes_{};  // written by the writer before it publishes write_
  std::atomic<uint32_t> write_{0};       // writer stores, reader loads
  std::atomic<uint32_t> read_{0};        // reader stores, writer loads
};

}  // namespace strobe95::standalone
