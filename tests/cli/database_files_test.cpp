// letterfreq-cli run as a program on what users do to database files
// behind its back: a backup restored over the file or a journal copied
// beside it after an add was killed, one file under two names written at
// once, the temporary files of killed rewrites, and files it may not use.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "util/posix_file.h"
#include "db/record_texts.h"
#include "tests/support/cli_harness.h"
#include "tests/support/journal_files.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

namespace fs = std::filesystem;
using testing::CliResult;
using testing::readFile;
using testing::writeFile;

const std::string FOREIGN =
    "a journal beside the file does not belong to it: left alone (";

class DatabaseFilesTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  const std::string sample =
      dir.write("s.txt", "The quick brown fox jumps over the lazy dog.\n");

  CliResult cli(const std::vector<std::string>& args) {
    return testing::runProgram(LETTERFREQ_CLI_PATH, args);
  }
  // Adds `count` entries L-first.. to `db`.
  void addEntries(const std::string& db, int first, int count) {
    for (int i = first; i < first + count; ++i) {
      const CliResult result = cli({"add", "--db", db, "--language", "L",
                                    "--name", "L-" + std::to_string(i), sample});
      ASSERT_EQ(result.status, 0) << result.err;
    }
  }
  size_t entriesShown(const std::string& db, std::string* err = nullptr) {
    const CliResult result = cli({"show", "--db", db});
    EXPECT_EQ(result.status, 0) << result.err;
    if (err != nullptr) *err = result.err;
    size_t entries = 0;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
      entries += line.rfind("entry\t", 0) == 0;
    }
    return entries;
  }
  // Copies `from` over `to` in place, as cp does: `to` keeps its inode.
  static void copyOver(const std::string& from, const std::string& to) {
    writeFile(to, readFile(from));
  }
};

// A backup restored over the file after an add was killed, with the
// killed add's journal (of either format) still beside it: every entry of
// the backup stays; readers warn, a writer refuses and cuts nothing.
TEST_F(DatabaseFilesTest, RestoredBackupKeepsEveryEntry) {
  const std::string db = dir.file("x.db");
  const std::string backup = dir.file("backup.db");
  const std::string journal = db + ".journal";
  addEntries(db, 1, 5);
  addEntries(backup, 1, 10);
  const std::string restored = readFile(backup);
  const size_t killedAt = readFile(db).size();
  std::string oldJournal("LFJ1\0\0\0\0\0\0\0\0", 12);
  oldJournal[4] = static_cast<char>(killedAt & 0xff);
  oldJournal[5] = static_cast<char>(killedAt >> 8);
  const std::string noLength("LFJ1\0\0\0\0\0\0\0\0", 12);
  const std::string insideRecord = "LFJ1" + std::string("\x07\x01\0\0\0\0\0\0", 8);

  for (const std::string& old : {oldJournal, noLength, insideRecord}) {
    writeFile(journal, old);
    copyOver(backup, db);
    std::string err;
    EXPECT_EQ(entriesShown(db, &err), 10u);
    EXPECT_EQ(err, "warning: " + FOREIGN + journal +
                       ": written for another length of the file)\n");
    const CliResult add = cli({"add", "--db", db, "--language", "L", sample});
    EXPECT_EQ(add.status, 1);
    EXPECT_EQ(add.err, "letterfreq-cli: " + db + ": !" + FOREIGN + journal +
                           ": written for another length of the file)\n");
    EXPECT_EQ(readFile(db), restored);
    EXPECT_EQ(readFile(journal), old);
  }

  // The killed add's journal in the current form: the restored file has
  // the same inode but another length, then the same length but other
  // bytes before the start.
  fs::remove(db);
  fs::remove(journal);
  addEntries(db, 1, 5);
  testing::journalAppend(db, readFile(db).size(), readFile(db).size() + 2000);
  copyOver(backup, db);
  EXPECT_EQ(entriesShown(db), 10u);
  EXPECT_EQ(cli({"add", "--db", db, "--language", "L", sample}).status, 1);
  writeFile(db, std::string(killedAt, 'r') + restored.substr(killedAt, 1000));
  EXPECT_EQ(cli({"add", "--db", db, "--language", "L", sample}).err,
            "letterfreq-cli: " + db + ": !" + FOREIGN + journal +
                ": written for other contents of the file)\n");
  EXPECT_EQ(readFile(db).size(), killedAt + 1000);

  // Removing the journal by hand lets the restored file be written.
  copyOver(backup, db);
  fs::remove(journal);
  addEntries(db, 11, 1);
  EXPECT_EQ(entriesShown(db), 11u);
}

// Another database's journal copied beside the file: another inode.
TEST_F(DatabaseFilesTest, AnotherDatabasesJournalCutsNothing) {
  const std::string db = dir.file("x.db");
  const std::string other = dir.file("y.db");
  addEntries(db, 1, 10);
  addEntries(other, 1, 3);
  testing::journalAppend(other, readFile(other).size(), readFile(db).size());
  fs::copy_file(other + ".journal", db + ".journal");
  const std::string before = readFile(db);
  std::string err;
  EXPECT_EQ(entriesShown(db, &err), 10u);
  EXPECT_EQ(err, "warning: " + FOREIGN + db +
                     ".journal: written for another file)\n");
  EXPECT_EQ(cli({"add", "--db", db, "--language", "L", sample}).status, 1);
  EXPECT_EQ(readFile(db), before);
}

