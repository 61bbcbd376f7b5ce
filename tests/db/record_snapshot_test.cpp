#include "db/record_snapshot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "db/record_codec.h"
#include "db/record_file.h"
#include "tests/db/db_test_bytes.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::asString;
using testing::Bytes;
using testing::concat;
using testing::textRecord;

bool sameRefs(const std::vector<RecordRef>& a,
              const std::vector<RecordRef>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].id != b[i].id || a[i].offset != b[i].offset) return false;
  }
  return true;
}

TEST(RecordSnapshotTest, ReadsWithoutCreatingAndKeepsWhatItRead) {
  testing::TempDir dir;
  const std::string missing = dir.file("missing.db");
  try {
    RecordSnapshot snapshot(missing);
    ADD_FAILURE() << "a missing file was read";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "!nofileopen");
  }
  EXPECT_THROW(testing::readFile(missing), std::runtime_error);

  RecordFile file(dir.write("db", asString(testing::TWO_RECORD_FILE)));
  const RecordSnapshot before = file.snapshot();
  file.store_record(textRecord(0, {{2, 1}}, "Greek"));
  EXPECT_EQ(before.query_all().size(), 2u);
  EXPECT_EQ(before.next_record_id(), 259u);
  EXPECT_EQ(file.snapshot().query_all().size(), 3u);
}

// A database shaped like the application's, with duplicate ids, several
// links per record and kind-0 links: every question answered alike.
TEST(RecordSnapshotTest, AnswersExactlyAsTheFileDoes) {
  testing::TempDir dir;
  std::mt19937 random(20240611);
  Bytes bytes;
  std::set<uint32_t> targets{0, 2, 3};
  for (uint32_t i = 0; i < 600; ++i) {
    Record record;
    record.id(random() % 5 == 0 ? 257 + random() % 50 : 257 + i);
    const uint32_t links = random() % 4;
    for (uint32_t k = 0; k < links; ++k) {
      const uint32_t target = random() % 3 == 0 ? 2 : 257 + random() % 600;
      record.add_link({target, static_cast<uint16_t>(random() % 8)});
      targets.insert(target);
    }
    if (random() % 4 == 0) record.add_field({1, 2, i});
    const std::string text(random() % 40, 'x');
    record.set_data(text.c_str());
    appendEncodedRecord(bytes, record);
  }
  RecordFile file(dir.write("db", asString(bytes)));
  const RecordSnapshot snapshot = file.snapshot();
  ASSERT_EQ(snapshot.records().size(), 600u);

  EXPECT_TRUE(sameRefs(snapshot.query_all(), file.query_all()));
  EXPECT_EQ(snapshot.next_record_id(), file.next_record_id());
  for (uint32_t id = 255; id < 900; id += 7) {
    EXPECT_EQ(encodeRecord(snapshot.get_record(id)),
              encodeRecord(file.get_record(id)))
        << id;
    EXPECT_EQ(snapshot.find_record_offset(id), file.find_record_offset(id));
  }
  for (uint32_t target : targets) {
    for (uint16_t kind = 0; kind < 9; kind += (target % 5 == 0 ? 1 : 4)) {
      ASSERT_TRUE(sameRefs(snapshot.query_link(target, kind),
                           file.query_link(target, kind)))
          << target << " " << kind;
    }
  }
}

// Files that cannot be mapped (empty ones, devices) are read instead.
TEST(RecordSnapshotTest, EmptyFilesAndDevicesAreReadAsBefore) {
  testing::TempDir dir;
  for (const std::string& name :
       {dir.write("empty.db", ""), std::string("/dev/null")}) {
    const RecordSnapshot snapshot(name);
    EXPECT_TRUE(snapshot.records().empty());
    EXPECT_EQ(snapshot.bytes().size(), 0u);
    EXPECT_EQ(snapshot.next_record_id(), 257u);
  }
  EXPECT_THROW(RecordSnapshot(dir.path()), std::runtime_error);  // a folder
}

// What a rereader hands over, piece by piece.
struct Handed {
  std::vector<size_t> pieces;
  Bytes bytes;
  bool ok = false;
};

