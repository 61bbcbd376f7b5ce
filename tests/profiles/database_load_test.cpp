#include "profiles/database_load.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "db/record_file.h"
#include "tests/profiles/schema_bytes.h"
#include "tests/support/load_by_queries.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::countArrayData;
using testing::countArrayRecord;
using testing::entryBytes;
using testing::entryRecord;
using testing::languageRecord;
using testing::recordBytes;
using testing::sortArrayRecord;
using testing::sourceRecord;
using testing::TempDir;

constexpr int A = 'a', B = 'b', C = 'c', X = 'x', Y = 'y';

// What the hooks saw, in order.
struct Recorder {
  std::vector<std::pair<float, std::string>> progress;
  std::vector<std::string> warnings;
  int cancelFromCall = -1;  // answer false from this progress call on

  LoadHooks hooks() {
    LoadHooks hooks;
    hooks.progress = [this](float value, const std::string& message) {
      progress.emplace_back(value, message);
      return cancelFromCall < 0 ||
             static_cast<int>(progress.size()) < cancelFromCall;
    };
    hooks.warning = [this](const std::string& text) {
      warnings.push_back(text);
    };
    return hooks;
  }
};

class DatabaseLoadTest : public ::testing::Test {
 protected:
  DatabaseLoad loadBytes(const std::string& bytes) {
    const std::string path = dir.write("ling2.db", bytes);
    RecordFile database(path);
    return loadDatabase(database, recorder.hooks());
  }

  TempDir dir;
  Recorder recorder;
};

// Latin (257): Caesar a 1, b 9 (and c 5, which its Sort Array leaves out),
// Cicero a 3, b 7. Greek (266): Homer x 4, Plato x 2, y 2.
std::string twoLanguages() {
  return languageRecord(257, "Latin") + entryRecord(258, 257, "Caesar") +
         sourceRecord(259, 258, "caesar.txt") +
         countArrayRecord(260, 258, {{A, 1}, {B, 9}, {C, 5}}) +
         sortArrayRecord(261, 258, "ba") +
         entryBytes(262, 257, "Cicero", {{B, 7}, {A, 3}}) +
         languageRecord(266, "Greek") +
         entryBytes(267, 266, "Homer", {{X, 4}}) +
         entryBytes(271, 266, "Plato", {{X, 2}, {Y, 2}});
}

