// letterfreq-cli and N-gram Tables (record kind 9): add --store, a database
// carrying both n-gram kinds, match --method 8 with and without tables,
// detect's choice, and a damaged table refused with its entry named.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/record_file.h"
#include "profiles/entry_add.h"
#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::readFile;
using testing::runCliCaptured;

const char* const ENGLISH =
    "the cat sat on the mat and the dog lay by the door of the house while "
    "the children were playing in the garden with their friends";
const char* const GERMAN =
    "der hund und die katze schlafen auf dem sofa in der warmen stube und "
    "die kinder spielen im garten mit ihren freunden";

// How many records link with `kind`, from the records command.
size_t linkCount(const std::string& db, int kind) {
  const CliResult records = runCliCaptured({"records", "--db", db});
  EXPECT_EQ(records.status, 0) << records.err;
  const std::string mark = ":" + std::to_string(kind) + "\t";
  size_t count = 0;
  for (size_t at = records.out.find(mark); at != std::string::npos;
       at = records.out.find(mark, at + 1)) {
    ++count;
  }
  return count;
}

class NgramTableCliTest : public ::testing::Test {
 protected:
  CliResult add(const std::string& db, const char* language, const char* text,
                std::vector<std::string> flags = {}) {
    const std::string sample = dir.write(
        std::string(language) + std::to_string(++samples_) + ".txt", text);
    std::vector<std::string> args = {"add", "--db", db, "--language", language};
    args.insert(args.end(), flags.begin(), flags.end());
    args.push_back(sample);
    return runCliCaptured(args);
  }

  testing::TempDir dir;
  int samples_ = 0;
};

TEST_F(NgramTableCliTest, BothKindsAreStoredAndMatched) {
  const std::string db = dir.file("both.db");
  ASSERT_EQ(
      add(db, "English", ENGLISH, {"--ngrams", "--store", "n-gram-tables"})
          .status,
      0);
  // The file has both kinds now: later entries get both unasked.
  ASSERT_EQ(add(db, "German", GERMAN).status, 0);
  EXPECT_EQ(linkCount(db, 8), 2u);
  EXPECT_EQ(linkCount(db, 9), 2u);

  const std::string sample = dir.write("s.txt", "DIE KINDER SPIELEN");
  for (const char* method : {"7", "8", "word and n-gram likelihood"}) {
    const CliResult match =
        runCliCaptured({"match", "--db", db, "--method", method, sample});
    ASSERT_EQ(match.status, 0) << match.err;
    EXPECT_EQ(match.err, "");
    EXPECT_EQ(match.out.find("sample\t" + sample + "\n1\t"), 0u);
    EXPECT_NE(match.out.find("\tGerman\n2\t"), std::string::npos)
        << method << ": " << match.out;
  }
  const CliResult detect =
      runCliCaptured({"detect", "--db", db, "--json", sample});
  ASSERT_EQ(detect.status, 0) << detect.err;
  EXPECT_NE(detect.out.find("\"method\":\"Word and N-gram Likelihood\""),
            std::string::npos)
      << detect.out;
  EXPECT_NE(detect.out.find("\"language\":\"German\""), std::string::npos);
}

TEST_F(NgramTableCliTest, WithoutTablesEveryLanguageIsUnscoredAndWarned) {
  const std::string db = dir.file("lists.db");
  ASSERT_EQ(add(db, "English", ENGLISH, {"--ngrams"}).status, 0);
  ASSERT_EQ(add(db, "German", GERMAN).status, 0);
  EXPECT_EQ(linkCount(db, 9), 0u);
  const std::string sample = dir.write("s.txt", "the cat");
  const CliResult match =
      runCliCaptured({"match", "--db", db, "--method", "8", sample});
  ASSERT_EQ(match.status, 0) << match.err;
  EXPECT_EQ(match.err, "warning: Database holds no word and n-gram tables.\n");
  EXPECT_EQ(match.out,
            "sample\t" + sample + "\n1\tnan\tEnglish\n2\tnan\tGerman\n");
  const CliResult unknown = runCliCaptured(
      {"add", "--db", db, "--language", "X", "--store", "words", sample});
  EXPECT_EQ(unknown.status, 1);
  EXPECT_NE(unknown.err.find("no feature set is called 'words'"),
            std::string::npos)
      << unknown.err;
}

TEST_F(NgramTableCliTest, DamagedTableIsRefusedNamingTheEntry) {
  const std::string db = dir.file("damaged.db");
  LetterProfile sample;
  sample.counts['a'] = 2;
  sample.sortOrder();
  // Two items announced, one stored.
  const std::vector<uint8_t> good = {0x01, 0x00, 0x40};
  const std::vector<uint8_t> cut = {0x02, 0x00, 0x40};
  {
    RecordFile file(db);
    FeatureSetFlags tables = {};
    tables[WORD_NGRAM_FEATURES] = true;
    FeatureBlocks fine = {};
    fine[WORD_NGRAM_FEATURES] = good;
    FeatureBlocks damaged = {};
    damaged[WORD_NGRAM_FEATURES] = cut;
    storeEntries(file, {{{"English", "fine", "a"}, sample, &fine}}, tables);
    storeEntries(file, {{{"English", "cut", "b"}, sample, &damaged}}, tables);
  }
  const std::string text = dir.write("s.txt", "the cat");
  const CliResult match =
      runCliCaptured({"match", "--db", db, "--method", "8", text});
  EXPECT_EQ(match.status, 1);
  EXPECT_NE(match.err.find("!the N-gram Table of the entry \"cut\" "
                           "(record 263) ends inside item 1"),
            std::string::npos)
      << match.err;
  // Other methods still answer.
  EXPECT_EQ(runCliCaptured({"match", "--db", db, "--method", "1", text}).status,
            0);
}

}  // namespace
}  // namespace letterfreq
