#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::runCliCaptured;

const std::string STARTER_DB = LETTERFREQ_SOURCE_DIR "/data/ling2.db";
const std::string ENGLISH_SAMPLE = LETTERFREQ_SOURCE_DIR "/data/sample.txt";
const std::string GERMAN_LINE =
    "Alle Menschen sind frei und gleich an Würde und Rechten geboren. Sie "
    "sind mit Vernunft und Gewissen begabt und sollen einander im Geist der "
    "Brüderlichkeit begegnen.";
const std::string ENGLISH_LINE =
    "All human beings are born free and equal in dignity and rights. They "
    "are endowed with reason and conscience and should act towards one "
    "another in a spirit of brotherhood.";

// A database without n-gram lists, so detect ranks by Difference: A from
// "ab", B from "ac", C from "ad". "ab" is A's exactly (score 1, the others
// 0); "a" is as far from each (score 0 for all, a third each).
class DetectCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = dir.file("abc.db");
    for (const char* language : {"A", "B", "C"}) {
      const std::string text = std::string("a") + char(language[0] + 'b' - 'A');
      const std::string file = dir.write(std::string(language) + ".txt", text);
      const CliResult added =
          runCliCaptured({"add", "--db", db, "--language", language, file});
      ASSERT_EQ(added.status, 0) << added.err;
    }
  }

  CliResult detect(std::vector<std::string> args, const std::string& input = "",
                   const std::string& database = "") {
    std::vector<std::string> all = {"detect", "--db",
                                    database.empty() ? db : database};
    all.insert(all.end(), args.begin(), args.end());
    return runCliCaptured(all, input);
  }

  testing::TempDir dir;
  std::string db;
};

TEST_F(DetectCommandTest, StarterDatabaseTellsEnglishByNgrams) {
  const CliResult text = detect({ENGLISH_SAMPLE}, "", STARTER_DB);
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out.rfind(ENGLISH_SAMPLE + "\tEnglish\t", 0), 0u) << text.out;
  EXPECT_GE(std::stod(text.out.substr(text.out.rfind('\t') + 1)), 0.5);

  const CliResult json = detect({"--json", ENGLISH_SAMPLE}, "", STARTER_DB);
  ASSERT_EQ(json.status, 0) << json.err;
  const auto line = nlohmann::json::parse(json.out);
  EXPECT_EQ(line["sample"], ENGLISH_SAMPLE);
  EXPECT_EQ(line["language"], "English");
  EXPECT_EQ(line["method"], "N-gram Likelihood");
  ASSERT_EQ(line["alternatives"].size(), 2u);
  EXPECT_NE(line["alternatives"][0]["language"], "English");
  EXPECT_GE(line["confidence"], line["alternatives"][0]["confidence"]);
  EXPECT_GE(line["alternatives"][0]["confidence"],
            line["alternatives"][1]["confidence"]);
}

TEST_F(DetectCommandTest, WithoutDbTakesTheStarterDatabase) {
  const CliResult result = runCliCaptured({"detect", "-"}, GERMAN_LINE);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.rfind("-\tGerman\t", 0), 0u) << result.out;
}

TEST_F(DetectCommandTest, DifferenceWithoutNgramData) {
  const std::string ab = dir.write("ab.txt", "ab");
  const CliResult text = detect({ab});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, ab + "\tA\t1.0000\n");

  const auto line = nlohmann::json::parse(detect({"--json", ab}).out);
  EXPECT_EQ(line,
            nlohmann::json::parse(R"({"sample": ")" + ab +
                                  R"(", "language": "A", "confidence": 1.0,
                      "code": null, "iso6393": null,
                      "method": "Difference", "alternatives": [
                      {"language": "B", "confidence": 0.0,
                       "code": null, "iso6393": null},
                      {"language": "C", "confidence": 0.0,
                       "code": null, "iso6393": null}]})"));
}

TEST_F(DetectCommandTest, UnknownBelowHalfOrWithNothingCounted) {
  const std::string a = dir.write("a.txt", "a");
  EXPECT_EQ(detect({a}).out, a + "\tunknown\t0.3333\n");
  // Unsure: the best three stay visible as alternatives.
  const auto line = nlohmann::json::parse(detect({"--json", a}).out);
  EXPECT_EQ(line["language"], "unknown");
  ASSERT_EQ(line["alternatives"].size(), 3u);
  EXPECT_EQ(line["alternatives"][0]["language"], "A");

  const std::string markup = dir.write("markup.html", "<p>&amp;</p>");
  const std::string empty = dir.write("empty.txt", "");
  const CliResult nothing = detect({markup, empty}, "", STARTER_DB);
  EXPECT_EQ(nothing.status, 0) << nothing.err;
  EXPECT_EQ(nothing.out,
            markup + "\tunknown\t0.0000\n" + empty + "\tunknown\t0.0000\n");
  const auto none = nlohmann::json::parse(detect({"--json", empty}).out);
  EXPECT_EQ(none["alternatives"], nlohmann::json::array());
}

TEST_F(DetectCommandTest, LinesAnswerEachLineInOrder) {
  // CR LF ends a line as LF does; the last line needs no end.
  const CliResult result = detect({"--lines"}, "ab\r\na\n\nab");
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "1\tA\t1.0000\n2\tunknown\t0.3333\n3\tunknown\t0.0000\n"
            "4\tA\t1.0000\n");
  EXPECT_EQ(detect({"--lines"}, "").out, "");

  const CliResult json =
      detect({"--lines", "--json"}, ENGLISH_LINE + "\n" + GERMAN_LINE + "\n",
             STARTER_DB);
  std::istringstream lines(json.out);
  std::string first, second, rest;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_FALSE(std::getline(lines, rest));
  EXPECT_EQ(nlohmann::json::parse(first)["sample"], 1);
  EXPECT_EQ(nlohmann::json::parse(first)["language"], "English");
  EXPECT_EQ(nlohmann::json::parse(second)["sample"], 2);
  EXPECT_EQ(nlohmann::json::parse(second)["language"], "German");
}