TEST_F(DatabaseLoadTest, SumsEntriesOverTheirSortArrays) {
  const DatabaseLoad load = loadBytes(twoLanguages());
  ASSERT_EQ(load.outcome, LoadOutcome::Complete);
  EXPECT_TRUE(recorder.warnings.empty());
  ASSERT_EQ(load.languageProfiles.size(), 2u);
  ASSERT_EQ(load.languages.size(), 2u);

  const LetterProfile& latin = load.languageProfiles[0];
  EXPECT_EQ(latin.name, "Latin");
  EXPECT_EQ(latin.recordId, 257u);
  EXPECT_EQ(latin.sampleCount, 2);
  EXPECT_EQ(latin.counts[A], 4);
  EXPECT_EQ(latin.counts[B], 16);
  EXPECT_EQ(latin.counts[C], 0);  // not in Caesar's Sort Array
  EXPECT_EQ(latin.order[0], B);
  EXPECT_EQ(latin.order[1], A);
  EXPECT_EQ(latin.order[2], 0);
  EXPECT_EQ(latin.totalCount, 20);
  EXPECT_EQ(latin.usedCount, 2);
  // Relative frequencies in single precision: a 0.1 and 0.3, b 0.9, 0.7.
  const float a1 = 1.0f / 10.0f, a2 = 3.0f / 10.0f;
  EXPECT_EQ(latin.sums[A], a1 + a2);
  EXPECT_EQ(latin.sumSquares[A], a1 * a1 + a2 * a2);
  EXPECT_NEAR(latin.stdDevs[A], 0.1414f, 1e-4);
  EXPECT_NEAR(latin.stdDevs[B], 0.1414f, 1e-4);
  EXPECT_EQ(latin.sums[C], 0.0f);

  const LetterProfile& greek = load.languageProfiles[1];
  EXPECT_EQ(greek.name, "Greek");
  EXPECT_EQ(greek.recordId, 266u);
  EXPECT_EQ(greek.counts[X], 6);
  EXPECT_EQ(greek.counts[Y], 2);
  EXPECT_EQ(greek.sums[X], 1.5f);
  EXPECT_EQ(greek.sumSquares[X], 1.25f);
  EXPECT_EQ(greek.sums[Y], 0.5f);
  EXPECT_NEAR(greek.stdDevs[X], std::sqrt(0.125f), 1e-6);
  EXPECT_NEAR(greek.stdDevs[Y], std::sqrt(0.125f), 1e-6);

  const LetterProfile& totals = load.totals;
  EXPECT_EQ(totals.counts[A], 4);
  EXPECT_EQ(totals.counts[B], 16);
  EXPECT_EQ(totals.counts[C], 0);
  EXPECT_EQ(totals.counts[X], 6);
  EXPECT_EQ(totals.counts[Y], 2);
  EXPECT_EQ(totals.totalCount, 28);
  EXPECT_EQ(totals.usedCount, 4);
  EXPECT_EQ(totals.order[0], B);
  EXPECT_EQ(totals.order[1], X);
  EXPECT_EQ(totals.order[2], A);
  EXPECT_EQ(totals.order[3], Y);

  // The entries, with their own profiles as stored.
  const LoadedLanguage& latinEntries = load.languages[0];
  EXPECT_EQ(latinEntries.entryCount, 2);
  EXPECT_TRUE(latinEntries.profileDone);
  ASSERT_EQ(latinEntries.entries.size(), 2u);
  const LoadedEntry& caesar = latinEntries.entries[0];
  EXPECT_EQ(caesar.id, 258u);
  EXPECT_EQ(caesar.name, "Caesar");
  EXPECT_TRUE(caesar.profileRead);
  EXPECT_EQ(caesar.profile.counts[C], 5);  // the Count Array as stored
  EXPECT_EQ(caesar.profile.totalCount, 10);
  EXPECT_EQ(caesar.profile.usedCount, 2);
  EXPECT_EQ(caesar.profile.order[0], B);
  EXPECT_EQ(caesar.profile.order[1], A);
  EXPECT_EQ(caesar.profile.order[2], 0);
  EXPECT_EQ(latinEntries.entries[1].id, 262u);
  EXPECT_EQ(load.languages[1].entries[1].name, "Plato");
  EXPECT_EQ(load.languages[1].entries[1].profile.totalCount, 4);
}

TEST_F(DatabaseLoadTest, ReportsProgressPerLanguageAndEntryThenTotals) {
  loadBytes(twoLanguages());
  const std::vector<std::pair<float, std::string>> expected = {
      {0.0f, "Latin"},  {0.0f, "Latin"},  {0.25f, "Latin"}, {0.5f, "Greek"},
      {0.5f, "Greek"},  {0.75f, "Greek"}, {0.75f, "Totals"}};
  EXPECT_EQ(recorder.progress, expected);
}

TEST_F(DatabaseLoadTest, EmptyAndMissingFilesLoadAsEmptyDatabases) {
  const std::string path = dir.file("new.db");
  RecordFile database(path);  // creates it
  const DatabaseLoad load = loadDatabase(database, recorder.hooks());
  EXPECT_EQ(load.outcome, LoadOutcome::Complete);
  EXPECT_TRUE(load.languageProfiles.empty());
  EXPECT_TRUE(load.languages.empty());
  EXPECT_EQ(load.totals.totalCount, 0);
  EXPECT_EQ(load.totals.usedCount, 0);
  ASSERT_EQ(recorder.progress.size(), 1u);
  EXPECT_EQ(recorder.progress[0].second, "Totals");
}

TEST_F(DatabaseLoadTest, LanguagesWithNoOrOneEntryKeepZeroDeviations) {
  const DatabaseLoad load =
      loadBytes(languageRecord(257, "Empty") + languageRecord(258, "One") +
                entryBytes(259, 258, "only", {{A, 2}, {B, 1}}));
  ASSERT_EQ(load.outcome, LoadOutcome::Complete);
  const LetterProfile& empty = load.languageProfiles[0];
  EXPECT_EQ(empty.sampleCount, 0);
  EXPECT_EQ(empty.totalCount, 0);
  EXPECT_EQ(load.languages[0].entryCount, 0);
  EXPECT_TRUE(load.languages[0].profileDone);
  const LetterProfile& one = load.languageProfiles[1];
  EXPECT_EQ(one.sampleCount, 1);
  EXPECT_EQ(one.stdDevs[A], 0.0f);
  EXPECT_EQ(one.stdDevs[B], 0.0f);
  EXPECT_EQ(one.totalCount, 3);
}

