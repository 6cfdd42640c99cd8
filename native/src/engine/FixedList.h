#pragma once
// A list with its capacity inside the object, for the audio thread: appending to a full
// list is refused instead of growing.
#include <array>
#include <cstddef>

namespace strobe95 {

template <typename T, std::size_t Capacity>
class FixedList {
 public:
  bool push_back(const T& value) {
    if (size_ == Capacity) return false;
    items_[size_++] = value;
    return true;
  }
  void pop_back() { --size_; }
  void clear() { size_ = 0; }

  // Removes every element the predicate matches, keeping the others in order.
  template <typename Predicate>
  void removeIf(Predicate matches) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < size_; ++i) {
      if (!matches(items_[i])) items_[kept++] = items_[i];
    }
    size_ = kept;
  }

  bool empty() const { return size_ == 0; }
  bool full() const { return size_ == Capacity; }
  std::size_t size() const { return size_; }
  T& operator[](std::size_t i) { return items_[i]; }
  const T& operator[](std::size_t i) const { return items_[i]; }
  T& back() { return items_[size_ - 1]; }
  const T& back() const { return items_[size_ - 1]; }
  T* begin() { return items_.data(); }
  T* end() { return items_.data() + size_; }
  const T* begin() const { return items_.data(); }
  const T* end() const { return items_.data() + size_; }

 private:
  std::array<T, Capacity> items_{};
  std::size_t size_ = 0;
};

}  // namespace strobe95
