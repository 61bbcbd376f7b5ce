#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "db/append_journal.h"
#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "sample/sample_loader.h"
#include "tests/profiles/schema_bytes.h"
#include "tests/support/cli_harness.h"
#include "tests/support/journal_files.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::readFile;
using testing::runCliCaptured;

class AddShowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    caesar = dir.write("caesar.txt", "aaab");       // a 3, b 1
    cicero = dir.write("cicero.txt", "<p>abb</p>");  // a 1, b 2
    homer = dir.write("homer.txt", "xx y");           // x 2, ' ' 1, y 1
    db = dir.file("ling2.db");
  }

  CliResult add(const std::string& language, std::vector<std::string> rest,
                const std::string& input = "") {
    std::vector<std::string> args = {"add", "--db", db, "--language",
                                     language};
    args.insert(args.end(), rest.begin(), rest.end());
    return runCliCaptured(args, input);
  }

  CliResult show(bool json = false) {
    std::vector<std::string> args = {"show", "--db", db};
    if (json) args.push_back("--json");
    return runCliCaptured(args);
  }

  testing::TempDir dir;
  std::string caesar, cicero, homer, db;
};

TEST_F(AddShowTest, AddCreatesTheDatabaseAndShowListsIt) {
  CliResult result = add("Latin", {"--name", "Caesar", caesar});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "entry\t258\tLatin\tCaesar\n");
  EXPECT_EQ(result.err, "");

  // Two samples, no name: each is named by its sample text; the language
  // exists now, so no second language record.
  result = add("Latin", {cicero, caesar});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "entry\t262\tLatin\t" + cicero + "\nentry\t266\tLatin\t" +
                            caesar + "\n");
  result = add("Greek", {"--name", "Homer", homer});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "entry\t271\tGreek\tHomer\n");

  result = show();
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "language\tLatin\t257\t3\t11\t2\n"
            "entry\t258\tCaesar\t4\t2\n"
            "entry\t262\t" + cicero + "\t3\t2\n"
            "entry\t266\t" + caesar + "\t4\t2\n"
            "language\tGreek\t270\t1\t4\t3\n"
            "entry\t271\tHomer\t4\t3\n"
            "totals\t15\t5\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(AddShowTest, AddWritesWhatTheLibraryWrites) {
  ASSERT_EQ(add("Latin", {"--name", "Caesar", caesar}).status, 0);
  ASSERT_EQ(add("latin", {caesar}).status, 0);

  testing::TempDir other;
  RecordFile reference(other.file("ref.db"));
  LetterProfile sample;
  ASSERT_TRUE(loadSample(caesar, sample, nullptr));
  sample.sortOrder();
  storeEntry(reference, {"Latin", "Caesar", caesar}, sample);
  storeEntry(reference, {"latin", "", caesar},
             sample);
  EXPECT_EQ(readFile(db), readFile(reference.fileName()));
}

TEST_F(AddShowTest, JsonLinesCarryTheWholeDatabase) {
  CliResult result = add("Latin", {"--json", "--name", "Caesar", caesar});
  ASSERT_EQ(result.status, 0) << result.err;
  const nlohmann::json entry = nlohmann::json::parse(result.out);
  EXPECT_EQ(entry["id"], 258);
  EXPECT_EQ(entry["languageId"], 257);
  EXPECT_EQ(entry["language"], "Latin");
  EXPECT_EQ(entry["name"], "Caesar");
  EXPECT_EQ(entry["newLanguage"], true);
  ASSERT_EQ(add("Latin", {"--name", "Cicero", cicero}).status, 0);

  result = show(true);
  ASSERT_EQ(result.status, 0) << result.err;
  ASSERT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1);
  const nlohmann::json whole = nlohmann::json::parse(result.out);
  EXPECT_EQ(whole["complete"], true);
  ASSERT_EQ(whole["languages"].size(), 1u);
  const nlohmann::json& latin = whole["languages"][0];
  EXPECT_EQ(latin["name"], "Latin");
  EXPECT_EQ(latin["id"], 257);
  EXPECT_EQ(latin["total"], 7);
  EXPECT_EQ(latin["used"], 2);
  ASSERT_EQ(latin["counts"].size(), 255u);
  EXPECT_EQ(latin["counts"]['a'], 4);
  EXPECT_EQ(latin["counts"]['b'], 3);
  ASSERT_EQ(latin["stdDevs"].size(), 255u);
  // a: 0.75 and 1/3; the deviation as the float prints with %.9g.
  const float dev = latin["stdDevs"]['a'].get<float>();
  EXPECT_NEAR(dev, 0.294627825f, 1e-6);
  EXPECT_EQ(latin["entries"].size(), 2u);
  EXPECT_EQ(latin["entries"][1]["name"], "Cicero");
  EXPECT_EQ(latin["entries"][1]["total"], 3);
  EXPECT_EQ(whole["totals"]["total"], 7);
  EXPECT_EQ(whole["totals"]["counts"]['b'], 3);
}

