// detect --spans through the CLI: runs of one language per sample, as text
// and JSON, and the refusals.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::runCliCaptured;

const std::string STARTER_DB = LETTERFREQ_SOURCE_DIR "/data/ling2.db";
const std::string ENGLISH =
    "The committee met on Tuesday to discuss the budget for the coming "
    "year, and most members agreed that the plan was sound. ";
const std::string GREEK =
    "Η επιτροπή συνεδρίασε την Τρίτη για να συζητήσει τον προϋπολογισμό "
    "του επόμενου έτους. ";

TEST(DetectSpansTest, EachRunIsALineWithItsOffsets) {
  testing::TempDir dir;
  const std::string file = dir.write("mixed.txt", ENGLISH + GREEK);
  const CliResult text =
      runCliCaptured({"detect", "--db", STARTER_DB, "--spans", file});
  ASSERT_EQ(text.status, 0) << text.err;
  std::istringstream lines(text.out);
  std::string first, second, more;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_FALSE(std::getline(lines, more));
  EXPECT_EQ(first.substr(0, file.size() + 3), file + "\t0\t");
  EXPECT_NE(first.find("\tEnglish\t"), std::string::npos) << first;
  EXPECT_NE(second.find("\tGreek\t"), std::string::npos) << second;
  const std::string end = "\t" + std::to_string(ENGLISH.size() + GREEK.size()) +
                          "\tGreek\t";
  EXPECT_NE(second.find(end), std::string::npos) << second;

  // Standard input, in JSON, with codes: one object per run.
  const CliResult json = runCliCaptured(
      {"detect", "--db", STARTER_DB, "--spans", "--json"}, ENGLISH + GREEK);
  ASSERT_EQ(json.status, 0) << json.err;
  std::istringstream objects(json.out);
  std::getline(objects, first);
  std::getline(objects, second);
  const auto english = nlohmann::json::parse(first);
  const auto greek = nlohmann::json::parse(second);
  EXPECT_EQ(english["sample"], "-");
  EXPECT_EQ(english["start"], 0);
  EXPECT_EQ(english["end"], greek["start"]);
  EXPECT_NEAR(double(greek["start"]), double(ENGLISH.size()), 20);
  EXPECT_EQ(greek["code"], "el");
  EXPECT_EQ(greek["iso6393"], "ell");
  EXPECT_GT(greek["confidence"], 0.5);
}

TEST(DetectSpansTest, RefusesLinesAndAddressesAndNamesMissingFiles) {
  const CliResult both =
      runCliCaptured({"detect", "--db", STARTER_DB, "--spans", "--lines"});
  EXPECT_EQ(both.status, 2);
  EXPECT_EQ(both.err,
            "letterfreq-cli: detect takes --lines or --spans, not both\n");
  const CliResult other = runCliCaptured(
      {"detect", "--db", STARTER_DB, "--spans", "http://127.0.0.1:9/",
       "/nonexistent/x.txt"});
  EXPECT_EQ(other.status, 1);
  EXPECT_EQ(other.out, "");
  EXPECT_EQ(other.err,
            "letterfreq-cli: http://127.0.0.1:9/: --spans reads files and "
            "standard input, not addresses\n"
            "letterfreq-cli: /nonexistent/x.txt: File couldn't be opened! "
            "(No such file or directory)\n");
  // An empty sample has no run.
  const CliResult empty =
      runCliCaptured({"detect", "--db", STARTER_DB, "--spans"}, "");
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");
}

}  // namespace
}  // namespace letterfreq
