#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::runCliCaptured;

const std::string STARTER_DB = LETTERFREQ_SOURCE_DIR "/data/ling2.db";

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Three languages with n-gram lists, one of them stored with a code.
class LanguageCodesCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = dir.file("three.db");
    add(db, "English", "en-GB",
        "All human beings are born free and equal in dignity and rights.");
    add(db, "German", "",
        "Alle Menschen sind frei und gleich an Wuerde und Rechten geboren.");
    add(db, "French", "",
        "Tous les etres humains naissent libres et egaux en dignite.");
    sample = dir.write("sample.txt", "and the rights of all beings are free");
  }

  void add(const std::string& file, const std::string& language,
           const std::string& code, const std::string& text) {
    std::vector<std::string> args = {"add", "--db", file, "--ngrams",
                                     "--language", language};
    if (!code.empty()) args.insert(args.end(), {"--code", code});
    args.push_back(dir.write(language + ".txt", text));
    const CliResult added = runCliCaptured(args);
    ASSERT_EQ(added.status, 0) << added.err;
  }

  testing::TempDir dir;
  std::string db, sample;
};

TEST(LanguagesCommandTest, EveryStarterLanguageHasItsCodes) {
  const CliResult listed = runCliCaptured({"languages", "--db", STARTER_DB});
  ASSERT_EQ(listed.status, 0) << listed.err;
  const std::vector<std::string> lines = linesOf(listed.out);
  EXPECT_EQ(lines.size(), 113u);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find("\t-\t"), std::string::npos) << line;
  }
  EXPECT_NE(listed.out.find("\nChinese (traditional)\tzh-Hant\tzho\t"),
            std::string::npos);
  EXPECT_EQ(lines.front().rfind("English\ten\teng\t", 0), 0u) << lines[0];

  const CliResult json =
      runCliCaptured({"languages", "--db", STARTER_DB, "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const auto first = nlohmann::json::parse(linesOf(json.out).front());
  EXPECT_EQ(first["name"], "English");
  EXPECT_EQ(first["code"], "en");
  EXPECT_EQ(first["iso6393"], "eng");
  EXPECT_GT(first["entries"].get<int>(), 0);
  EXPECT_GT(first["bytes"].get<int64_t>(), 0);
}

TEST_F(LanguageCodesCliTest, AddStoresACodeThatTheLatestEntryGives) {
  CliResult listed = runCliCaptured({"languages", "--db", db});
  ASSERT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out.rfind("English\ten-GB\teng\t1\t", 0), 0u) << listed.out;
  EXPECT_NE(listed.out.find("\nFrench\tfr\tfra\t1\t"), std::string::npos);

  add(db, "English", "en", "More words of the English language.");
  listed = runCliCaptured({"languages", "--db", db, "--json"});
  const auto english = nlohmann::json::parse(linesOf(listed.out).front());
  EXPECT_EQ(english["code"], "en");
  EXPECT_EQ(english["entries"], 2);
  // The code record is one more record of the entry; a load knows nothing
  // else of it.
  const CliResult shown = runCliCaptured({"show", "--db", db});
  EXPECT_EQ(shown.err, "");
  EXPECT_NE(shown.out.find("language\tEnglish\t257\t2\t"), std::string::npos)
      << shown.out;

  add(db, "Klingon", "", "Heghlu'meH QaQ jajvam.");
  listed = runCliCaptured({"languages", "--db", db});
  EXPECT_NE(listed.out.find("\nKlingon\t-\t-\t1\t"), std::string::npos)
      << listed.out;
}

TEST_F(LanguageCodesCliTest, AMalformedCodeIsRefusedAndNothingStored) {
  const std::string before = testing::readFile(db);
  for (const char* code : {"en_GB", "e", "\x1b[2J", ""}) {
    const CliResult refused =
        runCliCaptured({"add", "--db", db, "--language", "X", "--code", code,
                        sample});
    EXPECT_EQ(refused.status, 2) << code;
    EXPECT_EQ(refused.err.find('\x1b'), std::string::npos);
  }
  EXPECT_EQ(testing::readFile(db), before);
}