TEST_F(DatabaseLoadTest, EmptySortArrayAddsNothing) {
  const DatabaseLoad load = loadBytes(
      languageRecord(257, "Latin") + entryRecord(258, 257, "blank") +
      countArrayRecord(259, 258, {{A, 4}}) + sortArrayRecord(260, 258, ""));
  ASSERT_EQ(load.outcome, LoadOutcome::Complete);
  const LoadedEntry& entry = load.languages[0].entries[0];
  EXPECT_EQ(entry.profile.totalCount, 0);
  EXPECT_EQ(entry.profile.usedCount, 0);
  EXPECT_EQ(load.languageProfiles[0].counts[A], 0);
  EXPECT_EQ(load.languageProfiles[0].sums[A], 0.0f);
  EXPECT_EQ(load.totals.counts[A], 0);
}

// A last record cut short that no unfinished add explains is damage: the
// load warns and shows what lies before it.
TEST_F(DatabaseLoadTest, FileEndingInsideARecordWarns) {
  const std::string whole = languageRecord(257, "Latin");
  const std::string cut = languageRecord(258, "Greek");
  const DatabaseLoad load = loadBytes(whole + cut.substr(0, cut.size() - 2));
  EXPECT_EQ(load.outcome, LoadOutcome::Complete);
  EXPECT_EQ(load.languageProfiles.size(), 1u);
  EXPECT_EQ(recorder.warnings,
            std::vector<std::string>{cutEndWarning(
                static_cast<uint32_t>(whole.size()))});
}

TEST_F(DatabaseLoadTest, TooManyArraysWarnAndTheFirstIsUsed) {
  const DatabaseLoad load = loadBytes(
      languageRecord(257, "Latin") + entryRecord(258, 257, "twice") +
      countArrayRecord(259, 258, {{A, 1}, {B, 2}}) +
      sortArrayRecord(260, 258, "ba") +
      countArrayRecord(261, 258, {{A, 100}}) + sortArrayRecord(262, 258, "a"));
  ASSERT_EQ(load.outcome, LoadOutcome::Complete);
  EXPECT_EQ(recorder.warnings,
            (std::vector<std::string>{TOO_MANY_COUNT_ARRAYS,
                                      TOO_MANY_SORT_ARRAYS}));
  const LoadedEntry& entry = load.languages[0].entries[0];
  EXPECT_EQ(entry.profile.counts[A], 1);
  EXPECT_EQ(entry.profile.usedCount, 2);
  EXPECT_EQ(load.languageProfiles[0].counts[B], 2);
}

// Latin: Caesar whole, Cicero without the array; Greek after it.
std::string missingArray(bool count) {
  std::string cicero = entryRecord(262, 257, "Cicero") +
                       sourceRecord(263, 262, "cicero.txt");
  cicero += count ? sortArrayRecord(265, 262, "a")
                  : countArrayRecord(264, 262, {{A, 3}});
  return languageRecord(257, "Latin") +
         entryBytes(258, 257, "Caesar", {{B, 9}, {A, 1}}) + cicero +
         languageRecord(266, "Greek") +
         entryBytes(267, 266, "Homer", {{X, 4}});
}

