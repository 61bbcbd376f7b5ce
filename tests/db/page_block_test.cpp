#include "util/page_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace letterfreq {
namespace {

// Byte i of a block filled by fill(): a pattern no run of zeros matches.
uint8_t patternAt(size_t i) { return static_cast<uint8_t>(i * 131 + 7); }

void fill(PageBlock& block, size_t from = 0) {
  for (size_t i = from; i < block.size(); ++i) block.data()[i] = patternAt(i);
}

bool holdsPattern(const PageBlock& block, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (block.data()[i] != patternAt(i)) return false;
  }
  return true;
}

TEST(PageBlockTest, EverySizeIsWritableAndHugeOnesLieOnHugePages) {
  for (size_t size :
       {size_t{0}, size_t{1}, size_t{4095}, size_t{4096}, HUGE_PAGE_BYTES - 1,
        HUGE_PAGE_BYTES, HUGE_PAGE_BYTES * 3 + 5}) {
    PageBlock block(size);
    ASSERT_EQ(block.size(), size);
    fill(block);
    EXPECT_TRUE(holdsPattern(block, size)) << size;
    const auto address = reinterpret_cast<uintptr_t>(block.data());
    if (size >= HUGE_PAGE_BYTES) {
      EXPECT_EQ(address % HUGE_PAGE_BYTES, 0u) << size;
    } else if (size > 0) {
      EXPECT_EQ(address % 4096, 0u) << size;
    }
  }
}

TEST(PageBlockTest, ResizeAndAppendKeepTheBytesAndMovesHandThemOver) {
  PageBlock block(3000);
  fill(block);
  // Growing by small steps past a page, then past a huge page.
  std::vector<uint8_t> more(5000);
  while (block.size() < HUGE_PAGE_BYTES + 10000) {
    const size_t at = block.size();
    for (size_t i = 0; i < more.size(); ++i) more[i] = patternAt(at + i);
    block.append(more.data(), more.data() + more.size());
  }
  EXPECT_TRUE(holdsPattern(block, block.size()));
  block.resize(10);
  EXPECT_EQ(block.size(), 10u);
  block.resize(100000);  // within its room again: the first 10 stay
  EXPECT_TRUE(holdsPattern(block, 10));
  block.append(more.data(), more.data());  // nothing to add
  EXPECT_EQ(block.size(), 100000u);

  PageBlock moved(std::move(block));
  EXPECT_EQ(block.size(), 0u);
  EXPECT_EQ(block.data(), nullptr);
  EXPECT_TRUE(holdsPattern(moved, 10));
  PageBlock assigned(7);
  assigned = std::move(moved);
  EXPECT_EQ(assigned.size(), 100000u);
  EXPECT_TRUE(holdsPattern(assigned, 10));
  PageBlock copy(assigned);
  assigned.data()[0] = static_cast<uint8_t>(~patternAt(0));
  EXPECT_TRUE(holdsPattern(copy, 10));
  copy = assigned;
  EXPECT_EQ(copy.size(), 100000u);
  EXPECT_EQ(copy.data()[0], assigned.data()[0]);

  PageBlock empty;
  empty.resize(0);
  empty.append(more.data(), more.data() + 3);
  EXPECT_EQ(empty.size(), 3u);
  EXPECT_EQ(empty.data()[2], more[2]);
}

}  // namespace
}  // namespace letterfreq
