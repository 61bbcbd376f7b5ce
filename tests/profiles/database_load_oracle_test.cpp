// The fast load against the slow one that asks the engine record by
// record, over random files and over files changed after the load.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "db/record_file.h"
#include "profiles/database_load.h"
#include "tests/profiles/load_compare.h"
#include "tests/profiles/schema_bytes.h"
#include "tests/support/load_by_queries.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::entryBytes;
using testing::entryRecord;
using testing::expectSameLoad;
using testing::expectSameModel;
using testing::languageRecord;
using testing::Recorder;
using testing::recordBytes;

constexpr int A = 'a', B = 'b';

class DatabaseLoadOracleTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
};

// Random files of the application's records with the oddities that files
// can hold: duplicate ids, missing and doubled arrays, links of other
// kinds, several links, empty and odd-sized blocks, a zero byte at the end.
std::string randomDatabase(std::mt19937& random) {
  auto pick = [&random](int n) {
    return static_cast<int>(random() % static_cast<unsigned>(n));
  };
  std::string bytes;
  std::vector<uint32_t> languages;
  std::vector<uint32_t> entries;
  uint32_t id = 257;
  const int records = 5 + pick(60);
  for (int r = 0; r < records; ++r) {
    const uint32_t recordId = pick(12) == 0 ? 257 + pick(id - 256) : id++;
    const int what = pick(12);
    if (what == 0 || languages.empty()) {
      languages.push_back(recordId);
      bytes += languageRecord(recordId, "L" + std::to_string(pick(4)));
    } else if (what <= 3 || entries.empty()) {
      entries.push_back(recordId);
      bytes += entryRecord(recordId, languages[pick(languages.size())],
                           "e" + std::to_string(r));
    } else if (what >= 10) {  // an n-gram list, some items out of range
      std::string data;
      for (int k = pick(40); k > 0; --k) {
        testing::putU16(data, static_cast<uint16_t>(pick(17000)));
        testing::putU16(data, static_cast<uint16_t>(pick(65536)));
      }
      data.resize(data.size() + (pick(4) == 0 ? pick(4) : 0), '\x07');
      bytes += recordBytes(
          recordId, {{entries[pick(entries.size())], KIND_NGRAM_LIST}}, data);
    } else {
      const uint32_t entry = entries[pick(entries.size())];
      std::string data;
      const int length = pick(4) == 0 ? pick(1100) : 1020;
      uint16_t kind = KIND_COUNT_ARRAY;
      if (what >= 7) {
        kind = KIND_SORT_ARRAY;
        for (int k = pick(300); k > 0; --k) data.push_back(static_cast<char>(pick(256)));
      } else {
        for (int k = 0; k < length; ++k) {
          data.push_back(static_cast<char>(k % 4 == 0 ? pick(40) : 0));
        }
      }
      if (pick(15) == 0) {
        bytes += recordBytes(recordId, {{999, 3}, {entry, kind}}, data);
      } else {
        bytes += recordBytes(recordId, {{entry, kind}}, data);
      }
    }
  }
  if (pick(8) == 0) bytes += std::string(1, '\0') + languageRecord(id, "hid");
  return bytes;
}

TEST_F(DatabaseLoadOracleTest, FastLoadEqualsAskingTheEngine) {
  std::mt19937 random(20240501);
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    const std::string path = dir.write("random.db", randomDatabase(random));
    RecordFile database(path);
    Recorder fast;
    Recorder slow;
    fast.cancelFromCall = slow.cancelFromCall = round % 5 == 4 ? 7 : -1;
    const DatabaseLoad a = loadDatabase(database, fast.hooks());
    const DatabaseLoad b = loadDatabaseByQueries(database, slow.hooks());
    expectSameLoad(a, b);
    expectSameModel(ngramModel(a.features), ngramModel(b.features));
    EXPECT_EQ(fast.warnings, slow.warnings);
    EXPECT_EQ(fast.progress, slow.progress);
  }
}

