// detect through the real program where a user meets "unknown": bytes of
// no language are "unknown" with the reason, a caller's least length and
// confidence move the line, and a close second language is named.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::runCliCaptured;

const std::string STARTER_DB = LETTERFREQ_SOURCE_DIR "/data/ling2.db";

nlohmann::json detectJson(const std::vector<std::string>& args,
                          const std::string& input) {
  std::vector<std::string> all = {"detect", "--json", "--db", STARTER_DB};
  all.insert(all.end(), args.begin(), args.end());
  const CliResult result = runCliCaptured(all, input);
  EXPECT_EQ(result.status, 0) << result.err;
  return nlohmann::json::parse(result.out);
}

TEST(DetectUnknownTest, BytesOfNoLanguageAreUnknownWithTheReason) {
  const struct {
    std::string input;
    const char* reason;
  } cases[] = {
      {"12345", "no letters"},
      {"1234567890", "no letters"},
      {"2024-05-17 10:31:07 UTC", "mostly digits and signs"},
      {"3.5 kg, 12.25 mm, 640 MB, 99 %", "mostly digits and signs"},
      {std::string(46, 'a'), "one letter repeated"},
  };
  for (const auto& c : cases) {
    const nlohmann::json line = detectJson({}, c.input);
    EXPECT_EQ(line["language"], "unknown") << c.input;
    EXPECT_EQ(line["reason"], c.reason) << c.input;
    EXPECT_EQ(line["confidence"], 0.0) << c.input;
  }
  // A program's bytes (mostly zeros and signs) are no language either.
  const CliResult program = runCliCaptured(
      {"detect", "--db", STARTER_DB, LETTERFREQ_CLI_PATH});
  EXPECT_EQ(program.out, std::string(LETTERFREQ_CLI_PATH) + "\tunknown\t0.0000\n");
  // A sentence is answered, without a reason.
  const nlohmann::json sentence =
      detectJson({}, "The quick brown fox jumps over the lazy dog.");
  EXPECT_EQ(sentence["language"], "English");
  EXPECT_FALSE(sentence.contains("reason"));
}

TEST(DetectUnknownTest, LeastLengthAndConfidenceAreTheCallers) {
  const std::string text = "Der Hund schläft.";
  EXPECT_EQ(detectJson({}, text)["language"], "German");
  const nlohmann::json shorter = detectJson({"--min-length", "40"}, text);
  EXPECT_EQ(shorter["language"], "unknown");
  EXPECT_EQ(shorter["reason"], "too short");
  const nlohmann::json unsure =
      detectJson({"--min-confidence", "1"}, "Der Hund und die Katze.");
  if (unsure["language"] == "unknown") {
    EXPECT_EQ(unsure["reason"], "low confidence");
    EXPECT_EQ(unsure["alternatives"][0]["language"], "German");
  }
  const CliResult refused = runCliCaptured(
      {"detect", "--db", STARTER_DB, "--min-confidence", "2"}, text);
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("--min-confidence"), std::string::npos);
}

// Two close languages built from one text score alike: the answer names
// both, in text and in JSON.
TEST(DetectUnknownTest, ACloseSecondNearlyAsLikelyIsNamed) {
  testing::TempDir dir;
  const std::string db = dir.file("close.db");
  const std::string text = dir.write("t.txt", "Dobar dan, kako ste danas?");
  for (const char* language : {"Croatian", "Bosnian", "Slovenian"}) {
    const std::string file =
        language[0] == 'S' ? dir.write("s.txt", "Zzzz qqq xx") : text;
    ASSERT_EQ(runCliCaptured({"add", "--db", db, "--language", language, file})
                  .status,
              0);
  }
  const CliResult plain = runCliCaptured({"detect", "--db", db, text});
  EXPECT_EQ(plain.out, text + "\tCroatian (or Bosnian)\t0.5000\n");
  const CliResult json = runCliCaptured({"detect", "--json", "--db", db, text});
  const nlohmann::json line = nlohmann::json::parse(json.out);
  EXPECT_EQ(line["language"], "Croatian");
  EXPECT_EQ(line["or"], "Bosnian");
  EXPECT_EQ(line["code"], "hr");
}

}  // namespace
}  // namespace letterfreq
