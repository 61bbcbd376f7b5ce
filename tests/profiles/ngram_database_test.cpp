// N-gram lists in a database: when adding an entry writes one, the bytes it
// writes, what loading makes of them, and that everything else a load or
// an older reader gives stays as it is without them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "profiles/ngram_match.h"
#include "profiles/ngram_record.h"
#include "profiles/schema.h"
#include "sample/ngram_counter.h"
#include "tests/profiles/ngram_test_files.h"
#include "tests/profiles/schema_bytes.h"
#include "tests/profiles/load_compare.h"
#include "tests/support/load_by_queries.h"
#include "tests/support/temp_dir.h"
#include "tests/support/feature_samples.h"

namespace letterfreq {
namespace {

using testing::entryBytes;
using testing::expectSameLoad;
using testing::languageRecord;
using testing::readFile;
using testing::recordBytes;
using testing::TempDir;
using testing::withoutNgramLists;

// A counted text: its profile and its n-gram counts.
struct Sample {
  LetterProfile profile;
  NgramCounter ngrams;
};

Sample sampleOf(const std::string& text) {
  Sample sample;
  for (char c : text) {
    const uint8_t byte = static_cast<uint8_t>(c);
    ++sample.profile.counts[byte];
    sample.ngrams.add(byte);
  }
  sample.ngrams.finish();
  sample.profile.sampleCount = 1;
  sample.profile.sortOrder();
  return sample;
}

const char* const TEXTS[][2] = {
    {"English", "the cat sat on the mat and the dog lay by the door"},
    {"German", "der hund und die katze schlafen auf dem sofa"},
    {"English", "a bird in the hand is worth two in the bush"},
    {"Finnish", "kissa istuu matolla ja koira makaa oven vieressa"},
};

void addAll(RecordFile& database, bool withNgrams,
            const FeatureSetFlags& asked) {
  for (const auto& [language, text] : TEXTS) {
    Sample sample = sampleOf(text);
    EntryToAdd entry{language, "", std::string(text).substr(0, 9)};
    storeEntry(database, entry, sample.profile,
               ngramBlocks(withNgrams ? sample.ngrams.counts() : nullptr),
               asked);
  }
}

// True when a record of the file is linked by KIND_NGRAM_LIST, that is when
// entries added to it get their n-gram lists.
bool databaseHasNgramLists(const RecordFile& database) {
  return !database.query_link(0, KIND_NGRAM_LIST).empty();
}

class NgramDatabaseTest : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(NgramDatabaseTest, DatabaseWithoutListsGainsTheBytesItAlwaysGained) {
  RecordFile plain(dir.file("plain.db"));
  RecordFile offered(dir.file("offered.db"));
  addAll(plain, false, ngramsAsked(false));
  addAll(offered, true, ngramsAsked(false));
  const std::string bytes = readFile(plain.fileName());
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(readFile(offered.fileName()), bytes);
  EXPECT_FALSE(databaseHasNgramLists(offered));
  EXPECT_FALSE(ngramModel(loadDatabase(offered, {}).features).carriesData());
}

TEST_F(NgramDatabaseTest, ListFollowsTheSortArrayInTheSameAppend) {
  RecordFile database(dir.file("ling2.db"));
  Sample sample = sampleOf("ab");
  storeEntry(database, {"Latin", "Caesar", "ab.txt"}, sample.profile,
             ngramBlocks(sample.ngrams.counts()), ngramsAsked());
  // « ab »: six features, one each, in rising bucket order.
  const std::string list = std::string(
      "\x81\x0D\x01\x00"   // 3457 « ab »
      "\x2F\x0F\x01\x00"   // 3887 « a»
      "\xD4\x14\x01\x00"   // 5332 « ab»
      "\x7F\x22\x01\x00"   // 8831 «ab »
      "\x5E\x31\x01\x00"   // 12638 «ab»
      "\xAF\x39\x01\x00",  // 14767 «b »
      24);
  const std::string expected =
      languageRecord(257, "Latin") + testing::entryRecord(258, 257, "Caesar") +
      testing::sourceRecord(259, 258, "ab.txt") +
      testing::countArrayRecord(260, 258, {{'a', 1}, {'b', 1}}) +
      testing::sortArrayRecord(261, 258, "ab") +
      recordBytes(262, {{258, KIND_NGRAM_LIST}}, list);
  EXPECT_EQ(readFile(database.fileName()), expected);

  // Now that the file has lists, every later entry gets one, also of an
  // empty sample (an empty list), and a database with lists keeps them.
  Sample empty = sampleOf("");
  storeEntry(database, {"Latin", "", "empty"},
             empty.profile, ngramBlocks(empty.ngrams.counts()));
  const std::string more =
      readFile(database.fileName()).substr(expected.size());
  EXPECT_EQ(more, testing::entryRecord(263, 257, "empty") +
                      testing::sourceRecord(264, 263, "empty") +
                      testing::countArrayRecord(265, 263, {}) +
                      testing::sortArrayRecord(266, 263, "") +
                      recordBytes(267, {{263, KIND_NGRAM_LIST}}, ""));
}

TEST_F(NgramDatabaseTest, OlderReadersLoadTheSameWithListsPresent) {
  RecordFile database(dir.file("ngrams.db"));
  addAll(database, true, ngramsAsked());
  const std::string bytes = readFile(database.fileName());
  const std::string stripped = withoutNgramLists(bytes);
  ASSERT_LT(stripped.size(), bytes.size());
  RecordFile older(dir.write("older.db", stripped));

  const DatabaseLoad withLists = loadDatabase(database, {});
  const DatabaseLoad withoutLists = loadDatabase(older, {});
  expectSameLoad(withLists, withoutLists);
  expectSameLoad(loadDatabaseByQueries(database, {}), withoutLists);
  EXPECT_TRUE(ngramModel(withLists.features).carriesData());
  EXPECT_FALSE(ngramModel(withoutLists.features).carriesData());

  // The five kinds' queries find exactly the same records.
  for (const LetterProfile& language : withLists.languageProfiles()) {
    EXPECT_EQ(database.query_link(language.recordId, 0).size(),
              older.query_link(language.recordId, 0).size());
  }
  EXPECT_EQ(database.query_link(LANGUAGE_ROOT, 0).size(), 3u);
  EXPECT_EQ(database.query_link(0, KIND_COUNT_ARRAY).size(),
            older.query_link(0, KIND_COUNT_ARRAY).size());
}

TEST_F(NgramDatabaseTest, LoadSumsTheFirstListOfEachEntry) {
  auto item = [](uint16_t bucket, uint16_t count) {
    std::string out;
    testing::putU16(out, bucket);
    testing::putU16(out, count);
    return out;
  };
  // L1: two entries, the first with two lists (the second one ignored);
  // L2: one entry without a list.
  const std::string bytes =
      languageRecord(257, "L1") + languageRecord(258, "L2") +
      entryBytes(259, 257, "e1", {{'a', 2}}) +
      recordBytes(263, {{259, KIND_NGRAM_LIST}}, item(5, 3) + item(9, 1)) +
      recordBytes(264, {{259, KIND_NGRAM_LIST}}, item(5, 1000)) +
      entryBytes(265, 257, "e2", {{'b', 1}}) +
      recordBytes(269, {{265, KIND_NGRAM_LIST}},
                  item(5, 2) + item(40000, 7) + "\x01") +
      entryBytes(270, 258, "e3", {{'c', 1}});
  RecordFile database(dir.write("hand.db", bytes));
  const DatabaseLoad loaded = loadDatabase(database, {});
  ASSERT_EQ(loaded.outcome, LoadOutcome::Complete);
  const NgramModel& model = ngramModel(loaded.features);
  ASSERT_EQ(model.languageCount(), 2);
  EXPECT_TRUE(model.hasData(0));
  EXPECT_FALSE(model.hasData(1));
  // c = {5: 5, 9: 1}, T = 6; the bad bucket and the stray byte add nothing.
  EXPECT_EQ(model.weight(5, 0), ngramWeight(5, 6));
  EXPECT_EQ(model.weight(9, 0), ngramWeight(1, 6));
  EXPECT_EQ(model.weight(100, 0), ngramWeight(0, 6));

  // Matching: L2 has no data, so it comes last with no bar.
  std::vector<uint32_t> sample(NGRAM_BUCKETS, 0);
  sample[5] = 1;
  const NgramMatch match = matchNgrams(model, sample.data());
  EXPECT_EQ(match.ranking, (std::vector<int32_t>{0, 1}));
  EXPECT_FLOAT_EQ(match.bars[0], 1.0f);
  EXPECT_TRUE(std::isnan(match.bars[1]));
}

TEST_F(NgramDatabaseTest, StoppedLoadKeepsTheListsReadSoFar) {
  auto list = [](uint16_t bucket) {
    std::string out;
    testing::putU16(out, bucket);
    testing::putU16(out, 4);
    return out;
  };
  // The second entry of L1 lacks its Sort Array: the load stops there.
  const std::string bytes =
      languageRecord(257, "L1") + entryBytes(258, 257, "e1", {{'a', 2}}) +
      recordBytes(262, {{258, KIND_NGRAM_LIST}}, list(77)) +
      testing::entryRecord(263, 257, "e2") +
      testing::countArrayRecord(264, 263, {{'a', 1}});
  RecordFile database(dir.write("stopped.db", bytes));
  const DatabaseLoad loaded = loadDatabase(database, {});
  ASSERT_EQ(loaded.outcome, LoadOutcome::Stopped);
  EXPECT_TRUE(ngramModel(loaded.features).hasData(0));
  EXPECT_EQ(ngramModel(loaded.features).weight(77, 0), ngramWeight(4, 4));
}

}  // namespace
}  // namespace letterfreq
