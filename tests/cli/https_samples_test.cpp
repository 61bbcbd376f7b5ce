// https:// samples through the installed program, with the test authority
// handed over by the test hook only.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "cli/sample_arg.h"
#include "sample/https_fetch.h"
#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tls_test_server.h"

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::runProgram;

const std::string PAGE =
    "<html><body><p>Ein kleiner Text &amp; mehr.</p>\r\n</body></html>\n";

class HttpsSamplesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testing::TempDir;
    page_ = folder_->write("page.html", PAGE);
    server_ = new testing::TlsTestServer(folder_->path());
  }
  static void TearDownTestSuite() {
    delete server_;
    delete folder_;
  }
  void SetUp() override {
    if (server_->missingTools()) GTEST_SKIP() << server_->problem();
    ASSERT_EQ(server_->problem(), "");
    setenv(TEST_CA_FILE_VARIABLE, server_->caFile().c_str(), 1);
  }
  void TearDown() override { unsetenv(TEST_CA_FILE_VARIABLE); }

  static CliResult cli(const std::vector<std::string>& args) {
    return runProgram(LETTERFREQ_CLI_PATH, args);
  }

  static testing::TempDir* folder_;
  static std::string page_;
  static testing::TlsTestServer* server_;
  testing::TempDir dir_;
};

testing::TempDir* HttpsSamplesTest::folder_ = nullptr;
std::string HttpsSamplesTest::page_;
testing::TlsTestServer* HttpsSamplesTest::server_ = nullptr;

std::string afterFirstLine(const std::string& text) {
  return text.substr(std::min(text.size(), text.find('\n') + 1));
}

const std::string DATABASE =
    std::string(LETTERFREQ_SOURCE_DIR) + "/data/ling2.db";

TEST_F(HttpsSamplesTest, PageCountsAndMatchesAsTheSameFile) {
  const std::string url = server_->url("/page.html");
  const CliResult fromWeb = cli({"count", url});
  const CliResult fromFile = cli({"count", page_});
  ASSERT_EQ(fromWeb.status, 0) << fromWeb.err;
  EXPECT_EQ(fromWeb.err, "");
  EXPECT_EQ(fromWeb.out,
            "sample\t" + url + "\n" + afterFirstLine(fromFile.out));

  const CliResult matched = cli({"match", "--db", DATABASE, "--top", "3", url});
  ASSERT_EQ(matched.status, 0) << matched.err;
  EXPECT_EQ(afterFirstLine(matched.out),
            afterFirstLine(
                cli({"match", "--db", DATABASE, "--top", "3", page_}).out));
}

TEST_F(HttpsSamplesTest, RefusalsNameTheReasonInEveryCommand) {
  const std::string url = server_->untrustedUrl("/page.html");
  const std::vector<std::vector<std::string>> commands = {
      {"count", url},
      {"match", "--db", DATABASE, url},
      {"detect", "--db", DATABASE, url},
      {"add", "--db", dir_.file("new.db"), "--language", "German", url}};
  for (const auto& args : commands) {
    SCOPED_TRACE(args[0]);
    const CliResult result = cli(args);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("letterfreq-cli: " + url +
                                   ": URL couldn't be opened! (SSL certificate",
                               0),
              0u)
        << result.err;
  }
}

TEST_F(HttpsSamplesTest, TheTestAuthorityComesOnlyThroughTheHook) {
  unsetenv(TEST_CA_FILE_VARIABLE);
  const CliResult result = cli({"count", server_->url("/page.html")});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("URL couldn't be opened! (SSL certificate"),
            std::string::npos)
      << result.err;
}

TEST_F(HttpsSamplesTest, CutShortAndErrorPagesWarnAndAddRefusesThem) {
  const std::string stall = server_->url("/stall");
  const CliResult counted = cli({"count", "--timeout", "0.5", stall});
  EXPECT_EQ(counted.status, 0);
  EXPECT_EQ(counted.err, "warning: " + stall +
                             ": the data was cut short (overall time limit) "
                             "after 8 body bytes\n");

  const std::string missing = server_->url("/missing.html");
  const std::string db = dir_.file("new.db");
  const CliResult added =
      cli({"add", "--db", db, "--language", "German", missing});
  EXPECT_EQ(added.status, 1);
  EXPECT_EQ(added.err, "letterfreq-cli: " + missing +
                           ": the server answered \"HTTP/1.1 404 Not Found\"; "
                           "nothing was added\n");
  EXPECT_THROW(testing::readFile(db), std::runtime_error);  // not created
}

// A server that compresses the page unasked: it counts as the plain page,
// gzip and deflate alike. A small body that decodes without end is
// counted up to its limit and warned of, quickly; a head line of 100 MB
// is reported as what it is.
TEST_F(HttpsSamplesTest, CompressedPagesCountAsThePlainPage) {
  const CliResult plain = cli({"count", page_});
  for (const char* path : {"/gzip/page.html", "/deflate/page.html"}) {
    const std::string url = server_->url(path);
    const CliResult counted = cli({"count", url});
    EXPECT_EQ(counted.status, 0) << counted.err;
    EXPECT_EQ(counted.err, "");
    EXPECT_EQ(counted.out, "sample\t" + url + "\n" + afterFirstLine(plain.out));
  }

  const std::string bomb = server_->url("/bomb");
  const auto start = std::chrono::steady_clock::now();
  const CliResult counted = cli({"count", bomb});
  EXPECT_EQ(counted.status, 0);
  EXPECT_EQ(counted.err, "warning: " + bomb +
                             ": the data was cut short (decoded size limit) "
                             "after " + std::to_string(DECODED_BODY_MAX) +
                             " body bytes\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

  const std::string longHead = server_->url("/long-head");
  const CliResult refused = cli({"count", longHead});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, "letterfreq-cli: " + longHead +
                             ": URL couldn't be opened! (the response's head "
                             "is longer than libcurl takes)\n");
}

}  // namespace
}  // namespace letterfreq