// Many samples are scored with the weights made once for all of them; each
// answer is still the one the sample gets alone, and so is each line's.
TEST_F(DetectCommandTest, ManySamplesAnswerAsEachAlone) {
  std::vector<std::string> texts;
  for (const std::string& line : {GERMAN_LINE, ENGLISH_LINE}) {
    for (size_t length : {3, 12, 25, 40, 90}) {
      for (size_t start = 0; start + length <= line.size(); start += 37) {
        texts.push_back(line.substr(start, length));
      }
    }
  }
  texts.push_back(GERMAN_LINE.substr(0, 30) + ENGLISH_LINE.substr(0, 30));
  std::vector<std::string> files;
  std::string alone, aloneJson, lines;
  for (size_t i = 0; i < texts.size(); ++i) {
    files.push_back(dir.write("s" + std::to_string(i) + ".txt", texts[i]));
    alone += detect({files.back()}, "", STARTER_DB).out;
    aloneJson += detect({"--json", files.back()}, "", STARTER_DB).out;
    lines += texts[i] + "\n";
  }
  EXPECT_EQ(detect(files, "", STARTER_DB).out, alone);
  std::vector<std::string> json = files;
  json.insert(json.begin(), "--json");
  EXPECT_EQ(detect(json, "", STARTER_DB).out, aloneJson);

  // The same answers line by line, with the line's number as its sample.
  std::istringstream answers(detect({"--lines", "--json"}, lines, STARTER_DB).out);
  std::istringstream expected(aloneJson);
  std::string answer, each;
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_TRUE(std::getline(answers, answer));
    ASSERT_TRUE(std::getline(expected, each));
    auto got = nlohmann::json::parse(answer);
    auto want = nlohmann::json::parse(each);
    EXPECT_EQ(got["sample"], i + 1);
    got.erase("sample");
    want.erase("sample");
    EXPECT_EQ(got, want) << texts[i];
  }
}

TEST_F(DetectCommandTest, LongLineCountsAsTheSameFile) {
  // Longer than the pieces a line is counted in, tags cut across them.
  std::string text;
  while (text.size() < 300000) text += "<b>" + GERMAN_LINE + "</b> ";
  const std::string file = dir.write("long.txt", text);
  const CliResult asFile = detect({"--json", file}, "", STARTER_DB);
  const CliResult asLine = detect({"--json", "--lines"}, text, STARTER_DB);
  auto fromFile = nlohmann::json::parse(asFile.out);
  auto fromLine = nlohmann::json::parse(asLine.out);
  fromFile.erase("sample");
  fromLine.erase("sample");
  EXPECT_EQ(fromFile, fromLine);
  EXPECT_EQ(fromFile["language"], "German");
}

TEST_F(DetectCommandTest, ExitStatusAsTheOtherCommands) {
  const std::string ab = dir.write("ab.txt", "ab");
  const CliResult missing = detect({dir.file("none.txt"), ab});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, ab + "\tA\t1.0000\n");  // the others still answered
  EXPECT_NE(missing.err.find("none.txt: File couldn't be opened!"),
            std::string::npos)
      << missing.err;

  const CliResult noDb = detect({ab}, "", dir.file("none.db"));
  EXPECT_EQ(noDb.status, 1);
  EXPECT_NE(noDb.err.find("no such database"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.file("none.db")));

  EXPECT_EQ(detect({"--lines", ab}).status, 2);  // lines or samples
  // Without SAMPLE, standard input is the one sample.
  EXPECT_EQ(detect({}, "ab").out, "-\tA\t1.0000\n");
  EXPECT_EQ(detect({"--top", "3", ab}).status, 2);
}

// The program under a pipe it writes slowly: each answer must come while
// the input is still open.
TEST_F(DetectCommandTest, LinesAnswerBeforeTheInputEnds) {
  int toChild[2], fromChild[2];
  ASSERT_EQ(pipe2(toChild, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(fromChild, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
  posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
  std::vector<std::string> args = {LETTERFREQ_CLI_PATH, "detect", "--db", db,
                                   "--lines"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ),
            0);
  posix_spawn_file_actions_destroy(&actions);
  close(toChild[0]);
  close(fromChild[1]);

  // One line in, one answer out, with the pipe still open.
  auto answer = [&](const std::string& line, int waitMs = 10000) {
    EXPECT_EQ(write(toChild[1], line.data(), line.size()),
              ssize_t(line.size()));
    std::string got;
    while (got.find('\n') == std::string::npos) {
      pollfd ready = {fromChild[0], POLLIN, 0};
      if (poll(&ready, 1, waitMs) != 1) break;
      char buffer[256];
      const ssize_t n = read(fromChild[0], buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, size_t(n));
    }
    return got;
  };
  EXPECT_EQ(answer("ab\n"), "1\tA\t1.0000\n");
  EXPECT_EQ(answer("a", 200), "");             // an unended line waits...
  EXPECT_EQ(answer("c\n"), "2\tB\t1.0000\n");  // ...for its end
  close(toChild[1]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  close(fromChild[0]);
}

}  // namespace
}  // namespace letterfreq