// An n-gram list of one item, as a record.
std::string listRecord(uint32_t id, uint32_t entry, uint16_t bucket,
                       uint16_t count) {
  std::string data;
  testing::putU16(data, bucket);
  testing::putU16(data, count);
  return recordBytes(id, {{entry, KIND_NGRAM_LIST}}, data);
}

// The load leaves the lists unsummed and sums them on the first need:
// from the bytes it read, whatever happened to the file since.
TEST_F(DatabaseLoadOracleTest, NgramListsAreReadOnFirstNeedFromTheFileAsLoaded) {
  // L1 (257): e1 with a list; L2 (258): e2 with a list, at the end.
  const std::string bytes =
      languageRecord(257, "L1") + languageRecord(258, "L2") +
      entryBytes(259, 257, "e1", {{A, 1}}) + listRecord(263, 259, 5, 3) +
      entryBytes(264, 258, "e2", {{B, 1}}) + listRecord(268, 264, 9, 4);
  const size_t secondList = bytes.size() - listRecord(268, 264, 9, 4).size();
  const std::string path = dir.write("lists.db", bytes);
  const DatabaseLoad expected = loadDatabaseByQueries(RecordFile(path), {});
  EXPECT_FALSE(ngramModel(expected.features).weightsPending());

  // Appended since: a second entry of L1 with a list, not in the load.
  DatabaseLoad loaded = loadDatabase(RecordFile(path), {});
  EXPECT_TRUE(ngramModel(loaded.features).weightsPending());
  EXPECT_TRUE(ngramModel(loaded.features).hasData(1));
  testing::writeFile(path, bytes + entryBytes(269, 257, "e3", {{A, 2}}) +
                               listRecord(273, 269, 5, 100));
  expectSameModel(ngramModel(loaded.features), ngramModel(expected.features));

  // Another file renamed over it: the loaded one is read.
  testing::writeFile(path, bytes);
  loaded = loadDatabase(RecordFile(path), {});
  const std::string other = dir.write("other.db", languageRecord(257, "X"));
  ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
  expectSameModel(ngramModel(loaded.features), ngramModel(expected.features));

  // Cut short before L2's list: the list read is still summed.
  testing::writeFile(path, bytes);
  loaded = loadDatabase(RecordFile(path), {});
  testing::writeFile(path, bytes.substr(0, secondList));
  expectSameModel(ngramModel(loaded.features), ngramModel(expected.features));
}


// How many of this process's descriptors stand for `file`, removed or not.
int descriptorsOf(const std::filesystem::path& file) {
  const std::string removed = file.string() + " (deleted)";
  int n = 0;
  std::error_code error;
  for (const auto& fd :
       std::filesystem::directory_iterator("/proc/self/fd", error)) {
    std::error_code unreadable;
    const std::filesystem::path target =
        std::filesystem::read_symlink(fd.path(), unreadable);
    if (target == file || target.string() == removed) ++n;
  }
  return n;
}

// Neither the load nor its model's later summing keeps the file open: a
// file removed after the load still gives the weights of the file loaded.
TEST_F(DatabaseLoadOracleTest, NoDescriptorOfTheFileOutlivesTheLoad) {
  const std::string path = dir.write(
      "open.db", languageRecord(257, "L1") +
                     entryBytes(258, 257, "e1", {{A, 1}}) +
                     listRecord(262, 258, 5, 3));
  const std::filesystem::path file = std::filesystem::canonical(path);
  const DatabaseLoad expected = loadDatabaseByQueries(RecordFile(path), {});
  const RecordFile database(path);
  const DatabaseLoad loaded = loadDatabase(database, {});
  EXPECT_TRUE(ngramModel(loaded.features).weightsPending());
  EXPECT_EQ(descriptorsOf(file), 0);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  expectSameModel(ngramModel(loaded.features), ngramModel(expected.features));
  EXPECT_EQ(descriptorsOf(file), 0);
}

}  // namespace
}  // namespace letterfreq
