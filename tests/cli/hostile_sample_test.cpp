// letterfreq-cli on servers that misbehave: too slow, endless, silent,
// reset, or answering an error page. count and match end within --timeout,
// count what arrived and say what went wrong on standard error; add stores
// nothing and names the sample and the reason.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/cli_harness.h"
#include "tests/support/hostile_servers.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::CliResult;
using testing::LoopbackServer;
using testing::OK_HEAD;
using testing::runCliCaptured;

// Generous: the machine is shared. An unbounded fetch would never end.
constexpr milliseconds SLACK{2000};

std::string loopbackUrl(int port) {
  return "http://127.0.0.1:" + std::to_string(port) + "/page";
}

struct Timed {
  CliResult result;
  milliseconds took{0};
};

// Runs `args` with URL (a fresh server of `session`) as the last argument.
Timed runAgainst(const LoopbackServer::Session& session,
                 std::vector<std::string> args, std::string& url) {
  LoopbackServer server(session);
  url = loopbackUrl(server.port());
  args.push_back(url);
  Timed timed;
  const Clock::time_point start = Clock::now();
  timed.result = runCliCaptured(args);
  timed.took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  return timed;
}

struct HostileCase {
  const char* name;
  std::function<LoopbackServer::Session()> session;
  const char* timeout;  // --timeout SECONDS
  milliseconds limit;   // the same
  // What count writes on standard error after "warning: URL: ", as a
  // regular expression; add refuses with its first line.
  std::vector<std::string> warnings;
};

std::vector<HostileCase> hostileCases() {
  return {
      {"slowloris",
       [] {
         return testing::slowSession(OK_HEAD, std::string(100, 'a'),
                                     milliseconds(4000));
       },
       "1.5", milliseconds(1500),
       {"the data was cut short \\(overall time limit\\) after 1 body bytes"}},
      {"never-ending body",
       [] { return testing::endlessSession(OK_HEAD, "abc "); }, "0.5",
       milliseconds(500),
       {"the data was cut short \\(overall time limit\\) after [1-9][0-9]* "
        "body bytes"}},
      {"endless head",
       [] { return testing::endlessSession("HTTP/1.0 200 OK\r\n", "X: y\r\n"); },
       "0.5", milliseconds(500),
       {"the data was cut short \\(overall time limit\\) after 0 body bytes"}},
      {"silent server", [] { return testing::silentSession(); }, "0.5",
       milliseconds(500),
       {"the data was cut short \\(overall time limit\\) after 0 body bytes",
        "the server sent no response"}},
      {"reset mid-body",
       [] {
         return testing::resetSession(std::string(OK_HEAD) +
                                      std::string(5000, 'r'));
       },
       "5", milliseconds(5000),
       {"the data was cut short \\(connection reset\\) after [0-9]+ body "
        "bytes"}},
      {"404",
       [] {
         return [](Socket& connection) {
           testing::readRequest(connection);
           connection.writeRaw("HTTP/1.0 404 Not Found\r\n\r\nmissing");
         };
       },
       "5", milliseconds(5000),
       {"the server answered \"HTTP/1\\.0 404 Not Found\""}},
  };
}

// The escaped form of an address in a regular expression.
std::string literal(const std::string& text) {
  static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
  return std::regex_replace(text, special, R"(\$&)");
}

class HostileSampleTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
};

TEST_F(HostileSampleTest, CountWarnsAndCountsWhatArrivedWithinTheLimit) {
  for (const HostileCase& hostile : hostileCases()) {
    SCOPED_TRACE(hostile.name);
    std::string url;
    const Timed timed = runAgainst(hostile.session(),
                                   {"count", "--timeout", hostile.timeout}, url);
    EXPECT_EQ(timed.result.status, 0) << timed.result.err;
    EXPECT_EQ(timed.result.out.rfind("sample\t" + url + "\n", 0), 0u);
    std::string expected;
    for (const std::string& warning : hostile.warnings) {
      expected += "warning: " + literal(url) + ": " + warning + "\n";
    }
    EXPECT_TRUE(std::regex_match(timed.result.err, std::regex(expected)))
        << timed.result.err;
    EXPECT_LT(timed.took, hostile.limit + SLACK);
  }
}

