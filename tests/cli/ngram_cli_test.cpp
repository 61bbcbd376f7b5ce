// letterfreq-cli and n-gram lists: match --method 7, and what the commands
// that read only the first five record kinds print for a file with lists.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "profiles/methods.h"
#include "profiles/ngram_match.h"
#include "sample/ngram_counter.h"
#include "sample/sample_loader.h"
#include "tests/profiles/ngram_test_files.h"
#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"
#include "tests/support/feature_samples.h"

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
const char* const FINNISH =
    "kissa istuu matolla ja koira makaa talon oven vieressa kun lapset "
    "leikkivat puutarhassa ystaviensa kanssa";

class NgramCliTest : public ::testing::Test {
 protected:
  // Three languages, two entries of English; with or without n-gram lists.
  std::string makeDatabase(const std::string& name, bool withLists) {
    const std::string db = dir.file(name);
    const std::pair<const char*, const char*> entries[] = {
        {"English", ENGLISH},
        {"German", GERMAN},
        {"Finnish", FINNISH},
        {"English", "a bird in the hand is worth two in the bush"}};
    int k = 0;
    for (const auto& [language, text] : entries) {
      const std::string sample =
          dir.write("entry" + std::to_string(k++) + ".txt", text);
      RecordFile file(db);
      LetterProfile profile;
      NgramCounter ngrams;
      CountingPass pass(ngrams);
      EXPECT_TRUE(loadSample(sample, profile, nullptr, pass));
      profile.sortOrder();
      storeEntry(file, {language, "", sample}, profile,
                 ngramBlocks(ngrams.counts()), ngramsAsked(withLists));
    }
    return db;
  }

  testing::TempDir dir;
};

TEST_F(NgramCliTest, MatchRanksByNgramsWithPosteriorBars) {
  const std::string db = makeDatabase("ngrams.db", true);
  const std::string sample = dir.write("s.txt", "die kinder und der hund");
  const CliResult text =
      runCliCaptured({"match", "--db", db, "--method", "7", sample});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.err, "");
  EXPECT_EQ(text.out.substr(0, text.out.find('\n')), "sample\t" + sample);
  EXPECT_NE(text.out.find("\n1\t"), std::string::npos);
  EXPECT_NE(text.out.find("\tGerman\n2\t"), std::string::npos) << text.out;

  const CliResult json = runCliCaptured(
      {"match", "--db", db, "--method", "n-gram LIKELIHOOD", "--json", sample});
  ASSERT_EQ(json.status, 0) << json.err;
  const nlohmann::json line = nlohmann::json::parse(json.out);
  EXPECT_EQ(line["method"], "N-gram Likelihood");
  EXPECT_EQ(line["code"], 7);
  ASSERT_EQ(line["results"].size(), 3u);
  EXPECT_EQ(line["results"][0]["language"], "German");
  double sum = 0;
  for (const auto& result : line["results"])
    sum += result["score"].get<double>();
  EXPECT_NEAR(sum, 1.0, 1e-5);
}

TEST_F(NgramCliTest, MatchWithoutNgramDataWarnsAndListsEveryLanguageUnscored) {
  const std::string db = makeDatabase("plain.db", false);
  const std::string sample = dir.write("s.txt", "the cat");
  const CliResult result = runCliCaptured(
      {"match", "--db", db, "--method", "N-gram Likelihood", sample, sample});
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(result.err, std::string("warning: ") + NO_NGRAM_DATA + "\n");
  const std::string ranking =
      "1\tnan\tEnglish\n2\tnan\tGerman\n3\tnan\tFinnish\n";
  EXPECT_EQ(result.out, "sample\t" + sample + "\n" + ranking + "sample\t" +
                            sample + "\n" + ranking);

  const CliResult json =
      runCliCaptured({"match", "--db", db, "--method", "7", "--json", sample});
  const nlohmann::json line = nlohmann::json::parse(json.out);
  EXPECT_TRUE(line["results"][0]["score"].is_null());
}

TEST_F(NgramCliTest, FirstFiveKindsPrintTheSameWithListsPresent) {
  const std::string db = makeDatabase("ngrams.db", true);
  const std::string older =
      dir.write("older.db", testing::withoutNgramLists(readFile(db)));
  ASSERT_LT(readFile(older).size(), readFile(db).size());
  const std::string sample = dir.write("s.txt", "the cat and the dog");
  auto sameOutput = [](std::vector<std::string> args, const std::string& a,
                       const std::string& b) {
    std::vector<std::string> withA = args, withB = args;
    withA.insert(withA.begin() + 1, {"--db", a});
    withB.insert(withB.begin() + 1, {"--db", b});
    const CliResult x = runCliCaptured(withA);
    const CliResult y = runCliCaptured(withB);
    EXPECT_EQ(x.status, 0) << x.err;
    EXPECT_EQ(x.out, y.out);
    EXPECT_EQ(x.err, y.err);
  };
  sameOutput({"show"}, db, older);
  sameOutput({"show", "--json"}, db, older);
  for (int code = FIRST_METHOD_CODE; code <= LAST_METHOD_CODE; ++code) {
    sameOutput({"match", "--method", std::to_string(code), sample}, db, older);
  }
}

// The number of records linked by kind 8, from the records command.
size_t ngramListCount(const std::string& db) {
  const CliResult records = runCliCaptured({"records", "--db", db});
  EXPECT_EQ(records.status, 0) << records.err;
  size_t count = 0;
  for (size_t at = records.out.find(":8\t"); at != std::string::npos;
       at = records.out.find(":8\t", at + 1)) {
    ++count;
  }
  return count;
}

TEST_F(NgramCliTest, AddStoresListsWhenAskedOrWhenTheFileHasThem) {
  const std::string plain = makeDatabase("plain.db", false);
  const std::string before = readFile(plain);
  const std::string sample = dir.write("s.txt", "the cat and the dog");

  // Without lists the file gains exactly what the library's plain add
  // writes: the same records, byte for byte.
  const std::string reference = dir.write("reference.db", before);
  {
    RecordFile file(reference);
    LetterProfile profile;
    ASSERT_TRUE(loadSample(sample, profile, nullptr));
    profile.sortOrder();
    storeEntry(file, {"English", "", sample}, profile);
  }
  CliResult added =
      runCliCaptured({"add", "--db", plain, "--language", "English", sample});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(readFile(plain), readFile(reference));
  EXPECT_EQ(ngramListCount(plain), 0u);

  // --ngrams starts them; from then on every entry gets one.
  added = runCliCaptured({"add", "--db", plain, "--language", "Latin",
                          "--ngrams", sample, sample});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(ngramListCount(plain), 2u);
  added = runCliCaptured({"add", "--db", plain, "--language", "Latin", sample});
  ASSERT_EQ(added.status, 0) << added.err;
  EXPECT_EQ(ngramListCount(plain), 3u);

  // Only Latin's entries have lists: it is scored, the others are not.
  const CliResult match =
      runCliCaptured({"match", "--db", plain, "--method", "7", sample});
  ASSERT_EQ(match.status, 0) << match.err;
  EXPECT_EQ(match.err, "");
  EXPECT_EQ(match.out, "sample\t" + sample +
                           "\n1\t1\tLatin\n2\tnan\tEnglish\n3\tnan\t"
                           "German\n4\tnan\tFinnish\n");
}

}  // namespace
}  // namespace letterfreq
