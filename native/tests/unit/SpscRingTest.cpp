#include <gtest/gtest.h>

#include <thread>

#include "SpscRing.h"

namespace strobe95 {
namespace {

TEST(SpscRing, HoldsOneLessThanItsSlots) {
  SpscRing<int, 8> ring;
  EXPECT_TRUE(ring.empty());
  for (int i = 0; i < 7; ++i) EXPECT_TRUE(ring.push(i)) << i;
  EXPECT_FALSE(ring.push(99)) << "full: write + 1 would meet read";
  int value = -1;
  ASSERT_TRUE(ring.pop(value));
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(ring.push(7)) << "one slot freed";
  EXPECT_FALSE(ring.push(8));
  for (int expected = 1; expected <= 7; ++expected) {
    ASSERT_TRUE(ring.pop(value));
    EXPECT_EQ(value, expected) << "first in, first out across the wrap";
  }
  EXPECT_FALSE(ring.pop(value));
  EXPECT_TRUE(ring.empty());
}

// Two real threads: every entry arrives once, in order, with its payload intact.
TEST(SpscRing, CarriesEntriesIntactBetweenThreads) {
  struct Entry {
    uint32_t sequence;
    uint32_t check;
  };
  static SpscRing<Entry, 64> ring;
  constexpr uint32_t kCount = 200000;
  std::thread producer([] {
    for (uint32_t i = 0; i < kCount;) {
      if (ring.push({i, i * 2654435761u})) ++i;
    }
  });
  uint32_t expected = 0;
  Entry entry{};
  while (expected < kCount) {
    if (!ring.pop(entry)) continue;
    ASSERT_EQ(entry.sequence, expected);
    ASSERT_EQ(entry.check, expected * 2654435761u);
    ++expected;
  }
  producer.join();
  EXPECT_TRUE(ring.empty());
}

}  // namespace
}  // namespace strobe95