TEST_F(DatabaseLoadTest, MissingArrayStopsAtThatEntry) {
  for (bool count : {true, false}) {
    SCOPED_TRACE(count ? "Count Array" : "Sort Array");
    recorder = Recorder();
    const DatabaseLoad load = loadBytes(missingArray(count));
    EXPECT_EQ(load.outcome, LoadOutcome::Stopped);
    EXPECT_EQ(load.endLanguage, 0u);
    EXPECT_EQ(load.endEntry, 1u);
    EXPECT_EQ(recorder.warnings,
              std::vector<std::string>{count ? MISSING_COUNT_ARRAY
                                             : MISSING_SORT_ARRAY});
    // The tree so far: Latin with both entries, Cicero without a profile.
    ASSERT_EQ(load.languages.size(), 1u);
    EXPECT_FALSE(load.languages[0].profileDone);
    EXPECT_EQ(load.languages[0].entryCount, 2);
    ASSERT_EQ(load.languages[0].entries.size(), 2u);
    EXPECT_TRUE(load.languages[0].entries[0].profileRead);
    EXPECT_FALSE(load.languages[0].entries[1].profileRead);
    EXPECT_EQ(load.languages[0].entries[1].name, "Cicero");
    EXPECT_EQ(load.languages[0].entries[1].profile.counts[A], 0);
    // Every language is listed; Latin holds Caesar only, Greek nothing.
    ASSERT_EQ(load.languageProfiles.size(), 2u);
    const LetterProfile& latin = load.languageProfiles[0];
    EXPECT_EQ(latin.sampleCount, 2);
    EXPECT_EQ(latin.counts[A], 1);
    EXPECT_EQ(latin.sums[A], 0.1f);
    EXPECT_EQ(latin.order[0], 0);  // never ordered
    EXPECT_EQ(latin.totalCount, 0);
    EXPECT_EQ(load.languageProfiles[1].name, "Greek");
    EXPECT_EQ(load.languageProfiles[1].sampleCount, 0);
    EXPECT_EQ(load.totals.counts[B], 9);
    // No "Totals" step after a stop.
    EXPECT_NE(recorder.progress.back().second, "Totals");
  }
}

TEST_F(DatabaseLoadTest, CancelEndsBeforeTheNextEntry) {
  recorder.cancelFromCall = 1;  // at once
  DatabaseLoad load = loadBytes(twoLanguages());
  EXPECT_EQ(load.outcome, LoadOutcome::Cancelled);
  EXPECT_EQ(load.endLanguage, 0u);
  EXPECT_EQ(load.endEntry, 0u);
  ASSERT_EQ(load.languages.size(), 1u);
  EXPECT_TRUE(load.languages[0].entries.empty());
  ASSERT_EQ(load.languageProfiles.size(), 2u);  // all languages
  EXPECT_EQ(load.languageProfiles[0].sampleCount, 2);
  EXPECT_EQ(load.languageProfiles[0].counts[A], 0);
  EXPECT_EQ(load.languageProfiles[1].name, "Greek");

  // Cancelled while Latin's second entry is announced: that entry is still
  // read (the answer is looked at before each entry), Greek's first is not.
  recorder = Recorder();
  recorder.cancelFromCall = 3;
  load = loadBytes(twoLanguages());
  EXPECT_EQ(load.outcome, LoadOutcome::Cancelled);
  EXPECT_EQ(load.endLanguage, 1u);
  EXPECT_EQ(load.endEntry, 0u);
  EXPECT_EQ(load.languages[0].entries.size(), 2u);
  EXPECT_TRUE(load.languages[0].profileDone);
  EXPECT_EQ(load.languageProfiles[0].counts[A], 4);
  EXPECT_EQ(load.languageProfiles[1].sampleCount, 2);
  EXPECT_EQ(load.languageProfiles[1].counts[X], 0);
}

TEST_F(DatabaseLoadTest, CancelWithNoEntryLeftStillCompletes) {
  recorder.cancelFromCall = 1;
  const DatabaseLoad load = loadBytes(languageRecord(257, "Latin"));
  EXPECT_EQ(load.outcome, LoadOutcome::Complete);
}

