#include "db/record_codec.h"

#include <gtest/gtest.h>

#include "db/record_walk.h"
#include "tests/db/db_test_bytes.h"

namespace letterfreq {
namespace {

using testing::Bytes;
using testing::hexBytes;

TEST(RecordCodecTest, IntegersAreLittleEndianByteByByte) {
  Bytes out;
  write_u8(out, 0x72);
  write_u16(out, 0x0102);
  write_u32(out, 0xA1B2C3D4);
  EXPECT_EQ(out, hexBytes("72 02 01 D4 C3 B2 A1"));
  EXPECT_EQ(read_u16(out.data() + 1), 0x0102);
  EXPECT_EQ(read_u32(out.data() + 3), 0xA1B2C3D4u);
}

TEST(RecordCodecTest, TheTwoRecordsEncodeToTheirGoldenBytes) {
  EXPECT_EQ(encodeRecord(testing::latinRecord()), testing::LATIN_RECORD);
  EXPECT_EQ(encodeRecord(testing::fieldRecord()), testing::FIELD_RECORD);
  Bytes file;
  appendEncodedRecord(file, testing::latinRecord());
  appendEncodedRecord(file, testing::fieldRecord());
  ASSERT_EQ(file.size(), 41u);
  EXPECT_EQ(file, testing::TWO_RECORD_FILE);
}

TEST(RecordCodecTest, EmptyRecordIsElevenBytes) {
  Record record;
  record.id(300);
  EXPECT_EQ(encodeRecord(record), hexBytes("72 2C 01 00 00 02 00 00 00 00 00"));
}

// Round trip through the walk: what is written is read back whole.
void expectRoundTrip(const Record& record) {
  const Bytes bytes = encodeRecord(record);
  const Record back = getRecordIn(bytes, record.id());
  EXPECT_EQ(encodeRecord(back), bytes);
  EXPECT_EQ(back.dataLength(), record.dataLength());
}

TEST(RecordCodecTest, FullCountsAndLargeDataRoundTrip) {
  Record full;
  full.id(7);
  for (uint32_t i = 0; i < 255; ++i) {
    full.add_field({static_cast<uint16_t>(i * 257), static_cast<uint8_t>(i),
                    i * 16843009u});
    full.add_link({i * 3 + 1, static_cast<uint16_t>(65535 - i)});
  }
  full.set_data("x");
  expectRoundTrip(full);

  Record large;
  large.id(8);
  Bytes data(70000);
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<uint8_t>(i * 7);
  large.set_data(data.data(), static_cast<uint32_t>(data.size()));
  expectRoundTrip(large);
}

// A batch append (a whole database's entries at once) must not copy the
// buffer once per record, which made large batches quadratic.
TEST(RecordCodecTest, AppendingManyRecordsGrowsTheBufferGeometrically) {
  Bytes out;
  int moves = 0;
  const uint8_t* where = out.data();
  for (uint32_t id = 257; id < 257 + 5000; ++id) {
    appendEncodedRecord(out, testing::textRecord(id, {{2, 1}}, "Latin"));
    if (out.data() != where) ++moves;
    where = out.data();
  }
  EXPECT_EQ(out.size(), 5000 * testing::LATIN_RECORD.size());
  EXPECT_LT(moves, 40);
}

}  // namespace
}  // namespace letterfreq
