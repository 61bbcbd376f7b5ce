#include "db/record_snapshot.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace letterfreq
