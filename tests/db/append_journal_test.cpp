// The writer's lock and the append journal, on the states a killed or a
// concurrent writer leaves: readers leave an unfinished append out, the
// next writer cuts it back, a busy lock is reported, reading creates
// nothing.
#include "db/append_journal.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "db/file_io.h"
#include "db/journal_format.h"
#include "db/record_codec.h"
#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "db/write_lock.h"
#include "tests/db/db_test_bytes.h"
#include "tests/support/journal_files.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::readFile;
using testing::TempDir;

std::string languageBytes(uint32_t id, const char* name) {
  Record record;
  record.id(id);
  record.add_link({2, 1});
  record.set_data(name);
  const std::vector<uint8_t> bytes = encodeRecord(record);
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class AppendJournalTest : public ::testing::Test {
 protected:
  TempDir dir;
  const std::string whole = languageBytes(257, "Latin");
  const std::string next = languageBytes(258, "Greek");
  const std::string path = dir.write("ling2.db", whole);
};

// A writer killed after its journal and half its append: readers see the
// file as it was, the next writer cuts the half record away and appends.
TEST_F(AppendJournalTest, UnfinishedAppendIsLeftOutAndCutBack) {
  testing::journalAppend(path, whole.size(), whole.size() + next.size());
  testing::writeFile(path, whole + next.substr(0, 7));

  EXPECT_EQ(readDatabaseFile(path).size(), whole.size());
  const RecordSnapshot snapshot(path);
  EXPECT_EQ(snapshot.records().size(), 1u);
  EXPECT_EQ(snapshot.stop().kind, WalkEnd::EndOfFile);
  EXPECT_EQ(snapshot.journalNote(), "");
  EXPECT_EQ(readFile(path).size(), whole.size() + 7);  // readers change nothing

  RecordFile file(path);
  Record greek;
  greek.add_link({2, 1});
  greek.set_data("Greek");
  EXPECT_EQ(file.store_record(greek), 258u);
  EXPECT_EQ(readFile(path), whole + next);
  EXPECT_EQ(filesIn(dir.path()),
            (std::vector<std::string>{"ling2.db", "ling2.db.lock"}));
}

// The journal's bytes: magic, device, inode, start, end and the sum of the
// bytes before the start, all little-endian.
TEST_F(AppendJournalTest, JournalBytesAreGolden) {
  JournalFacts facts;
  facts.device = 0x0102030405060708;
  facts.inode = 0x1112131415161718;
  facts.start = 23;
  facts.end = 0x100000029;
  facts.sum = fnvSum(reinterpret_cast<const uint8_t*>("a"), 1);
  const std::vector<uint8_t> bytes = encodeJournal(facts);
  EXPECT_EQ(bytes, testing::hexBytes(
                       "4c 46 4a 32 | 08 07 06 05 04 03 02 01 |"
                       "18 17 16 15 14 13 12 11 | 17 00 00 00 00 00 00 00 |"
                       "29 00 00 00 01 00 00 00 | 8c ec 01 86 4c dc 63 af"));
  const DecodedJournal back = decodeJournal(bytes.data(), bytes.size());
  EXPECT_EQ(back.shape, JournalShape::Current);
  EXPECT_EQ(back.facts.end, facts.end);
  EXPECT_EQ(back.facts.sum, 0xaf63dc4c8601ec8cull);

  struct stat info;
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  testing::journalAppend(path, whole.size(), whole.size() + 9);
  facts = {static_cast<uint64_t>(info.st_dev),
           static_cast<uint64_t>(info.st_ino), whole.size(), whole.size() + 9,
           fnvSum(reinterpret_cast<const uint8_t*>(whole.data()), whole.size())};
  const std::vector<uint8_t> written = encodeJournal(facts);
  EXPECT_EQ(readFile(companionName(path, ".journal")),
            std::string(written.begin(), written.end()));
}

// A journal cut short while it was written marks nothing and is removed
// by the next write; one written before any byte was appended cuts
// nothing.
TEST_F(AppendJournalTest, JournalsThatMarkNothingCutNothing) {
  const std::string journal = companionName(path, ".journal");
  for (const std::string& cut : {std::string(), std::string("LFJ"),
                                std::string("LFJ1\x05"), std::string("LFJ2\0\0")}) {
    testing::writeFile(journal, cut);
    EXPECT_EQ(readDatabaseFile(path).size(), whole.size());
    EXPECT_EQ(RecordSnapshot(path).journalNote(), "");
  }
  testing::journalAppend(path, whole.size(), whole.size() + 100);
  EXPECT_EQ(readDatabaseFile(path).size(), whole.size());
  RecordFile(path).append_records({[] {
    Record record;
    record.id(300);
    return record;
  }()});
  EXPECT_EQ(readFile(path).substr(0, whole.size()), whole);
  EXPECT_FALSE(std::filesystem::exists(journal));
}

// Readers (snapshots, loads, the engine's queries) make no file and take
// no writer's lock.
TEST_F(AppendJournalTest, ReadingCreatesNoFile) {
  const RecordSnapshot snapshot(path);
  EXPECT_EQ(snapshot.records().size(), 1u);
  EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"ling2.db"});
}

// Another program holding the lock: the write waits LOCK_WAIT, then gives
// up with the busy text and the file unchanged. A reader is not held up
// by the writer's lock, only by a write in progress.
TEST_F(AppendJournalTest, BusyLockIsReportedAfterTheWait) {
  const int other = ::open(companionName(path, ".lock").c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  RecordFile file(path);
  const auto start = std::chrono::steady_clock::now();
  try {
    file.store_record(Record());
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), DATABASE_BUSY_TEXT);
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start, LOCK_WAIT);
  EXPECT_EQ(readFile(path), whole);
  EXPECT_EQ(file.query_all().size(), 1u);
  ::close(other);
  EXPECT_EQ(file.store_record(Record()), 258u);
}

// The lock is the companion's, so it holds across a rewrite that renames
// a new file over the database, and every name of the file shares it.
TEST_F(AppendJournalTest, LockBelongsToTheFileBehindEveryName) {
  const std::string link = dir.file("link.db");
  std::filesystem::create_symlink(path, link);
  EXPECT_EQ(companionName(link, ".lock"), companionName(path, ".lock"));
}

}  // namespace
}  // namespace letterfreq

namespace letterfreq {
namespace {

// Another program cutting the file short and growing it again while it is
// loaded over and over: every load ends with records or a "!" error, never
// with a signal.
TEST(FileChangingUnderReadTest, TruncationDuringLoadsIsNoSignal) {
  TempDir dir;
  std::string bytes;
  for (uint32_t id = 257; id < 20257; ++id) bytes += languageBytes(id, "name");
  const std::string path = dir.write("ling2.db", bytes);
  const pid_t child = ::fork();
  if (child == 0) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < end) {
      if (::ftruncate(fd, 100) != 0 ||
          ::pwrite(fd, bytes.data(), bytes.size(), 0) < 0) {
        ::_exit(1);
      }
    }
    ::_exit(0);
  }
  int loads = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (std::chrono::steady_clock::now() < end) {
    try {
      const RecordSnapshot snapshot(path);
      EXPECT_LE(snapshot.records().size(), 20000u);
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what()[0], '!');
    }
    ++loads;
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_GT(loads, 0);
}

}  // namespace
}  // namespace letterfreq
