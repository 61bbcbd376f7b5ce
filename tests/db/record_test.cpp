#include "db/record.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/db/db_test_bytes.h"

namespace letterfreq {
namespace {

using testing::Bytes;
using testing::dataOf;

TEST(RecordTest, ResetAndClearStates) {
  Record record;
  EXPECT_EQ(record.id(), 0u);
  EXPECT_EQ(record.body_length(), 2u);

  record.id(9);
  record.add_link({2, 1});
  record.clear();
  EXPECT_EQ(record.id(), 0u);
  EXPECT_EQ(record.linkCount(), 0);
  EXPECT_EQ(dataOf(record), Bytes{0});
  EXPECT_EQ(record.body_length(), 3u);

  record.reset();
  EXPECT_EQ(record.dataLength(), 0u);
  EXPECT_EQ(record.body_length(), 2u);
}

TEST(RecordTest, SetDataKeepsTextNulAndExactBytes) {
  Record record;
  record.set_data("Latin");
  EXPECT_EQ(record.dataLength(), 6u);
  EXPECT_EQ(record.data()[5], 0);
  record.add_link({2, 1});
  EXPECT_EQ(record.body_length(), 14u);

  const uint8_t bytes[] = {0, 1, 2};
  record.set_data(bytes, 3);
  EXPECT_EQ(dataOf(record), (Bytes{0, 1, 2}));
  record.set_data(nullptr, 0);
  EXPECT_EQ(record.dataLength(), 0u);
  EXPECT_THROW(record.set_data(nullptr, 4), std::invalid_argument);
}

TEST(RecordTest, RemovingKeepsTheOrderOfTheRest) {
  Record record;
  record.add_link({10, 1});
  record.add_link({20, 2});
  record.add_link({30, 3});
  record.remove_link(1);
  ASSERT_EQ(record.linkCount(), 2);
  EXPECT_EQ(record.link(0).target, 10u);
  EXPECT_EQ(record.link(1).target, 30u);

  record.add_field({1, 1, 1});
  record.remove_field(1);  // past the count: nothing happens
  record.remove_link(2);
  EXPECT_EQ(record.fieldCount(), 1);
  EXPECT_EQ(record.linkCount(), 2);
  EXPECT_THROW(record.link(2), std::out_of_range);
}

// A count is one byte in the file: the 256th entry would wrap it to 0.
TEST(RecordTest, AddFieldAndAddLinkRefuseAt255) {
  Record record;
  for (int i = 0; i < 255; ++i) {
    ASSERT_TRUE(record.add_field({static_cast<uint16_t>(i), 0, 0}));
    ASSERT_TRUE(record.add_link({static_cast<uint32_t>(i), 0}));
  }
  EXPECT_FALSE(record.add_field({999, 9, 9}));
  EXPECT_FALSE(record.add_link({999, 9}));
  EXPECT_EQ(record.fieldCount(), 255);
  EXPECT_EQ(record.linkCount(), 255);
  EXPECT_EQ(record.field(254).tag, 254);
  EXPECT_EQ(record.body_length(), 2u + 7 * 255 + 6 * 255);
}

TEST(RecordTest, CopiesAreDeep) {
  Record original = testing::latinRecord();
  Record copy = original;
  copy.set_data("Lati");
  copy.remove_link(0);
  EXPECT_EQ(original.linkCount(), 1);
  EXPECT_EQ(
      std::strcmp(reinterpret_cast<const char*>(original.data()), "Latin"), 0);
}

}  // namespace
}  // namespace letterfreq