// The journal of an add killed half way, in either format, still cuts
// the half-written tail: readers leave it out, the next add cuts it off.
TEST_F(DatabaseFilesTest, KilledAddsJournalStillCutsItsTail) {
  const std::string db = dir.file("x.db");
  addEntries(db, 1, 5);
  const std::string whole = readFile(db);
  // What the add killed half way had written: the first bytes of the
  // records the same add writes in full.
  const std::string full = dir.file("full.db");
  fs::copy_file(db, full);
  addEntries(full, 6, 1);
  const std::string added = readFile(full);
  const std::string half = added.substr(whole.size(), 700);
  std::string oldJournal("LFJ1\0\0\0\0\0\0\0\0", 12);
  oldJournal[4] = static_cast<char>(whole.size() & 0xff);
  oldJournal[5] = static_cast<char>(whole.size() >> 8);

  for (int form = 0; form < 2; ++form) {
    writeFile(db, whole + half);
    if (form == 0) {
      writeFile(db + ".journal", oldJournal);
    } else {
      testing::journalAppend(db, whole.size(), added.size());
    }
    std::string err;
    EXPECT_EQ(entriesShown(db, &err), 5u);
    EXPECT_EQ(err, "");
    addEntries(db, 6, 1);
    EXPECT_EQ(readFile(db), added) << form;
    EXPECT_FALSE(fs::exists(db + ".journal"));
  }
}

// Two add loops, one through a.db and one through its hard link b.db:
// one file, one writer at a time. Every id once, every entry under its
// own language with all of its arrays.
TEST_F(DatabaseFilesTest, HardLinkedNamesShareOneWriter) {
  const std::string a = dir.file("a.db");
  const std::string b = dir.file("b.db");
  ASSERT_EQ(cli({"add", "--db", a, "--language", "A", "--name", "A-0", sample})
                .status, 0);
  fs::create_hard_link(a, b);
  constexpr int ADDS = 30;
  auto loop = [&](const std::string& db, const std::string& language) {
    for (int i = 1; i <= ADDS; ++i) {
      const CliResult result =
          cli({"add", "--db", db, "--language", language, "--name",
               language + "-" + std::to_string(i), sample});
      EXPECT_EQ(result.status, 0) << result.err;
    }
  };
  std::thread first(loop, a, "A");
  std::thread second(loop, b, "B");
  first.join();
  second.join();

  const CliResult records = cli({"records", "--db", a});
  ASSERT_EQ(records.status, 0) << records.err;
  std::set<std::string> ids;
  std::istringstream lines(records.out);
  for (std::string line; std::getline(lines, line);) {
    const size_t tab = line.find('\t');
    const std::string id = line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
    EXPECT_TRUE(ids.insert(id).second) << "id " << id << " twice";
  }
  EXPECT_EQ(ids.size(), 2 + (2 * ADDS + 1) * 4u);

  const CliResult shown = cli({"show", "--db", b});
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.err, "");  // no entry without its arrays
  std::map<std::string, int> entries;
  std::string language;
  std::istringstream rows(shown.out);
  for (std::string row; std::getline(rows, row);) {
    std::vector<std::string> fields;
    std::istringstream cells(row);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    if (fields[0] == "language") language = fields[1];
    if (fields[0] == "entry") {
      EXPECT_EQ(fields[2].substr(0, 2), language + "-") << row;
      ++entries[language];
    }
  }
  EXPECT_EQ(entries, (std::map<std::string, int>{{"A", ADDS + 1}, {"B", ADDS}}));
}

// The temporary files that killed rewrites leave beside the database go
// with the next write; one another program holds a lock on, and every
// other name, stay.
TEST_F(DatabaseFilesTest, KilledRewritesTemporariesGoWithTheNextWrite) {
  const std::string db = dir.file("x.db");
  addEntries(db, 1, 1);
  const std::vector<std::string> stale = {".x.db.tmp-AbC123", ".x.db.tmp-000000"};
  const std::vector<std::string> kept = {".x.db.tmp-Live12", ".x.db.tmp-AbC12",
                                         ".x.db.tmp-AbC1234", "x.db.tmp-AbC123",
                                         ".y.db.tmp-AbC123", ".x.db.tmp-Ab.123"};
  for (const std::string& name : stale) dir.write(name, std::string(5000, 'r'));
  for (const std::string& name : kept) dir.write(name, "kept");
  fs::create_directory(dir.file(".x.db.tmp-Folder"));
  const FileDescriptor live(::open(dir.file(".x.db.tmp-Live12").c_str(),
                                   O_RDONLY | O_CLOEXEC));
  ASSERT_EQ(::flock(live.get(), LOCK_EX), 0);

  EXPECT_EQ(entriesShown(db), 1u);  // readers remove nothing
  for (const std::string& name : stale) EXPECT_TRUE(fs::exists(dir.file(name)));
  addEntries(db, 2, 1);
  for (const std::string& name : stale) EXPECT_FALSE(fs::exists(dir.file(name)));
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(dir.file(name))) << name;
  EXPECT_TRUE(fs::is_directory(dir.file(".x.db.tmp-Folder")));
}

// Each failure names the file and the system's reason.
TEST_F(DatabaseFilesTest, FailuresGiveTheSystemsReason) {
  const std::string db = dir.file("x.db");
  addEntries(db, 1, 1);
  const std::string before = readFile(db);
  fs::create_directory(db + ".journal");
  CliResult result = cli({"add", "--db", db, "--language", "L", sample});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "letterfreq-cli: " + db + ": !" + FOREIGN + db +
                            ".journal: Is a directory)\n");
  EXPECT_EQ(readFile(db), before);

  result = cli({"add", "--db", sample + "/x.db", "--language", "L", sample});
  EXPECT_EQ(result.err, "letterfreq-cli: " + sample +
                            "/x.db: !nofileopen: Not a directory\n");
  result = cli({"count", "/nonexistent"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "letterfreq-cli: /nonexistent: File couldn't be opened! "
            "(No such file or directory)\n");
}

}  // namespace
}  // namespace letterfreq
