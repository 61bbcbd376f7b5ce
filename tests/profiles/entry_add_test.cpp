#include "profiles/entry_add.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/record_file.h"
#include "db/record_texts.h"
#include "profiles/load_pass.h"
#include "tests/profiles/schema_bytes.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::countArrayData;
using testing::entryRecord;
using testing::languageRecord;
using testing::readFile;
using testing::recordBytes;
using testing::sourceRecord;
using testing::TempDir;

// A sample with the 20 byte values 'a'..'t', counts 20 down to 1.
LetterProfile twentyValues() {
  LetterProfile sample;
  for (int k = 0; k < 20; ++k) sample.counts['a' + k] = 20 - k;
  sample.sampleCount = 1;
  sample.sortOrder();
  return sample;
}

std::string twentyCountArray() {
  std::string data = countArrayData({});
  for (int k = 0; k < 20; ++k) data[4 * ('a' + k)] = static_cast<char>(20 - k);
  return data;
}

// The same entry stored the slow way: one store_record after another, the
// link's target carried from each store to the next, as the window's steps
// describe. Its file is the reference for the one-write append.
void storeOneByOne(RecordFile& database,
                   const std::vector<LetterProfile>& languages,
                   const EntryToAdd& entry, const LetterProfile& sample) {
  Record record;
  RecordLink link;
  for (const LetterProfile& language : languages) {
    if (language.name == entry.language) link.target = language.recordId;
  }
  if (link.target == 0) {
    link.target = LANGUAGE_ROOT;
    link.kind = KIND_MEMBER;
    record.add_link(link);
    record.set_data(entry.language.c_str());
    link.target = database.store_record(record);
  }
  record.clear();
  link.kind = KIND_MEMBER;
  record.add_link(link);
  record.set_data(entry.name.empty() ? entry.source.c_str()
                                     : entry.name.c_str());
  link.target = database.store_record(record);
  record.clear();
  link.kind = KIND_SOURCE;
  record.add_link(link);
  record.set_data(entry.source.c_str());
  database.store_record(record);
  record.clear();
  link.kind = KIND_COUNT_ARRAY;
  record.add_link(link);
  std::vector<uint8_t> counts;
  for (int32_t count : sample.counts) {
    for (int k = 0; k < 4; ++k) {
      counts.push_back(static_cast<uint8_t>(static_cast<uint32_t>(count) >> (8 * k)));
    }
  }
  record.set_data(counts.data(), static_cast<uint32_t>(counts.size()));
  database.store_record(record);
  uint32_t n = 0;
  while (n < 255 && sample.order[n] != 0) ++n;
  record.clear();
  link.kind = KIND_SORT_ARRAY;
  record.add_link(link);
  record.set_data(sample.order.data(), n);
  database.store_record(record);
}

class EntryAddTest : public ::testing::Test {
 protected:
  // Adds to both files, each after reloading its languages, as the window
  // reloads after every addition.
  void addBoth(const EntryToAdd& entry, const LetterProfile& sample) {
    storeEntry(database, entry, sample);
    storeOneByOne(reference, languagesOf(reference), entry, sample);
  }

  TempDir dir;
  RecordFile database{dir.file("ling2.db")};
  RecordFile reference{dir.file("reference.db")};
};

TEST_F(EntryAddTest, NewLanguageAppendsFiveRecordsByteForByte) {
  const EntryRecords added =
      storeEntry(database, {"Latin", "Caesar", "sample.txt"},
                 twentyValues());
  EXPECT_TRUE(added.newLanguage);
  EXPECT_EQ(added.languageId, 257u);
  EXPECT_EQ(added.entryId, 258u);

  // The language record, written out in full: id 257, length 14, no
  // fields, one link to 2 of kind 1, "Latin" and its NUL.
  const std::string language(
      "\x72\x01\x01\x00\x00\x0E\x00\x00\x00\x00\x01\x02\x00\x00\x00\x01\x00"
      "Latin\0",
      23);
  std::string order;
  for (int k = 0; k < 20; ++k) order.push_back(static_cast<char>('a' + k));
  const std::string expected =
      language + entryRecord(258, 257, "Caesar") +
      sourceRecord(259, 258, "sample.txt") +
      recordBytes(260, {{258, KIND_COUNT_ARRAY}}, twentyCountArray()) +
      recordBytes(261, {{258, KIND_SORT_ARRAY}}, order);
  EXPECT_EQ(readFile(database.fileName()), expected);
}

TEST_F(EntryAddTest, SequenceOfAddsEqualsStoringOneRecordAtATime) {
  LetterProfile empty;
  empty.sampleCount = 1;
  empty.sortOrder();
  LetterProfile zero;  // byte value 0 counted: its order ends at once
  zero.counts[0] = 5;
  zero.counts['a'] = 3;
  zero.sortOrder();

  addBoth({"Latin", "Caesar", "caesar.txt"}, twentyValues());   // new
  addBoth({"Latin", "Caesar", "caesar.txt"}, twentyValues());   // same again
  addBoth({"latin", "Cicero", "cicero.txt"}, twentyValues());   // case: new
  addBoth({"Latin", "", "sample.txt"}, twentyValues());         // source name
  addBoth({"Latin", "blank", "http://x/"}, empty);               // no counts
  addBoth({"Greek", "zero", "zero.bin"}, zero);
  addBoth({"Latin/Vulgar\\&_", "@->", "s"}, twentyValues());
  EXPECT_EQ(readFile(database.fileName()), readFile(reference.fileName()));

  // And the load reads them back as added.
  const DatabaseLoad load = loadDatabase(database, {});
  ASSERT_EQ(load.outcome, LoadOutcome::Complete);
  ASSERT_EQ(load.languagesReached(), 4u);
  EXPECT_EQ(load.languageProfiles()[0].name, "Latin");
  EXPECT_EQ(load.languageProfiles()[1].name, "latin");
  EXPECT_EQ(load.languageProfiles()[3].name, "Latin/Vulgar\\&_");
  const std::vector<LoadedEntry>& latin = load.languages[0].entries;
  ASSERT_EQ(latin.size(), 4u);
  EXPECT_EQ(latin[0].name, "Caesar");
  EXPECT_EQ(latin[1].name, "Caesar");
  EXPECT_EQ(latin[2].name, "sample.txt");
  EXPECT_EQ(latin[3].name, "blank");
  EXPECT_EQ(latin[3].totalCount, 0);
  EXPECT_EQ(load.languages[3].entries[0].name, "@->");
}