TEST_F(DatabaseLoadTest, UntrustedNamesAndArraysAreReadSafely) {
  // Names: one without its NUL, one with a NUL inside.
  std::string bytes = recordBytes(257, {{LANGUAGE_ROOT, KIND_MEMBER}}, "Lat") +
                      entryRecord(258, 257, std::string("Ca\0sar", 6));
  // A short Count Array (6 bytes: count 0 of byte 0, 7 of byte 1) and a
  // Sort Array with the counter-less byte 255.
  bytes += recordBytes(259, {{258, KIND_COUNT_ARRAY}},
                       std::string("\0\0\0\0\x07\0", 6)) +
           sortArrayRecord(260, 258, "\xff\x01");
  // A long Count Array (extra bytes after 1020) and a Sort Array of 300
  // bytes: 255, then 1..254, then 2 and 3 and more, which do not fit.
  std::string order = "\xff";
  for (int b = 1; b <= 254; ++b) order.push_back(static_cast<char>(b));
  order += std::string(45, '\x03');
  order[255] = '\x02';
  std::string longCounts;
  for (int b = 0; b < 255; ++b) testing::putU32(longCounts, b == 0 ? 0 : 1);
  longCounts += std::string(8, '\x7f');
  bytes += entryRecord(261, 257, "wide") +
           recordBytes(262, {{261, KIND_COUNT_ARRAY}}, longCounts) +
           sortArrayRecord(263, 261, order);
  ASSERT_EQ(order.size(), 300u);

  const DatabaseLoad load = loadBytes(bytes);
  ASSERT_EQ(load.outcome, LoadOutcome::Complete);
  EXPECT_EQ(load.languageProfiles[0].name, "Lat");
  const LoadedEntry& shortOne = load.languages[0].entries[0];
  EXPECT_EQ(shortOne.name, "Ca");
  EXPECT_EQ(shortOne.profile.counts[1], 7);
  EXPECT_EQ(shortOne.profile.counts[2], 0);
  EXPECT_EQ(shortOne.profile.usedCount, 1);  // 255 skipped
  EXPECT_EQ(shortOne.profile.totalCount, 7);
  EXPECT_EQ(shortOne.profile.order[0], 1);

  const LoadedEntry& wide = load.languages[0].entries[1];
  EXPECT_EQ(wide.profile.usedCount, 255);
  EXPECT_EQ(wide.profile.totalCount, 255);
  EXPECT_EQ(wide.profile.order[253], 254);
  EXPECT_EQ(wide.profile.order[254], 2);
  EXPECT_EQ(wide.profile.counts[254], 1);
  EXPECT_EQ(load.languageProfiles[0].counts[1], 8);  // 7 + 1
  EXPECT_EQ(load.languageProfiles[0].counts[2], 2);  // listed twice
  EXPECT_EQ(load.languageProfiles[0].counts[3], 1);
  EXPECT_EQ(load.totals.counts[2], 2);
}

TEST_F(DatabaseLoadTest, HugeCountsAreHeldAtTheLimitInsteadOfWrapping) {
  const DatabaseLoad load = loadBytes(
      languageRecord(257, "Big") +
      entryBytes(258, 257, "one", {{A, INT32_MAX}, {B, INT32_MAX}}) +
      entryBytes(262, 257, "two", {{A, INT32_MAX}}));
  ASSERT_EQ(load.outcome, LoadOutcome::Complete);
  EXPECT_EQ(load.languages[0].entries[0].profile.totalCount, INT32_MAX);
  EXPECT_EQ(load.languageProfiles[0].counts[A], INT32_MAX);
  EXPECT_EQ(load.totals.counts[A], INT32_MAX);
}

TEST_F(DatabaseLoadTest, DamagedFileThrowsTheEnginesText) {
  const std::string bytes = twoLanguages() + "x";
  const std::string path = dir.write("ling2.db", bytes);
  RecordFile database(path);
  try {
    loadDatabase(database, recorder.hooks());
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()),
              "!query_link expected RECORD_DELIM at " +
                  std::to_string(bytes.size()) + " rcvd:120");
  }
  EXPECT_TRUE(recorder.progress.empty());
}

// --- the fast load gives exactly what asking the engine gives -------------

bool sameBytes(const LetterProfile& a, const LetterProfile& b) {
  auto same = [](const auto& x, const auto& y) {
    return std::memcmp(x.data(), y.data(), sizeof(x[0]) * x.size()) == 0;
  };
  return a.name == b.name && a.recordId == b.recordId &&
         a.totalCount == b.totalCount && a.usedCount == b.usedCount &&
         same(a.counts, b.counts) && same(a.order, b.order) &&
         same(a.sums, b.sums) && same(a.sumSquares, b.sumSquares) &&
         same(a.stdDevs, b.stdDevs) && a.sampleCount == b.sampleCount;
}

