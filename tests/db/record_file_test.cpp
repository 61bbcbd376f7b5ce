#include "db/record_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/record_codec.h"
#include "tests/db/db_test_bytes.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::asBytes;
using testing::asString;
using testing::Bytes;
using testing::concat;
using testing::dataOf;
using testing::hexBytes;
using testing::textRecord;

class RecordFileTest : public ::testing::Test {
 protected:
  std::string dbWith(const Bytes& bytes) {
    return dir.write("test.db", asString(bytes));
  }
  Bytes bytesOf(const std::string& path) {
    return asBytes(testing::readFile(path));
  }

  testing::TempDir dir;
};

// what() of the exception `call` throws, or "" when it throws none.
template <class Call>
std::string errorOf(Call call) {
  try {
    call();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

std::vector<uint32_t> idsOf(const std::vector<RecordRef>& refs) {
  std::vector<uint32_t> ids;
  for (const RecordRef& ref : refs) ids.push_back(ref.id);
  return ids;
}

std::vector<int32_t> offsetsOf(const std::vector<RecordRef>& refs) {
  std::vector<int32_t> offsets;
  for (const RecordRef& ref : refs) offsets.push_back(ref.offset);
  return offsets;
}

TEST_F(RecordFileTest, ConstructorCreatesAMissingFileAndKeepsAnExistingOne) {
  const std::string missing = dir.file("new.db");
  RecordFile created(missing);
  EXPECT_EQ(testing::readFile(missing), "");
  EXPECT_EQ(created.fileName(), missing);

  const std::string existing = dbWith(testing::TWO_RECORD_FILE);
  RecordFile kept(existing);
  EXPECT_EQ(bytesOf(existing), testing::TWO_RECORD_FILE);
}

TEST_F(RecordFileTest, AnUnopenableFileThrowsNoFileOpen) {
  EXPECT_EQ(errorOf([] { RecordFile file(""); }),
            "!nofileopen: No such file or directory");
  EXPECT_EQ(errorOf([&] { RecordFile file(dir.path()); }),
            "!nofileopen: Is a directory");
  EXPECT_EQ(errorOf([&] { RecordFile file(dir.file("no/such/folder.db")); }),
            "!nofileopen: No such file or directory");
}

TEST_F(RecordFileTest, OperationsOnAVanishedFileThrowNoFileOpen) {
  RecordFile file(dir.file("gone.db"));
  std::remove(file.fileName().c_str());
  EXPECT_EQ(errorOf([&] { file.get_record(257); }), "!nofileopen: No such file or directory");
  EXPECT_EQ(errorOf([&] { file.query_link(2, 0); }), "!nofileopen: No such file or directory");
  EXPECT_EQ(errorOf([&] { file.store_record(testing::latinRecord()); }),
            "!nofileopen: No such file or directory");
  EXPECT_EQ(errorOf([&] { file.insert_record(testing::latinRecord(), 0); }),
            "!nofileopen: No such file or directory");
}

TEST_F(RecordFileTest, EmptyFileHoldsNoRecords) {
  RecordFile file(dbWith({}));
  const Record none = file.get_record(257);
  EXPECT_EQ(none.id(), 0u);
  EXPECT_EQ(none.fieldCount(), 0);
  EXPECT_EQ(none.linkCount(), 0);
  EXPECT_EQ(dataOf(none), asBytes(std::string("No match found!", 16)));
  EXPECT_TRUE(file.query_all().empty());
  EXPECT_TRUE(file.query_link(2, 0).empty());
  EXPECT_EQ(file.next_record_id(), 257u);
  EXPECT_EQ(file.find_record_offset(257), -1);
}

TEST_F(RecordFileTest, ReadsTheTwoRecordFile) {
  RecordFile file(dbWith(testing::TWO_RECORD_FILE));
  const std::vector<RecordRef> all = file.query_all();
  EXPECT_EQ(idsOf(all), (std::vector<uint32_t>{257, 258}));
  EXPECT_EQ(offsetsOf(all), (std::vector<int32_t>{0, 23}));

  const Record latin = file.get_record(257);
  EXPECT_EQ(latin.id(), 257u);
  ASSERT_EQ(latin.linkCount(), 1);
  EXPECT_EQ(latin.link(0).target, 2u);
  EXPECT_EQ(latin.link(0).kind, 1);
  EXPECT_EQ(dataOf(latin), asBytes(std::string("Latin", 6)));

  const Record field = file.get_record(258);
  ASSERT_EQ(field.fieldCount(), 1);
  EXPECT_EQ(field.field(0).tag, 0x0102);
  EXPECT_EQ(field.field(0).kind, 3);
  EXPECT_EQ(field.field(0).value, 1000u);
  EXPECT_EQ(field.dataLength(), 0u);

  EXPECT_EQ(file.find_record_offset(258), 23);
  EXPECT_EQ(file.next_record_id(), 259u);
}

TEST_F(RecordFileTest, StoreAppendsNewRecordsUnderFreshIds) {
  RecordFile file(dbWith({}));
  Record record = textRecord(0, {{2, 1}}, "Latin");
  EXPECT_EQ(file.store_record(record), 257u);
  EXPECT_EQ(record.id(), 0u);  // the caller's record keeps id 0
  EXPECT_EQ(file.store_record(record), 258u);
  EXPECT_EQ(offsetsOf(file.query_all()), (std::vector<int32_t>{0, 23}));

  // An id that no record carries is kept; new ids stay above 256.
  EXPECT_EQ(file.store_record(textRecord(5, {}, "x")), 5u);
  EXPECT_EQ(file.find_record_offset(5), 46);
  EXPECT_EQ(file.next_record_id(), 259u);
  RecordFile low(dir.file("low.db"));
  low.store_record(textRecord(5, {}, "x"));
  EXPECT_EQ(low.next_record_id(), 257u);
}

TEST_F(RecordFileTest, StoreWritesTheGoldenFile) {
  RecordFile file(dbWith({}));
  Record latin = testing::latinRecord();
  latin.id(0);
  EXPECT_EQ(file.store_record(latin), 257u);
  EXPECT_EQ(file.store_record(testing::fieldRecord()), 258u);
  EXPECT_EQ(bytesOf(file.fileName()), testing::TWO_RECORD_FILE);
}

TEST_F(RecordFileTest, SameSizeRewriteOverwritesInPlace) {
  RecordFile file(dbWith(testing::TWO_RECORD_FILE));
  EXPECT_EQ(file.store_record(textRecord(257, {{3, 4}}, "Greek")), 257u);
  Bytes expected = testing::TWO_RECORD_FILE;
  const Bytes changed = hexBytes("03 00 00 00 04 00 47 72 65 65 6B 00");
  std::copy(changed.begin(), changed.end(), expected.begin() + 11);
  EXPECT_EQ(bytesOf(file.fileName()), expected);
}

TEST_F(RecordFileTest, GrowingRewriteMovesTheTail) {
  RecordFile file(dbWith(testing::TWO_RECORD_FILE));
  EXPECT_EQ(file.store_record(textRecord(257, {{2, 1}}, "Latina")), 257u);
  const Bytes grown =
      concat({hexBytes("72 01 01 00 00 0F 00 00 00 00 01 02 00 00 00 01 00"
                       "4C 61 74 69 6E 61 00"),
              testing::FIELD_RECORD});
  ASSERT_EQ(grown.size(), 42u);
  EXPECT_EQ(bytesOf(file.fileName()), grown);
  EXPECT_EQ(offsetsOf(file.query_all()), (std::vector<int32_t>{0, 24}));
}

TEST_F(RecordFileTest, ShrinkingRewriteMovesTheTail) {
  RecordFile file(dbWith(testing::TWO_RECORD_FILE));
  EXPECT_EQ(file.store_record(textRecord(257, {{2, 1}}, "Lati")), 257u);
  const Bytes shrunk =
      concat({hexBytes("72 01 01 00 00 0D 00 00 00 00 01 02 00 00 00 01 00"
                       "4C 61 74 69 00"),
              testing::FIELD_RECORD});
  ASSERT_EQ(shrunk.size(), 40u);
  EXPECT_EQ(bytesOf(file.fileName()), shrunk);
  EXPECT_EQ(offsetsOf(file.query_all()), (std::vector<int32_t>{0, 22}));
}

TEST_F(RecordFileTest, RewritesByFourBytesShiftEveryLaterRecord) {
  RecordFile file(dbWith({}));
  for (const char* name : {"one", "two", "three", "four"}) {
    file.store_record(textRecord(0, {{2, 1}}, name));
  }
  const std::vector<RecordRef> before = file.query_all();
  const Bytes old = bytesOf(file.fileName());

  file.store_record(textRecord(258, {{2, 1}}, "two!!!!"));
  const std::vector<RecordRef> grown = file.query_all();
  EXPECT_EQ(bytesOf(file.fileName()).size(), old.size() + 4);
  EXPECT_EQ(idsOf(grown), idsOf(before));
  EXPECT_EQ(grown[1].offset, before[1].offset);
  EXPECT_EQ(grown[2].offset, before[2].offset + 4);
  EXPECT_EQ(grown[3].offset, before[3].offset + 4);

  file.store_record(textRecord(258, {{2, 1}}, "two"));
  EXPECT_EQ(bytesOf(file.fileName()), old);
}

TEST_F(RecordFileTest, RewritesTheLastRecordAndTheFirst) {
  RecordFile file(dbWith(testing::TWO_RECORD_FILE));
  // Last record, other size: the tail is empty.
  Record last = testing::fieldRecord();
  last.set_data("abc");
  file.store_record(last);
  EXPECT_EQ(
      bytesOf(file.fileName()),
      concat({testing::LATIN_RECORD,
              hexBytes("72 02 01 00 00 0D 00 00 00 01 02 01 03 E8 03 00 00 00"
                       "61 62 63 00")}));
  // First record, smaller: the head is empty.
  file.store_record(textRecord(257, {}, ""));
  EXPECT_EQ(file.get_record(257).linkCount(), 0);
  EXPECT_EQ(file.get_record(258).dataLength(), 4u);
  EXPECT_EQ(offsetsOf(file.query_all()), (std::vector<int32_t>{0, 12}));
}

TEST_F(RecordFileTest, DuplicateIdsFirstWins) {
  const Bytes second = encodeRecord(textRecord(257, {}, "Second"));
  RecordFile file(dbWith(concat({testing::TWO_RECORD_FILE, second})));
  EXPECT_EQ(dataOf(file.get_record(257)), asBytes(std::string("Latin", 6)));
  EXPECT_EQ(file.find_record_offset(257), 0);
  file.store_record(textRecord(257, {{2, 1}}, "Latina"));
  EXPECT_EQ(dataOf(file.get_record(257)), asBytes(std::string("Latina", 7)));
  const std::vector<RecordRef> all = file.query_all();
  EXPECT_EQ(idsOf(all), (std::vector<uint32_t>{257, 258, 257}));
  const Bytes after = bytesOf(file.fileName());
  EXPECT_EQ(Bytes(after.begin() + all[2].offset, after.end()), second);
}

// Records 300..: one links to 2 of kind 1 after a first link elsewhere,
// one holds two matching links, one links to 2 by kind 6, one holds a
// link of kind 0.
Bytes linkFile() {
  return concat({encodeRecord(textRecord(300, {{9, 1}, {2, 6}}, "a")),
                 encodeRecord(textRecord(301, {{2, 1}, {2, 1}}, "b")),
                 encodeRecord(textRecord(302, {{3, 6}}, "c")),
                 encodeRecord(textRecord(303, {{7, 0}}, "d")),
                 encodeRecord(textRecord(304, {}, "e"))});
}

TEST_F(RecordFileTest, QueryLinkByTargetKindOrBoth) {
  RecordFile file(dbWith(linkFile()));
  EXPECT_EQ(idsOf(file.query_link(2, 0)), (std::vector<uint32_t>{300, 301}));
  EXPECT_EQ(idsOf(file.query_link(2, 6)), (std::vector<uint32_t>{300}));
  EXPECT_EQ(idsOf(file.query_link(2, 1)), (std::vector<uint32_t>{301}));
  EXPECT_EQ(idsOf(file.query_link(0, 6)), (std::vector<uint32_t>{300, 302}));
  EXPECT_EQ(idsOf(file.query_link(0, 0)), (std::vector<uint32_t>{303}));
  EXPECT_EQ(idsOf(file.query_link(7, 0)), (std::vector<uint32_t>{303}));
  EXPECT_TRUE(file.query_link(7, 5).empty());
  EXPECT_TRUE(file.query_link(304, 0).empty());
  const std::vector<RecordRef> refs = file.query_link(0, 6);
  EXPECT_EQ(refs[1].offset, file.find_record_offset(302));
}

TEST_F(RecordFileTest, ZeroByteAtABoundaryEndsGetRecordAndQueryLinkOnly) {
  const Bytes bytes =
      concat({testing::LATIN_RECORD, Bytes{0}, testing::FIELD_RECORD});
  RecordFile file(dbWith(bytes));
  EXPECT_EQ(file.get_record(257).id(), 257u);
  EXPECT_EQ(file.get_record(258).id(), 0u);  // behind the zero: no match
  EXPECT_EQ(idsOf(file.query_link(2, 0)), (std::vector<uint32_t>{257}));
  const std::string error = "!query_all expected RECORD_DELIM at 24";
  EXPECT_EQ(errorOf([&] { file.query_all(); }), error);
  EXPECT_EQ(errorOf([&] { file.find_record_offset(257); }), error);
  EXPECT_EQ(errorOf([&] { file.next_record_id(); }), error);
  EXPECT_EQ(errorOf([&] { file.store_record(textRecord(0, {}, "x")); }), error);
  EXPECT_EQ(bytesOf(file.fileName()), bytes);
}

TEST_F(RecordFileTest, StrayByteIsReportedOneAfterItsOffset) {
  const Bytes bytes = concat({testing::TWO_RECORD_FILE, Bytes{'x'}});
  RecordFile file(dbWith(bytes));
  EXPECT_EQ(errorOf([&] { file.get_record(999); }),
            "!get_record expected RECORD_DELIM at 42");
  EXPECT_EQ(errorOf([&] { file.query_all(); }),
            "!query_all expected RECORD_DELIM at 42");
  EXPECT_EQ(errorOf([&] { file.query_link(2, 0); }),
            "!query_link expected RECORD_DELIM at 42 rcvd:120");
  // get_record stops at the record it finds, before the stray byte.
  EXPECT_EQ(file.get_record(258).id(), 258u);
}

TEST_F(RecordFileTest, InsertRecordRefusalsLeaveTheFileUnchanged) {
  RecordFile file(dbWith(testing::TWO_RECORD_FILE));
  std::vector<std::string> reports;
  file.reporter = [&](const std::string& text) { reports.push_back(text); };

  const Record latin = textRecord(257, {{2, 1}}, "Latina");
  EXPECT_FALSE(file.insert_record(latin, 5));
  EXPECT_FALSE(file.insert_record(latin, -1));
  EXPECT_FALSE(file.insert_record(latin, 41));
  EXPECT_FALSE(file.insert_record(latin, 23));  // 258 stands there
  EXPECT_EQ(reports,
            (std::vector<std::string>{
                "!insert_record says No record delimiter at that offset",
                "!insert_record says No record delimiter at that offset",
                "!insert_record says No record delimiter at that offset",
                "!wrong record at that offset"}));
  EXPECT_EQ(bytesOf(file.fileName()), testing::TWO_RECORD_FILE);

  file.reporter = nullptr;  // no reporter: still refused, still no output
  EXPECT_FALSE(file.insert_record(latin, 23));
  EXPECT_TRUE(file.insert_record(latin, 0));
  EXPECT_EQ(file.find_record_offset(258), 24);
}

}  // namespace
}  // namespace letterfreq
