#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "cli/sample_arg.h"
#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "profiles/schema.h"
#include "sample/sample_loader.h"
#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::runCliCaptured;

// A database of two languages: Latin from "aaab" (a 3, b 1) and Other from
// "cc" (c 2). Matched against "aaab" by Difference, Latin scores 1 and
// Other 1 - (0.75 + 0.25 + 1) = -1.
class MatchCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    latinText = dir.write("latin.txt", "aaab");
    otherText = dir.write("other.txt", "cc");
    db = dir.file("ling2.db");
    latinId = addEntry("Latin", latinText);
    otherId = addEntry("Other", otherText);
  }

  // Stores the sample as an entry, as "Add entry" does; the language id.
  unsigned addEntry(const std::string& language, const std::string& sample) {
    RecordFile file(db);
    LetterProfile profile;
    std::string failure;
    EXPECT_TRUE(loadSample(sample, profile, &failure)) << failure;
    profile.sortOrder();
    return storeEntry(file, {language, "", sample},
                      profile)
        .languageId;
  }

  CliResult match(std::vector<std::string> args,
                  const std::string& input = "") {
    std::vector<std::string> all = {"match", "--db", db};
    all.insert(all.end(), args.begin(), args.end());
    return runCliCaptured(all, input);
  }

  testing::TempDir dir;
  std::string latinText, otherText, db;
  unsigned latinId = 0, otherId = 0;
};

TEST_F(MatchCommandTest, PrintsTheRankingBestFirst) {
  const CliResult result = match({"--method", "Difference", latinText});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "sample\t" + latinText + "\n1\t1\tLatin\n2\t-1\tOther\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(MatchCommandTest, MethodIsANameInAnyCaseOrACode) {
  const std::string tendency =
      match({"--method", "Tendency Pull", otherText}).out;
  EXPECT_EQ(tendency, "sample\t" + otherText + "\n1\t1\tOther\n2\t-1\tLatin\n");
  EXPECT_EQ(match({"--method", "tendency pull", otherText}).out, tendency);
  EXPECT_EQ(match({"--method", "6", otherText}).out, tendency);
  // The default is the window's: Three Std Deviations.
  const std::string three =
      match({"--method", "THREE STD DEVIATIONS", latinText}).out;
  EXPECT_EQ(match({latinText}).out, three);
  EXPECT_EQ(match({"--method", "4", latinText}).out, three);
  EXPECT_NE(three.find("1\t1\tLatin\n"), std::string::npos) << three;
}

TEST_F(MatchCommandTest, ALanguageMadeFromTheSampleScoresOneByEveryMethod) {
  for (int code = 1; code <= 6; ++code) {
    const CliResult result =
        match({"--method", std::to_string(code), "--top", "1", latinText});
    EXPECT_EQ(result.out, "sample\t" + latinText + "\n1\t1\tLatin\n")
        << "method " << code;
  }
}

TEST_F(MatchCommandTest, JsonLinesCarryMethodCodeIdsAndScores) {
  const CliResult result =
      match({"--json", "--method", "1", latinText, otherText});
  ASSERT_EQ(result.status, 0) << result.err;
  std::istringstream lines(result.out);
  std::string line;
  std::vector<nlohmann::json> objects;
  while (std::getline(lines, line))
    objects.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(objects.size(), 2u);
  const nlohmann::json& first = objects[0];
  EXPECT_EQ(first["sample"], latinText);
  EXPECT_EQ(first["method"], "Difference");
  EXPECT_EQ(first["code"], 1);
  ASSERT_EQ(first["results"].size(), 2u);
  // Languages of no known code carry null codes.
  EXPECT_EQ(first["results"][0],
            nlohmann::json({{"language", "Latin"},
                            {"id", latinId},
                            {"score", 1},
                            {"code", nullptr},
                            {"iso6393", nullptr}}));
  EXPECT_EQ(first["results"][1],
            nlohmann::json({{"language", "Other"},
                            {"id", otherId},
                            {"score", -1},
                            {"code", nullptr},
                            {"iso6393", nullptr}}));
  EXPECT_EQ(objects[1]["sample"], otherText);
  EXPECT_EQ(objects[1]["results"][0]["language"], "Other");
}

TEST_F(MatchCommandTest, TopKeepsTheBestOfEachSample) {
  const CliResult result =
      match({"--top", "1", "--method", "1", latinText, otherText});
  EXPECT_EQ(result.out, "sample\t" + latinText + "\n1\t1\tLatin\nsample\t" +
                            otherText + "\n1\t1\tOther\n");
  // More than there are languages: all of them.
  EXPECT_EQ(match({"--top", "9", "--method", "1", latinText}).out,
            match({"--method", "1", latinText}).out);
}

