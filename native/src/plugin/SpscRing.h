#pragma once
// A fixed ring for exactly one producer thread and one consumer thread. Each side writes
// only its own index; an entry is written before the write index that publishes it, and
// read before the read index that frees its slot (release on publish, acquire on the
// other side's index), so neither side ever takes a lock.
#include <array>
#include <atomic>
#include <cstdint>

namespace strobe95 {

template <typename Entry, uint32_t Slots>
class SpscRing {
  static_assert((Slots & (Slots - 1)) == 0, "slot count must be a power of two");

 public:
  static constexpr uint32_t kCapacity = Slots - 1;  // one slot stays free to tell full from empty

  // Producer side. False when full: the entry is dropped.
  bool push(const Entry& entry) {
    const uint32_t write = write_.load(std::memory_order_relaxed);
    const uint32_t next = (write + 1) % Slots;
    if (next == read_.load(std::memory_order_acquire)) return false;
    slots_[write] = entry;
    write_.store(next, std::memory_order_release);
    return true;
  }

  // Consumer side. False when empty.
  bool pop(Entry& entry) {
    const uint32_t read = read_.load(std::memory_order_relaxed);
    if (read == write_.load(std::memory_order_acquire)) return false;
    entry = slots_[read];
    read_.store((read + 1) % Slots, std::memory_order_release);
    return true;
  }

  // Either side; exact only when the other side is idle.
  bool empty() const {
    return read_.load(std::memory_order_acquire) == write_.load(std::memory_order_acquire);
  }

 private:
  std::array<Entry, Slots> slots_{};
  std::atomic<uint32_t> write_{0};  // producer writes, consumer reads
  std::atomic<uint32_t> read_{0};   // consumer writes, producer reads
};

}  // namespace strobe95