TEST_F(EntryAddTest, SecondEntryAppendsFourRecordsWithoutLanguage) {
  storeEntry(database, {"Latin", "Caesar", "a.txt"}, twentyValues());
  const std::string before = readFile(database.fileName());
  const EntryRecords added = storeEntry(database,
                                        {"Latin", "", "b.txt"}, LetterProfile());
  EXPECT_FALSE(added.newLanguage);
  EXPECT_EQ(added.languageId, 257u);
  EXPECT_EQ(added.entryId, 262u);
  const std::string expected =
      before + entryRecord(262, 257, "b.txt") +
      sourceRecord(263, 262, "b.txt") +
      recordBytes(264, {{262, KIND_COUNT_ARRAY}}, countArrayData({})) +
      recordBytes(265, {{262, KIND_SORT_ARRAY}}, "");
  EXPECT_EQ(readFile(database.fileName()), expected);
}

TEST_F(EntryAddTest, LastLanguageOfTheSameNameWins) {
  std::vector<LetterProfile> languages(3);
  languages[0].name = "Latin";
  languages[0].recordId = 300;
  languages[1].name = "Greek";
  languages[1].recordId = 301;
  languages[2].name = "Latin";
  languages[2].recordId = 302;
  const EntryRecords added = entryRecords(
      languages, {"Latin", "n", "s"}, LetterProfile(), 400);
  EXPECT_FALSE(added.newLanguage);
  EXPECT_EQ(added.languageId, 302u);
  ASSERT_EQ(added.records.size(), 4u);
  EXPECT_EQ(added.records[0].id(), 400u);
  EXPECT_EQ(added.records[0].link(0).target, 302u);
  EXPECT_EQ(added.records[3].id(), 403u);
}

TEST_F(EntryAddTest, RefusalsComeFirstAndInOrder) {
  EXPECT_STREQ(entryRefusal(false, true, "Latin"), NEED_SAMPLE_AND_DATABASE);
  EXPECT_STREQ(entryRefusal(true, false, "Latin"), NEED_SAMPLE_AND_DATABASE);
  EXPECT_STREQ(entryRefusal(false, false, ""), NEED_SAMPLE_AND_DATABASE);
  EXPECT_STREQ(entryRefusal(true, true, ""), NEED_LANGUAGE);
  EXPECT_EQ(entryRefusal(true, true, "Latin"), nullptr);
}

TEST_F(EntryAddTest, NoIdLeftWritesNothing) {
  const std::string top = languageRecord(0xFFFFFFFEu, "Top");
  testing::writeFile(database.fileName(), top);
  try {
    storeEntry(database, {"Latin", "x", "s"}, twentyValues());
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), NO_RECORD_ID_LEFT_TEXT);
  }
  EXPECT_EQ(readFile(database.fileName()), top);
}

// Lets the file grow by only `room` more bytes: the next write past that
// fails with EFBIG, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit previous_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST_F(EntryAddTest, FailingWriteLeavesTheFileAsItWas) {
  storeEntry(database, {"Latin", "Caesar", "a.txt"}, twentyValues());
  const std::string before = readFile(database.fileName());
  for (rlim_t room : {rlim_t{0}, rlim_t{10}, rlim_t{100}, rlim_t{1000}}) {
    SCOPED_TRACE(room);
    bool thrown = false;
    {
      FileSizeLimit limit(before.size() + room);
      try {
        storeEntry(database,
                   {"Greek", "Homer", "b.txt"}, twentyValues());
      } catch (const std::runtime_error&) {
        thrown = true;
      }
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(readFile(database.fileName()), before);
  }
  EXPECT_EQ(loadDatabase(database, {}).outcome, LoadOutcome::Complete);
}

TEST_F(EntryAddTest, BatchOfEntriesEqualsStoringOneRecordAtATime) {
  const LetterProfile sample = twentyValues();
  const std::vector<EntryToAdd> entries = {{"Latin", "Caesar", "a.txt"},
                                           {"Greek", "", "b.txt"},
                                           {"Latin", "Cicero", "c.txt"},
                                           {"Greek", "Homer", "d.txt"}};
  std::vector<NewEntry> batch;
  for (const EntryToAdd& entry : entries) {
    batch.push_back({entry, sample});
    storeOneByOne(reference, languagesOf(reference), entry, sample);
  }
  const EntryBatch made =
      entryBatchRecords({}, batch, database.next_record_id(), {});
  database.append_records(made.records);
  EXPECT_EQ(readFile(database.fileName()), readFile(reference.fileName()));
  ASSERT_EQ(made.entries.size(), entries.size());
  EXPECT_TRUE(made.entries[1].newLanguage);
  EXPECT_FALSE(made.entries[2].newLanguage);
  EXPECT_EQ(made.entries[2].languageId, made.entries[0].languageId);
  EXPECT_EQ(made.entries[3].languageId, made.entries[1].languageId);
}

}  // namespace
}  // namespace letterfreq
