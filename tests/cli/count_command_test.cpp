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

class CountCommandTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
};

TEST_F(CountCommandTest, PrintsTheProfileAsText) {
  const std::string path = dir.write("s.html", "<p>a&amp;ab</p>\r\n");
  const CliResult result = runCliCaptured({"count", path});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  // Equal counts: the lower byte value first.
  EXPECT_EQ(result.out, "sample\t" + path +
                            "\ntotal\t4\nused\t3\n"
                            "97\t2\t50\n10\t1\t25\n98\t1\t25\n");

  // 200/3 and 100/3 in single precision, printed with "%.9g".
  const std::string thirds = dir.write("t.txt", "aab");
  EXPECT_EQ(runCliCaptured({"count", thirds}).out,
            "sample\t" + thirds +
                "\ntotal\t3\nused\t2\n97\t2\t66.6666641\n98\t1\t33.3333321\n");
}

TEST_F(CountCommandTest, PrintsJsonLines) {
  const std::string a = dir.write("a.txt", "b a\tb");
  const std::string empty = dir.write("empty.txt", "");
  const CliResult result = runCliCaptured({"count", "--json", a, empty});
  ASSERT_EQ(result.status, 0) << result.err;
  const std::string first = result.out.substr(0, result.out.find('\n') + 1);
  const std::string second = result.out.substr(first.size());
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(second.find('\n'), second.size() - 1);  // one object per line

  const nlohmann::json one = nlohmann::json::parse(first);
  EXPECT_EQ(one["sample"], a);
  EXPECT_EQ(one["total"], 5);
  EXPECT_EQ(one["used"], 4);
  ASSERT_EQ(one["counts"].size(), 255u);
  EXPECT_EQ(one["counts"]['b'], 2);
  EXPECT_EQ(one["counts"]['\t'], 1);
  EXPECT_EQ(one["counts"][0], 0);
  EXPECT_EQ(one["order"], (std::vector<int>{'b', '\t', ' ', 'a'}));

  const nlohmann::json two = nlohmann::json::parse(second);
  EXPECT_EQ(two["total"], 0);
  EXPECT_EQ(two["order"], std::vector<int>{});
}

TEST_F(CountCommandTest, JsonCarriesANameThatIsNotUtf8) {
  const std::string path = dir.write("caf\xE9.txt", "x");
  const CliResult result = runCliCaptured({"count", "--json", path});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(nlohmann::json::parse(result.out)["total"], 1);
}

TEST_F(CountCommandTest, DashReadsStandardInput) {
  const CliResult result =
      runCliCaptured({"count", "-"}, "<b>x</b>  x\r\n\r\n");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "sample\t-\ntotal\t4\nused\t3\n"
            "120\t2\t50\n10\t1\t25\n32\t1\t25\n");
}

TEST_F(CountCommandTest, FailedSamplesAreNamedAndTheOthersStillCounted) {
  const std::string good = dir.write("good.txt", "z");
  const std::string missing = dir.file("missing.txt");
  const CliResult result = runCliCaptured(
      {"count", missing, good, "http://127.0.0.1:1/", dir.path()});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out,
            "sample\t" + good + "\ntotal\t1\nused\t1\n122\t1\t100\n");
  EXPECT_EQ(
      result.err,
      "letterfreq-cli: " + missing +
          ": File couldn't be opened! (No such file or directory)\n" +
          "letterfreq-cli: http://127.0.0.1:1/: URL couldn't be opened! "
          "(connect: Connection refused)\n" +
          "letterfreq-cli: " + dir.path() +
          ": File couldn't be opened! (Is a directory)\n");
}

TEST_F(CountCommandTest, WrongCommandLinesExitWithTwo) {
  const std::string good = dir.write("good.txt", "z");
  const std::vector<std::vector<std::string>> wrong = {
      {"count", "--bogus", good},       // unknown option
      {"count", "--json=maybe", good},  // a flag takes no value
      {"bogus", good},                  // unknown command
      {},                               // no command
  };
  for (const auto& args : wrong) {
    const CliResult result = runCliCaptured(args);
    EXPECT_EQ(result.status, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(result.out, "") << ::testing::PrintToString(args);
    EXPECT_NE(result.err, "") << ::testing::PrintToString(args);
  }
}

// A command typed wrong is answered with the one it most likely meant.
TEST_F(CountCommandTest, AMistypedCommandGetsTheClosestOne) {
  const std::string good = dir.write("good.txt", "z");
  for (const auto& [typed, meant] :
       std::vector<std::pair<std::string, std::string>>{{"detec", "detect"},
                                                        {"cuont", "count"},
                                                        {"rec", "records"},
                                                        {"mtach", "match"}}) {
    const CliResult result = runCliCaptured({typed, good});
    EXPECT_EQ(result.status, 2) << typed;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("letterfreq-cli: unknown command \"" + typed +
                                   "\"; did you mean " + meant + "?\n",
                               0),
              0u)
        << result.err;
  }
  const CliResult far = runCliCaptured({"frobnicate\x1b", good});
  EXPECT_EQ(far.status, 2);
  EXPECT_EQ(far.err.rfind("letterfreq-cli: unknown command "
                          "\"frobnicate\\x1b\"\n",
                          0),
            0u)
      << far.err;
}

// Without SAMPLE, standard input is the sample, as with "-".
TEST_F(CountCommandTest, WithoutSampleStandardInputIsCounted) {
  const CliResult piped = runCliCaptured({"count"}, "zz");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, runCliCaptured({"count", "-"}, "zz").out);
  EXPECT_EQ(piped.out.rfind("sample\t-\ntotal\t2\n", 0), 0u) << piped.out;
}

TEST_F(CountCommandTest, HelpAndVersion) {
  const CliResult help = runCliCaptured({"count", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--json"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("SAMPLE"), std::string::npos) << help.out;

  const CliResult top = runCliCaptured({"--help"});
  EXPECT_EQ(top.status, 0);
  EXPECT_NE(top.out.find("count"), std::string::npos) << top.out;

  const CliResult version = runCliCaptured({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out,
            std::string("letterfreq-cli ") + LETTERFREQ_VERSION + "\n");
}

TEST_F(CountCommandTest, TheProgramItselfCountsFilesAndStandardInput) {
  const std::string path = dir.write("s.txt", "<i>hi</i> &lt;hi&gt;\n");
  const CliResult inProcess = runCliCaptured({"count", path, "-"}, "h\r\n");
  const CliResult program =
      testing::runProgram(LETTERFREQ_CLI_PATH, {"count", path, "-"}, "h\r\n");
  EXPECT_EQ(program.status, 0) << program.err;
  EXPECT_EQ(program.out, inProcess.out);
  EXPECT_EQ(program.err, "");

  const CliResult missing = testing::runProgram(
      LETTERFREQ_CLI_PATH, {"count", dir.file("missing.txt")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("File couldn't be opened!"), std::string::npos);

  EXPECT_EQ(
      testing::runProgram(LETTERFREQ_CLI_PATH, {"count", "--bogus"}).status, 2);
}

}  // namespace
}  // namespace letterfreq