TEST_F(MatchCommandTest, ASampleWithoutCountsScoresNotANumber) {
  const std::string empty = dir.write("empty.txt", "");
  const CliResult text = match({"--method", "Difference", empty});
  EXPECT_EQ(text.status, 0);
  EXPECT_EQ(text.out, "sample\t" + empty + "\n1\tnan\tLatin\n2\tnan\tOther\n");
  const CliResult json = match({"--json", "--method", "1", empty});
  const auto object = nlohmann::json::parse(json.out);
  EXPECT_TRUE(object["results"][0]["score"].is_null());
  EXPECT_EQ(object["results"][1]["language"], "Other");
  // Deviations: nothing lies in a band, so 0.
  EXPECT_EQ(match({"--method", "2", empty}).out,
            "sample\t" + empty + "\n1\t0\tLatin\n2\t0\tOther\n");
}

TEST_F(MatchCommandTest, StandardInputIsASample) {
  EXPECT_EQ(match({"--method", "1", "-"}, "cc").out,
            "sample\t-\n1\t1\tOther\n2\t-1\tLatin\n");
  // Without SAMPLE too, and a method by its short name.
  EXPECT_EQ(match({"--method", "diff"}, "cc").out,
            "sample\t-\n1\t1\tOther\n2\t-1\tLatin\n");
  EXPECT_EQ(match({"--method", "PULL", otherText}).out,
            match({"--method", "6", otherText}).out);
}

TEST_F(MatchCommandTest, AnUnreadableSampleFailsButTheOthersAreMatched) {
  const std::string missing = dir.file("missing.txt");
  const CliResult result = match({"--method", "1", missing, latinText});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "letterfreq-cli: " + missing +
                ": File couldn't be opened! (No such file or directory)\n");
  EXPECT_EQ(result.out,
            "sample\t" + latinText + "\n1\t1\tLatin\n2\t-1\tOther\n");
}

// Regression: match named an unreadable standard input "File couldn't be
// opened!" where count and add say what failed.
TEST_F(MatchCommandTest, AnUnreadableStandardInputIsNamedAsSuch) {
  std::istringstream in("cc");
  in.setstate(std::ios::badbit);
  std::ostringstream out, err;
  EXPECT_EQ(runCli({"match", "--db", db, "-", latinText}, in, out, err), 1);
  EXPECT_EQ(err.str(),
            std::string("letterfreq-cli: -: ") + STDIN_READ_FAILED + "\n");
  // The other sample is still matched (by the default method).
  EXPECT_EQ(out.str().rfind("sample\t" + latinText + "\n1\t1\tLatin\n", 0),
            0u);
}

TEST_F(MatchCommandTest, WrongCommandLinesExitTwo) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--method", "Fuzzy", latinText},
        {"--method", "7x", latinText},
        {"--method", "0", latinText},
        {"--top", "0", latinText},
        {"--top", "-2", latinText}}) {
    const CliResult result = match(args);
    EXPECT_EQ(result.status, 2) << args[1];
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err, "");
  }
  EXPECT_NE(match({"--method", "Fuzzy", latinText}).err.find("unknown method"),
            std::string::npos);
  EXPECT_EQ(runCliCaptured({"match", latinText}).status, 2);  // no --db
}

TEST_F(MatchCommandTest, AMissingDatabaseIsRefusedAndNotCreated) {
  const std::string missing = dir.file("none.db");
  const CliResult result =
      runCliCaptured({"match", "--db", missing, latinText});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "letterfreq-cli: " + missing + ": no such database\n");
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(MatchCommandTest, ADamagedDatabaseFailsWithTheEngineLine) {
  const std::string damaged = dir.write("damaged.db", "not a database");
  const CliResult result =
      runCliCaptured({"match", "--db", damaged, latinText});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err.rfind("letterfreq-cli: " + damaged + ": !", 0), 0u)
      << result.err;
  EXPECT_EQ(result.out, "");
}

TEST_F(MatchCommandTest, ALoadThatStopsWarnsAndMatchesWhatWasLoaded) {
  // A language whose one entry has no arrays: the load stops there.
  {
    RecordFile file(db);
    Record language;
    language.add_link({LANGUAGE_ROOT, KIND_MEMBER});
    language.set_data("Broken");
    const uint32_t languageId = file.store_record(language);
    Record entry;
    entry.add_link({languageId, KIND_MEMBER});
    entry.set_data("entry without arrays");
    file.store_record(entry);
  }
  const CliResult result = match({"--method", "1", latinText});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "warning: Database missing Count Array information.\n");
  EXPECT_EQ(result.out, "sample\t" + latinText +
                            "\n1\t1\tLatin\n2\t-1\tOther\n3\tnan\tBroken\n");
}