TEST_F(HostileSampleTest, AddRefusesAndStoresNothing) {
  const std::string db = dir.file("ling2.db");
  for (const HostileCase& hostile : hostileCases()) {
    SCOPED_TRACE(hostile.name);
    std::string url;
    const Timed timed = runAgainst(
        hostile.session(),
        {"add", "--db", db, "--language", "Latin", "--timeout", hostile.timeout},
        url);
    EXPECT_EQ(timed.result.status, 1);
    EXPECT_EQ(timed.result.out, "");
    EXPECT_TRUE(std::regex_match(
        timed.result.err,
        std::regex("letterfreq-cli: " + literal(url) + ": " +
                   hostile.warnings.front() + "; nothing was added\n")))
        << timed.result.err;
    EXPECT_FALSE(std::filesystem::exists(db));
    EXPECT_LT(timed.took, hostile.limit + SLACK);
  }
}

TEST_F(HostileSampleTest, AddRefusesAnEmptyAnswerAndStoresAWholeOne) {
  const std::string db = dir.file("ling2.db");
  const std::vector<std::string> add = {"add", "--db", db, "--language",
                                        "Latin"};
  std::string url;
  Timed timed = runAgainst(
      [](Socket& connection) {
        testing::readRequest(connection);
        connection.writeRaw(std::string(OK_HEAD) + "<p></p>");
      },
      add, url);
  EXPECT_EQ(timed.result.status, 1);
  EXPECT_EQ(timed.result.err, "letterfreq-cli: " + url +
                                  ": no byte of it was counted; nothing was "
                                  "added\n");
  EXPECT_FALSE(std::filesystem::exists(db));

  // A whole answer is stored.
  timed = runAgainst(
      [](Socket& connection) {
        testing::readRequest(connection);
        connection.writeRaw(std::string(OK_HEAD) + "Gallia");
      },
      add, url);
  EXPECT_EQ(timed.result.status, 0) << timed.result.err;
  EXPECT_EQ(timed.result.err, "");
  EXPECT_TRUE(std::filesystem::exists(db));
}

TEST_F(HostileSampleTest, MatchAndDetectWarnAsCountDoes) {
  const std::string db = dir.file("ling2.db");
  const std::string latin = dir.write("latin.txt", "Gallia est omnis divisa");
  ASSERT_EQ(runCliCaptured({"add", "--db", db, "--language", "Latin", latin})
                .status,
            0);
  for (const char* command : {"match", "detect"}) {
    SCOPED_TRACE(command);
    std::string url;
    const Timed timed = runAgainst(
        testing::slowSession(OK_HEAD, "Gallia", milliseconds(4000)),
        {command, "--db", db, "--timeout", "1.5"}, url);
    EXPECT_EQ(timed.result.status, 0);
    EXPECT_EQ(timed.result.err,
              "warning: " + url +
                  ": the data was cut short (overall time limit) after 1 body "
                  "bytes\n");
    EXPECT_NE(timed.result.out.find("Latin"), std::string::npos)
        << timed.result.out;
    EXPECT_LT(timed.took, milliseconds(1500) + SLACK);
  }
}

TEST_F(HostileSampleTest, TimeoutMustBeAPositiveNumber) {
  for (const char* bad : {"0", "-1", "abc"}) {
    SCOPED_TRACE(bad);
    const CliResult result =
        runCliCaptured({"count", "--timeout", bad, dir.write("a.txt", "a")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("--timeout"), std::string::npos) << result.err;
  }
  const CliResult help = runCliCaptured({"count", "--help"});
  EXPECT_NE(help.out.find("--timeout SECONDS"), std::string::npos);
  // A file is not bounded by it: the whole file is counted.
  const CliResult file =
      runCliCaptured({"count", "--timeout", "0.001", dir.write("b.txt", "bb")});
  EXPECT_EQ(file.status, 0);
  EXPECT_NE(file.out.find("98\t2\t"), std::string::npos) << file.out;
}

}  // namespace
}  // namespace letterfreq
