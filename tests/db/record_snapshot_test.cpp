#include "db/record_snapshot.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <utility>
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
    EXPECT_STREQ(e.what(), "!nofileopen: No such file or directory");
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

// Only regular files are databases: a folder, a FIFO (no writer needed to
// refuse it), a device or a link loop is refused at once, reading and
// writing alike, in the system's words.
TEST(RecordSnapshotTest, NonRegularFilesAreRefusedAtOnce) {
  testing::TempDir dir;
  const RecordSnapshot empty(dir.write("empty.db", ""));
  EXPECT_TRUE(empty.records().empty());
  EXPECT_EQ(empty.next_record_id(), 257u);

  const std::string fifo = dir.file("fifo.db");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string loop = dir.file("loop.db");
  std::filesystem::create_symlink(loop, loop);
  const std::string device = "is a device, not a regular file";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir.path(), "Is a directory"},
      {fifo, "is a FIFO, not a regular file"},
      {"/dev/zero", device},
      {"/dev/null", device},
      {loop, "Too many levels of symbolic links"}};
  for (const auto& [name, reason] : cases) {
    SCOPED_TRACE(name);
    const std::string expected = std::string("!nofileopen: ") + reason;
    try {
      RecordSnapshot snapshot(name);
      ADD_FAILURE() << "read";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), expected);
    }
    try {
      RecordFile file(name);
      ADD_FAILURE() << "opened";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), expected);
    }
  }
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

// The rereader hands over the bytes the snapshot read, whole: what the
// file became since (appended to, renamed over, cut short) is not seen.
TEST_F(RecordRereaderTest, ReadsBlocksAgainAfterTheSnapshotIsGone) {
  RecordRereader rereader;
  std::vector<RecordLayout> records;
  {
    const RecordSnapshot snapshot(path);
    rereader = snapshot.rereader();
    records = snapshot.records();
  }
  ASSERT_EQ(records.size(), 3u);
  RecordFile(path).store_record(textRecord(0, {{2, 1}}, "Greek"));
  const std::string other = dir.write("other.db", "unrelated bytes");
  ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);

  const Handed small = reread(rereader, records[0]);
  EXPECT_TRUE(small.ok);
  EXPECT_EQ(asString(small.bytes), std::string("Latin", 6));
  const Handed big = reread(rereader, records[1]);
  EXPECT_TRUE(big.ok);
  EXPECT_EQ(asString(big.bytes), large);
  EXPECT_EQ(big.pieces, std::vector<size_t>{150003});
  EXPECT_EQ(asString(reread(rereader, records[2]).bytes),
            std::string("last", 5));
  EXPECT_FALSE(reread(RecordRereader(), records[0]).ok);
}

}  // namespace
}  // namespace letterfreq