// Restricted to some languages, a ranking is the one a database of only
// those languages gives, shares included.
TEST_F(LanguageCodesCliTest, OnlyAndIgnoreRankAsADatabaseOfTheRest) {
  const std::string two = dir.file("two.db");
  add(two, "German", "",
      "Alle Menschen sind frei und gleich an Wuerde und Rechten geboren.");
  add(two, "French", "",
      "Tous les etres humains naissent libres et egaux en dignite.");
  for (const char* method : {"ngram", "diff", "sd3"}) {
    const CliResult alone =
        runCliCaptured({"match", "--db", two, "--method", method, sample});
    ASSERT_EQ(alone.status, 0) << alone.err;
    for (const std::vector<std::string>& restriction :
         {std::vector<std::string>{"--only", "de,fra"},
          {"--only", "German", "--only", "fr"},
          {"--ignore", "en"},
          {"--ignore", "english,KLINGON-FREE"}}) {
      std::vector<std::string> args = {"match", "--db", db, "--method",
                                       method, sample};
      args.insert(args.end(), restriction.begin(), restriction.end());
      const CliResult restricted = runCliCaptured(args);
      if (restriction.back() == "english,KLINGON-FREE") {
        EXPECT_EQ(restricted.status, 2);
        EXPECT_NE(restricted.err.find("\"KLINGON-FREE\""), std::string::npos);
        EXPECT_EQ(restricted.out, "");
        continue;
      }
      EXPECT_EQ(restricted.status, 0) << restricted.err;
      EXPECT_EQ(restricted.out, alone.out) << method << " " << restriction[1];
    }
  }
  const CliResult none = runCliCaptured(
      {"match", "--db", db, "--only", "de", "--ignore", "German", sample});
  EXPECT_EQ(none.status, 2);
  const CliResult top = runCliCaptured(
      {"match", "--db", db, "--method", "ngram", "--only", "fr,de",
       "--top", "1", "--json",
       dir.write("de.txt", "und die Menschen sind frei und gleich")});
  const auto line = nlohmann::json::parse(top.out);
  ASSERT_EQ(line["results"].size(), 1u);
  EXPECT_EQ(line["results"][0]["code"], "de");
  EXPECT_EQ(line["results"][0]["iso6393"], "deu");
}

TEST_F(LanguageCodesCliTest, DetectAnswersByCodeAndAmongTheCandidates) {
  CliResult coded = runCliCaptured({"detect", "--db", db, "--codes", sample});
  ASSERT_EQ(coded.status, 0) << coded.err;
  EXPECT_EQ(coded.out.rfind(sample + "\ten-GB\t", 0), 0u) << coded.out;
  coded = runCliCaptured({"detect", "--db", db, "--codes"}, "");
  EXPECT_EQ(coded.out, "-\tund\t0.0000\n");

  const CliResult json = runCliCaptured({"detect", "--db", db, "--json",
                                         "--ignore", "fr", sample});
  const auto line = nlohmann::json::parse(json.out);
  EXPECT_EQ(line["language"], "English");
  EXPECT_EQ(line["code"], "en-GB");
  EXPECT_EQ(line["iso6393"], "eng");
  ASSERT_EQ(line["alternatives"].size(), 1u);  // French is left out
  EXPECT_EQ(line["alternatives"][0]["code"], "de");

  // Among German and French, as a database of those two would answer.
  const std::string two = dir.file("two.db");
  add(two, "German", "",
      "Alle Menschen sind frei und gleich an Wuerde und Rechten geboren.");
  add(two, "French", "",
      "Tous les etres humains naissent libres et egaux en dignite.");
  const CliResult alone = runCliCaptured({"detect", "--db", two, sample});
  const CliResult restricted =
      runCliCaptured({"detect", "--db", db, "--only", "de,French", sample});
  EXPECT_EQ(restricted.status, 0) << restricted.err;
  EXPECT_EQ(restricted.out, alone.out);
  const std::string lines = "and all are free\nsind alle frei\n";
  EXPECT_EQ(runCliCaptured({"detect", "--db", db, "--lines", "--only",
                            "de,fr"},
                           lines)
                .out,
            runCliCaptured({"detect", "--db", two, "--lines"}, lines).out);
  EXPECT_EQ(runCliCaptured({"detect", "--db", db, "--only", "xx", sample})
                .status,
            2);
}

}  // namespace
}  // namespace letterfreq