void expectSameLoad(const DatabaseLoad& a, const DatabaseLoad& b) {
  EXPECT_EQ(a.outcome, b.outcome);
  EXPECT_EQ(a.endLanguage, b.endLanguage);
  EXPECT_EQ(a.endEntry, b.endEntry);
  EXPECT_TRUE(sameBytes(a.totals, b.totals));
  ASSERT_EQ(a.languageProfiles.size(), b.languageProfiles.size());
  for (size_t i = 0; i < a.languageProfiles.size(); ++i) {
    EXPECT_TRUE(sameBytes(a.languageProfiles[i], b.languageProfiles[i])) << i;
  }
  ASSERT_EQ(a.languages.size(), b.languages.size());
  for (size_t i = 0; i < a.languages.size(); ++i) {
    const LoadedLanguage& x = a.languages[i];
    const LoadedLanguage& y = b.languages[i];
    EXPECT_EQ(x.entryCount, y.entryCount);
    EXPECT_EQ(x.profileDone, y.profileDone);
    ASSERT_EQ(x.entries.size(), y.entries.size());
    for (size_t j = 0; j < x.entries.size(); ++j) {
      EXPECT_EQ(x.entries[j].id, y.entries[j].id);
      EXPECT_EQ(x.entries[j].name, y.entries[j].name);
      EXPECT_EQ(x.entries[j].profileRead, y.entries[j].profileRead);
      EXPECT_TRUE(sameBytes(x.entries[j].profile, y.entries[j].profile));
    }
  }
}

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

// The same n-gram data and the same weights, whenever they were made.
void expectSameModel(const NgramModel& a, const NgramModel& b) {
  ASSERT_EQ(a.languageCount(), b.languageCount());
  EXPECT_EQ(a.carriesNgramData(), b.carriesNgramData());
  for (int e = 0; e < a.languageCount(); ++e) {
    EXPECT_EQ(a.hasData(e), b.hasData(e)) << e;
  }
  if (!a.carriesNgramData()) return;
  EXPECT_EQ(a.largestWeightMagnitude(), b.largestWeightMagnitude());
  for (int bucket = 0; bucket < NGRAM_BUCKETS; ++bucket) {
    for (int e = 0; e < a.languageCount(); ++e) {
      ASSERT_EQ(a.weight(bucket, e), b.weight(bucket, e)) << bucket << " " << e;
    }
  }
}

TEST_F(DatabaseLoadTest, FastLoadEqualsAskingTheEngine) {
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
    expectSameModel(a.ngrams, b.ngrams);
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
TEST_F(DatabaseLoadTest, NgramListsAreReadOnFirstNeedFromTheFileAsLoaded) {
  // L1 (257): e1 with a list; L2 (258): e2 with a list, at the end.
  const std::string bytes =
      languageRecord(257, "L1") + languageRecord(258, "L2") +
      entryBytes(259, 257, "e1", {{A, 1}}) + listRecord(263, 259, 5, 3) +
      entryBytes(264, 258, "e2", {{B, 1}}) + listRecord(268, 264, 9, 4);
  const size_t secondList = bytes.size() - listRecord(268, 264, 9, 4).size();
  const std::string path = dir.write("lists.db", bytes);
  const DatabaseLoad expected = loadDatabaseByQueries(RecordFile(path), {});
  EXPECT_FALSE(expected.ngrams.weightsPending());

  // Appended since: a second entry of L1 with a list, not in the load.
  DatabaseLoad loaded = loadDatabase(RecordFile(path), {});
  EXPECT_TRUE(loaded.ngrams.weightsPending());
  EXPECT_TRUE(loaded.ngrams.hasData(1));
  testing::writeFile(path, bytes + entryBytes(269, 257, "e3", {{A, 2}}) +
                               listRecord(273, 269, 5, 100));
  expectSameModel(loaded.ngrams, expected.ngrams);

  // Another file renamed over it: the loaded one is read.
  testing::writeFile(path, bytes);
  loaded = loadDatabase(RecordFile(path), {});
  const std::string other = dir.write("other.db", languageRecord(257, "X"));
  ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
  expectSameModel(loaded.ngrams, expected.ngrams);

  // Cut short before L2's list: the list read is still summed.
  testing::writeFile(path, bytes);
  loaded = loadDatabase(RecordFile(path), {});
  testing::writeFile(path, bytes.substr(0, secondList));
  expectSameModel(loaded.ngrams, expected.ngrams);
}

}  // namespace
}  // namespace letterfreq