TEST_F(AddShowTest, AddReadsStandardInputAsDash) {
  const CliResult result = add("Latin", {"-"}, "hello");
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "entry\t258\tLatin\t-\n");
  EXPECT_EQ(show().out,
            "language\tLatin\t257\t1\t5\t4\nentry\t258\t-\t5\t4\ntotals\t5\t4\n");
}

TEST_F(AddShowTest, RefusalsWriteNothing) {
  // An unreadable sample among good ones: no file is even made.
  CliResult result = add("Latin", {caesar, dir.file("missing.txt")});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(dir.file("missing.txt") + ": " + FILE_OPEN_FAILED),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(db));

  result = add("", {caesar});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find(NEED_LANGUAGE), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(db));

  // show never creates the file.
  result = show();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "letterfreq-cli: " + db + ": no such database\n");
  EXPECT_FALSE(std::filesystem::exists(db));

  // Missing options are a wrong command line.
  EXPECT_EQ(runCliCaptured({"add", "--db", db, caesar}).status, 2);
  EXPECT_EQ(runCliCaptured({"show"}).status, 2);
}

TEST_F(AddShowTest, DamagedDatabaseFailsNamingTheFile) {
  ASSERT_EQ(add("Latin", {caesar}).status, 0);
  std::string bytes = readFile(db) + "x";
  testing::writeFile(db, bytes);
  const std::string expected = "letterfreq-cli: " + db +
                               ": !query_link expected RECORD_DELIM at " +
                               std::to_string(bytes.size()) + " rcvd:120\n";
  CliResult result = show();
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, expected);

  result = add("Latin", {caesar});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, expected);
  EXPECT_EQ(readFile(db), bytes);
}

TEST_F(AddShowTest, LoadWarningsGoToStandardError) {
  using namespace testing;
  // Latin: Caesar whole but with a second Count Array; Cicero lacks its
  // Sort Array; Greek after it is never reached.
  const std::string bytes =
      languageRecord(257, "Latin") +
      entryBytes(258, 257, "Caesar", {{'a', 3}, {'b', 1}}) +
      countArrayRecord(262, 258, {{'z', 9}}) + entryRecord(263, 257, "Cicero") +
      countArrayRecord(264, 263, {{'a', 1}}) + languageRecord(265, "Greek");
  writeFile(db, bytes);

  CliResult result = show();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, std::string("warning: ") + TOO_MANY_COUNT_ARRAYS +
                            "\nwarning: " + MISSING_SORT_ARRAY + "\n");
  // What was loaded up to the stop: Latin summed over Caesar so far.
  EXPECT_EQ(result.out,
            "language\tLatin\t257\t2\t4\t2\n"
            "entry\t258\tCaesar\t4\t2\n"
            "entry\t263\tCicero\t0\t0\n"
            "totals\t4\t2\n");
  EXPECT_EQ(nlohmann::json::parse(show(true).out)["complete"], false);

  // Adding to a database that does not load whole is refused, as the
  // window refuses it.
  result = add("Latin", {caesar});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("did not load completely"), std::string::npos);
  EXPECT_EQ(result.err, std::string("warning: ") + TOO_MANY_COUNT_ARRAYS +
                            "\nwarning: " + MISSING_SORT_ARRAY +
                            "\nletterfreq-cli: " + db +
                            ": the database did not load completely; "
                            "nothing was added\n");
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(readFile(db), bytes);
}

// A tail that no journal explains: the load's warning, then the append's
// refusal, and the file as it was. A tail that a journal explains (an add
// killed half way) is cut back and the add goes on without a word.
TEST_F(AddShowTest, CutTailIsWarnedOfAndRefused) {
  ASSERT_EQ(add("Latin", {caesar}).status, 0);
  const std::string whole = readFile(db);
  const std::string bytes = whole + std::string("r\x05\x01\0\0\x40", 6);
  testing::writeFile(db, bytes);
  const std::string at = std::to_string(whole.size());
  CliResult result = add("Latin", {caesar});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "warning: Database damaged: the file ends inside the "
            "record at " +
                at + ".\nletterfreq-cli: " + db +
                ": !append_records the file ends inside the record "
                "at " +
                at + "\n");
  EXPECT_EQ(readFile(db), bytes);

  testing::journalAppend(db, whole.size(), bytes.size() + 1000);
  result = add("Latin", {"--name", "after", caesar});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(readFile(db).substr(0, whole.size()), whole);
  EXPECT_EQ(show().err, "");
}

TEST_F(AddShowTest, TheProgramRunsAsWell) {
  ASSERT_EQ(add("Latin", {"--name", "Caesar", caesar}).status, 0);
  const CliResult result =
      testing::runProgram(LETTERFREQ_CLI_PATH, {"show", "--db", db});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "language\tLatin\t257\t1\t4\t2\nentry\t258\tCaesar\t4\t2\n"
            "totals\t4\t2\n");
}

}  // namespace
}  // namespace letterfreq