TEST_F(MatchCommandTest, DeviationsUseTheDeviationsOfTheLoad) {
  // Entries "ab" and "aaab": p(a) = 2/3, p(b) = 1/3, both with a deviation
  // of about 0.177. The sample "b" lies 2/3 away from both: outside one
  // deviation, inside four.
  addEntry("Varied", dir.write("ab.txt", "ab"));
  addEntry("Varied", dir.write("aaab.txt", "aaab"));
  const std::string b = dir.write("b.txt", "b");
  const CliResult one = match({"--method", "One Std Deviation", "--json", b});
  const CliResult four =
      match({"--method", "Four Std Deviations", "--json", b});
  const auto oneResults = nlohmann::json::parse(one.out)["results"];
  const auto fourResults = nlohmann::json::parse(four.out)["results"];
  ASSERT_EQ(fourResults.size(), 3u);
  EXPECT_EQ(fourResults[0]["language"], "Varied");
  EXPECT_EQ(fourResults[0]["score"], 1);
  for (const auto& row : oneResults) {
    if (row["language"] == "Varied") {
      EXPECT_NEAR(row["score"].get<double>(), 253.0 / 255.0, 1e-6);
    }
  }
}

TEST_F(MatchCommandTest, TheProgramItselfMatches) {
  const CliResult result = testing::runProgram(
      LETTERFREQ_CLI_PATH, {"match", "--db", db, "--method", "1", "-"}, "aaab");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "sample\t-\n1\t1\tLatin\n2\t-1\tOther\n");
}

// Root may write any file whatever its mode, so a read-only database is
// only read-only to another user: as root the program runs as "nobody"
// through setpriv, otherwise as it is.
constexpr const char* SETPRIV = "/usr/bin/setpriv";

bool canRunWithoutWriteAccess() {
  return ::geteuid() != 0 || std::filesystem::exists(SETPRIV);
}

CliResult runWithoutWriteAccess(std::vector<std::string> args) {
  if (::geteuid() != 0) return testing::runProgram(LETTERFREQ_CLI_PATH, args);
  std::vector<std::string> all = {"--reuid=65534", "--regid=65534",
                                  "--clear-groups", LETTERFREQ_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return testing::runProgram(SETPRIV, all);
}

// Matching only reads: a database the user may read but not write is
// matched as any other, by letters and by n-grams (whose lists are read
// when first needed), and its bytes stay as they were.
TEST_F(MatchCommandTest, MatchesADatabaseTheUserMayNotWrite) {
  if (!canRunWithoutWriteAccess()) GTEST_SKIP() << "no setpriv to drop root";
  namespace fs = std::filesystem;
  const std::string readOnly = dir.file("read-only.db");
  for (const std::string language : {"Latin", "Other"}) {
    const CliResult added = runCliCaptured(
        {"add", "--db", readOnly, "--ngrams", "--language", language,
         language == "Latin" ? latinText : otherText});
    ASSERT_EQ(added.status, 0) << added.err;
  }
  const std::string before = testing::readFile(readOnly);
  fs::permissions(readOnly,
                  fs::perms::owner_read | fs::perms::group_read |
                      fs::perms::others_read,
                  fs::perm_options::replace);
  fs::permissions(dir.path(),
                  fs::perms::owner_all | fs::perms::group_read |
                      fs::perms::group_exec | fs::perms::others_read |
                      fs::perms::others_exec,
                  fs::perm_options::replace);

  // The setup really denies writing: adding is refused.
  const CliResult add = runWithoutWriteAccess(
      {"add", "--db", readOnly, "--language", "Latin", latinText});
  EXPECT_EQ(add.status, 1);
  EXPECT_EQ(add.err, "letterfreq-cli: " + readOnly +
                         ": !nofileopen: Permission denied\n");

  for (const std::string method : {"1", "4", "7"}) {
    const std::vector<std::string> args = {"match", "--db", readOnly,
                                           "--method", method, latinText};
    const CliResult expected = runCliCaptured(args);
    ASSERT_EQ(expected.status, 0) << expected.err;
    const CliResult result = runWithoutWriteAccess(args);
    EXPECT_EQ(result.status, 0) << "method " << method << ": " << result.err;
    EXPECT_EQ(result.out, expected.out) << "method " << method;
    EXPECT_EQ(result.err, "") << "method " << method;
  }
  EXPECT_EQ(testing::readFile(readOnly), before);
}

}  // namespace
}  // namespace letterfreq