Handed reread(const RecordRereader& rereader, const RecordLayout& record) {
  Handed handed;
  handed.ok = rereader.readData(record, [&](const uint8_t* data, size_t n) {
    handed.pieces.push_back(n);
    handed.bytes.insert(handed.bytes.end(), data, data + n);
  });
  return handed;
}

class RecordRereaderTest : public ::testing::Test {
 protected:
  // A small record, one of 150,003 data bytes (three pieces), a third.
  void SetUp() override {
    for (size_t i = 0; i < large.size(); ++i) {
      large[i] = static_cast<char>(i * 13 + i / 256);
    }
    bytes = concat({encodeRecord(textRecord(257, {{2, 1}}, "Latin")),
                    encodeRecord(dataRecord(258, large)),
                    encodeRecord(textRecord(259, {{258, 8}}, "last"))});
    path = dir.write("reread.db", asString(bytes));
  }
  static Record dataRecord(uint32_t id, const std::string& data) {
    Record record;
    record.id(id);
    record.add_link({257, 8});
    record.set_data(reinterpret_cast<const uint8_t*>(data.data()),
                    static_cast<uint32_t>(data.size()));
    return record;
  }
  testing::TempDir dir;
  std::string large = std::string(150003, '\0');
  Bytes bytes;
  std::string path;
};

TEST_F(RecordRereaderTest, ReadsBlocksAgainAfterTheSnapshotIsGone) {
  RecordRereader rereader;
  std::vector<RecordLayout> records;
  {
    const RecordSnapshot snapshot(path);
    rereader = snapshot.rereader();
    records = snapshot.records();
  }
  ASSERT_EQ(records.size(), 3u);
  const Handed small = reread(rereader, records[0]);
  EXPECT_TRUE(small.ok);
  EXPECT_EQ(asString(small.bytes), std::string("Latin", 6));
  const Handed big = reread(rereader, records[1]);
  EXPECT_TRUE(big.ok);
  EXPECT_EQ(asString(big.bytes), large);
  // Whole pieces of PIECE bytes, so no 4-byte item is ever split.
  EXPECT_EQ(big.pieces,
            (std::vector<size_t>{RecordRereader::PIECE, RecordRereader::PIECE,
                                 150003 - 2 * RecordRereader::PIECE}));

  // Bytes given, not read from a file: handed over whole from memory.
  const RecordSnapshot inMemory(bytes);
  const Handed whole = reread(inMemory.rereader(), inMemory.records()[1]);
  EXPECT_TRUE(whole.ok);
  EXPECT_EQ(whole.pieces, std::vector<size_t>{150003});
  EXPECT_FALSE(reread(RecordRereader(), records[0]).ok);
}

// The rereader reads the file that was mapped: appends are after the
// records, and a file renamed over it is another file.
TEST_F(RecordRereaderTest, KeepsReadingTheFileItWasMadeFrom) {
  const RecordSnapshot snapshot(path);
  const RecordRereader rereader = snapshot.rereader();
  const std::vector<RecordLayout> records = snapshot.records();
  RecordFile(path).store_record(textRecord(0, {{2, 1}}, "Greek"));
  const std::string other = dir.write("other.db", "unrelated bytes");
  ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
  EXPECT_EQ(asString(reread(rereader, records[2]).bytes),
            std::string("last", 5));
}

// Cut short or rewritten in place since: no bytes, and nothing read past
// the end of the file.
TEST_F(RecordRereaderTest, RecordsTheFileNoLongerHoldsAreRefused) {
  RecordRereader rereader;
  std::vector<RecordLayout> records;
  {
    const RecordSnapshot snapshot(path);
    rereader = snapshot.rereader();
    records = snapshot.records();
  }

  Bytes changed = bytes;
  changed[records[2].offset + 1] = 0x7F;  // another id
  testing::writeFile(path, asString(changed));
  EXPECT_TRUE(reread(rereader, records[0]).ok);
  EXPECT_FALSE(reread(rereader, records[2]).ok);

  changed.resize(records[1].offset + 5000);  // inside the large record
  testing::writeFile(path, asString(changed));
  EXPECT_TRUE(reread(rereader, records[0]).ok);
  const Handed cut = reread(rereader, records[1]);
  EXPECT_FALSE(cut.ok);
  EXPECT_TRUE(cut.bytes.empty());
}

}  // namespace
}  // namespace letterfreq
