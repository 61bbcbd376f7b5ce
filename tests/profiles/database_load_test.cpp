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
#include "tests/profiles/load_compare.h"
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

using testing::Recorder;

class DatabaseLoadTest : public ::testing::Test {
 protected:
  DatabaseLoad loadBytes(const std::string& bytes) {
    const std::string path = dir.write("ling2.db", bytes);
    RecordFile database(path);
    return loadDatabase(database, recorder.hooks());
  }

  // An entry's profile as the window shows it, read again from the file;
  // the figures the load kept agree with it.
  LetterProfile profileOf(const LoadedEntry& entry) {
    const LetterProfile profile =
        readEntryProfile(dir.file("ling2.db"), entry);
    EXPECT_EQ(profile.totalCount, entry.totalCount);
    EXPECT_EQ(profile.usedCount, entry.usedCount);
    return profile;
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
  ASSERT_EQ(load.languageProfiles().size(), 2u);
  ASSERT_EQ(load.languagesReached(), 2u);

  const LetterProfile& latin = load.languageProfiles()[0];
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

  const LetterProfile& greek = load.languageProfiles()[1];
  EXPECT_EQ(greek.name, "Greek");
  EXPECT_EQ(greek.recordId, 266u);
  EXPECT_EQ(greek.counts[X], 6);
  EXPECT_EQ(greek.counts[Y], 2);
  EXPECT_EQ(greek.sums[X], 1.5f);
  EXPECT_EQ(greek.sumSquares[X], 1.25f);
  EXPECT_EQ(greek.sums[Y], 0.5f);
  EXPECT_NEAR(greek.stdDevs[X], std::sqrt(0.125f), 1e-6);
  EXPECT_NEAR(greek.stdDevs[Y], std::sqrt(0.125f), 1e-6);
}

TEST_F(DatabaseLoadTest, KeepsTheTotalsAndEveryEntrysOwnProfile) {
  const DatabaseLoad load = loadBytes(twoLanguages());
  ASSERT_EQ(load.outcome, LoadOutcome::Complete);
  ASSERT_EQ(load.languagesReached(), 2u);

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
  EXPECT_EQ(profileOf(caesar).counts[C], 5);  // the Count Array as stored
  EXPECT_EQ(profileOf(caesar).totalCount, 10);
  EXPECT_EQ(profileOf(caesar).usedCount, 2);
  EXPECT_EQ(profileOf(caesar).order[0], B);
  EXPECT_EQ(profileOf(caesar).order[1], A);
  EXPECT_EQ(profileOf(caesar).order[2], 0);
  EXPECT_EQ(latinEntries.entries[1].id, 262u);
  EXPECT_EQ(load.languages[1].entries[1].name, "Plato");
  EXPECT_EQ(profileOf(load.languages[1].entries[1]).totalCount, 4);
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
  EXPECT_TRUE(load.languageProfiles().empty());
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
  const LetterProfile& empty = load.languageProfiles()[0];
  EXPECT_EQ(empty.sampleCount, 0);
  EXPECT_EQ(empty.totalCount, 0);
  EXPECT_EQ(load.languages[0].entryCount, 0);
  EXPECT_TRUE(load.languages[0].profileDone);
  const LetterProfile& one = load.languageProfiles()[1];
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
  EXPECT_EQ(profileOf(entry).totalCount, 0);
  EXPECT_EQ(profileOf(entry).usedCount, 0);
  EXPECT_EQ(load.languageProfiles()[0].counts[A], 0);
  EXPECT_EQ(load.languageProfiles()[0].sums[A], 0.0f);
  EXPECT_EQ(load.totals.counts[A], 0);
}

// A last record cut short that no unfinished add explains is damage: the
// load warns and shows what lies before it.
TEST_F(DatabaseLoadTest, FileEndingInsideARecordWarns) {
  const std::string whole = languageRecord(257, "Latin");
  const std::string cut = languageRecord(258, "Greek");
  const DatabaseLoad load = loadBytes(whole + cut.substr(0, cut.size() - 2));
  EXPECT_EQ(load.outcome, LoadOutcome::Complete);
  EXPECT_EQ(load.languageProfiles().size(), 1u);
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
  EXPECT_EQ(profileOf(entry).counts[A], 1);
  EXPECT_EQ(profileOf(entry).usedCount, 2);
  EXPECT_EQ(load.languageProfiles()[0].counts[B], 2);
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
    ASSERT_EQ(load.languagesReached(), 1u);
    EXPECT_FALSE(load.languages[0].profileDone);
    EXPECT_EQ(load.languages[0].entryCount, 2);
    ASSERT_EQ(load.languages[0].entries.size(), 2u);
    EXPECT_TRUE(load.languages[0].entries[0].profileRead);
    EXPECT_FALSE(load.languages[0].entries[1].profileRead);
    EXPECT_EQ(load.languages[0].entries[1].name, "Cicero");
    EXPECT_EQ(profileOf(load.languages[0].entries[1]).counts[A], 0);
    // Every language is listed; Latin holds Caesar only, Greek nothing.
    ASSERT_EQ(load.languageProfiles().size(), 2u);
    const LetterProfile& latin = load.languageProfiles()[0];
    EXPECT_EQ(latin.sampleCount, 2);
    EXPECT_EQ(latin.counts[A], 1);
    EXPECT_EQ(latin.sums[A], 0.1f);
    EXPECT_EQ(latin.order[0], 0);  // never ordered
    EXPECT_EQ(latin.totalCount, 0);
    EXPECT_EQ(load.languageProfiles()[1].name, "Greek");
    EXPECT_EQ(load.languageProfiles()[1].sampleCount, 0);
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
  ASSERT_EQ(load.languagesReached(), 1u);
  EXPECT_TRUE(load.languages[0].entries.empty());
  ASSERT_EQ(load.languageProfiles().size(), 2u);  // all languages
  EXPECT_EQ(load.languageProfiles()[0].sampleCount, 2);
  EXPECT_EQ(load.languageProfiles()[0].counts[A], 0);
  EXPECT_EQ(load.languageProfiles()[1].name, "Greek");

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
  EXPECT_EQ(load.languageProfiles()[0].counts[A], 4);
  EXPECT_EQ(load.languageProfiles()[1].sampleCount, 2);
  EXPECT_EQ(load.languageProfiles()[1].counts[X], 0);
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
  EXPECT_EQ(load.languageProfiles()[0].name, "Lat");
  const LoadedEntry& shortOne = load.languages[0].entries[0];
  EXPECT_EQ(shortOne.name, "Ca");
  EXPECT_EQ(profileOf(shortOne).counts[1], 7);
  EXPECT_EQ(profileOf(shortOne).counts[2], 0);
  EXPECT_EQ(profileOf(shortOne).usedCount, 1);  // 255 skipped
  EXPECT_EQ(profileOf(shortOne).totalCount, 7);
  EXPECT_EQ(profileOf(shortOne).order[0], 1);

  const LoadedEntry& wide = load.languages[0].entries[1];
  EXPECT_EQ(profileOf(wide).usedCount, 255);
  EXPECT_EQ(profileOf(wide).totalCount, 255);
  EXPECT_EQ(profileOf(wide).order[253], 254);
  EXPECT_EQ(profileOf(wide).order[254], 2);
  EXPECT_EQ(profileOf(wide).counts[254], 1);
  EXPECT_EQ(load.languageProfiles()[0].counts[1], 8);  // 7 + 1
  EXPECT_EQ(load.languageProfiles()[0].counts[2], 2);  // listed twice
  EXPECT_EQ(load.languageProfiles()[0].counts[3], 1);
  EXPECT_EQ(load.totals.counts[2], 2);
}

TEST_F(DatabaseLoadTest, HugeCountsAreHeldAtTheLimitWithoutWrapping) {
  const DatabaseLoad load = loadBytes(
      languageRecord(257, "Big") +
      entryBytes(258, 257, "one", {{A, INT32_MAX}, {B, INT32_MAX}}) +
      entryBytes(262, 257, "two", {{A, INT32_MAX}}));
  ASSERT_EQ(load.outcome, LoadOutcome::Complete);
  EXPECT_EQ(profileOf(load.languages[0].entries[0]).totalCount, INT32_MAX);
  EXPECT_EQ(load.languageProfiles()[0].counts[A], INT32_MAX);
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

}  // namespace
}  // namespace letterfreq
