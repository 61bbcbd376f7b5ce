#include "sample/https_fetch.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "sample/http_fetch.h"
#include "sample/ngram_counter.h"
#include "sample/sample_loader.h"
#include "sample/socket.h"
#include "tests/support/loopback_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tls_test_server.h"

namespace letterfreq {
namespace {

using Counts = std::array<int32_t, 255>;
using Clock = std::chrono::steady_clock;

std::string samplePage() {
  std::string page =
      "<!DOCTYPE html>\r\n<html><head><title>Proben &amp; Tests</title>"
      "</head>\r\n<body>\r\n<p>Der  schnelle braune Fuchs spr\xc3\xbcngt "
      "&uuml;ber den faulen Hund.</p>\n\t<p>a > b &lt; c</p>\n";
  for (int i = 0; i < 20000; ++i) {  // larger than any one read
    page += "<li>Zeile " + std::to_string(i) + ":\t\xce\xb1\xce\xb2 " +
            std::string(static_cast<size_t>(i % 5), ' ') + "x\r\n</li>";
  }
  return page + "</body></html>\n";
}

// One server for the whole suite: the certificates cost a second.
class HttpsFetchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new testing::TempDir;
    page_ = folder_->write("page.html", samplePage());
    server_ = new testing::TlsTestServer(folder_->path());
  }
  static void TearDownTestSuite() {
    delete server_;
    delete folder_;
  }
  void SetUp() override {
    if (server_->missingTools()) GTEST_SKIP() << server_->problem();
    ASSERT_EQ(server_->problem(), "");
    limits_.caFile = server_->caFile();
  }

  // countHttpsUrl with the test authority; counts start non-zero to show
  // that they are replaced.
  bool fetch(const std::string& url, Counts& counts, SampleOutcome& outcome,
             NgramCounter* ngrams = nullptr, bool filterMarkup = true) {
    counts.fill(7);
    CountingPass pass(filterMarkup);
    if (ngrams != nullptr) pass.attach(*ngrams);
    return countHttpsUrl(url, counts.data(), pass, limits_, nullptr, &outcome);
  }

  static Counts fileCounts(bool filterMarkup = true,
                           NgramCounter* ngrams = nullptr) {
    Counts counts{};
    CountingPass pass(filterMarkup);
    if (ngrams != nullptr) pass.attach(*ngrams);
    EXPECT_TRUE(countFile(page_, counts.data(), pass));
    return counts;
  }

  static testing::TempDir* folder_;
  static std::string page_;
  static testing::TlsTestServer* server_;
  SampleLimits limits_;
};

testing::TempDir* HttpsFetchTest::folder_ = nullptr;
std::string HttpsFetchTest::page_;
testing::TlsTestServer* HttpsFetchTest::server_ = nullptr;

const Counts ZERO{};

TEST_F(HttpsFetchTest, PageCountsExactlyAsTheSameFile) {
  for (bool filterMarkup : {true, false}) {
    SCOPED_TRACE(filterMarkup);
    Counts counts;
    SampleOutcome outcome;
    ASSERT_TRUE(fetch(server_->url("/page.html"), counts, outcome, nullptr,
                      filterMarkup))
        << outcome.failureReason;
    EXPECT_EQ(counts, fileCounts(filterMarkup));
    EXPECT_FALSE(outcome.cutShort());
    EXPECT_TRUE(outcome.isHttp);
    EXPECT_TRUE(outcome.statusOk()) << outcome.statusLine;
    EXPECT_TRUE(outcome.headEnded);
    EXPECT_EQ(outcome.bodyBytes, samplePage().size());
  }
  // The n-grams come from the same pass, as from the file.
  NgramCounter fromFile;
  NgramCounter fromWeb;
  fileCounts(true, &fromFile);
  Counts counts;
  SampleOutcome outcome;
  ASSERT_TRUE(fetch(server_->url("/page.html"), counts, outcome, &fromWeb));
  EXPECT_EQ(fromWeb.paddedLength(), fromFile.paddedLength());
  EXPECT_TRUE(std::equal(fromWeb.counts(), fromWeb.counts() + NGRAM_BUCKETS,
                         fromFile.counts()));
}

TEST_F(HttpsFetchTest, LoadSampleTakesHttpsAddressesOnly) {
  LetterProfile profile;
  std::string failure;
  CountingPass pass;
  ASSERT_TRUE(loadSample(server_->url("/page.html"), profile, &failure, pass,
                         limits_))
      << failure;
  EXPECT_EQ(profile.sampleCount, 1);
  EXPECT_EQ(profile.counts, fileCounts());
  // Upper case is a file name, as for http://.
  EXPECT_FALSE(loadSample("HTTPS://127.0.0.1/", profile, &failure));
  EXPECT_EQ(failure, FILE_OPEN_FAILED);
}

TEST_F(HttpsFetchTest, RedirectsFollowedUpToFiveToHttpOrHttpsOnly) {
  Counts counts;
  SampleOutcome outcome;
  ASSERT_TRUE(fetch(server_->url("/redirect/5"), counts, outcome))
      << outcome.failureReason;
  EXPECT_EQ(counts, fileCounts());
  EXPECT_TRUE(outcome.statusOk()) << outcome.statusLine;  // the last head's

  EXPECT_FALSE(fetch(server_->url("/redirect/6"), counts, outcome));
  EXPECT_EQ(counts, ZERO);
  EXPECT_NE(outcome.failureReason.find("redirect"), std::string::npos)
      << outcome.failureReason;
  for (const char* path : {"/to-file", "/to-ftp"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(fetch(server_->url(path), counts, outcome));
    EXPECT_EQ(counts, ZERO);
    EXPECT_NE(outcome.failureReason, "");
  }
}

TEST_F(HttpsFetchTest, RedirectToHttpIsFollowed) {
  // libcurl's request ends in CR LF CR LF: read lines up to the empty one.
  testing::LoopbackServer plain([](Socket& connection) {
    for (std::string line = connection.readLine();
         !line.empty() && line != "\r\n"; line = connection.readLine()) {
    }
    connection.writeRaw("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nabcab");
  });
  Counts counts;
  SampleOutcome outcome;
  ASSERT_TRUE(fetch(server_->url("/to-http/" + std::to_string(plain.port())),
                    counts, outcome))
      << outcome.failureReason;
  EXPECT_EQ(counts['a'], 2);
  EXPECT_EQ(counts['b'], 2);
  EXPECT_EQ(counts['c'], 1);
}

TEST_F(HttpsFetchTest, BadCertificatesAreRefusedWithTheReason) {
  Counts counts;
  SampleOutcome outcome;
  EXPECT_FALSE(fetch(server_->untrustedUrl("/page.html"), counts, outcome));
  EXPECT_EQ(counts, ZERO);
  EXPECT_NE(outcome.failureReason.find("certificate"), std::string::npos)
      << outcome.failureReason;

  EXPECT_FALSE(fetch(server_->wrongNameUrl("/page.html"), counts, outcome));
  EXPECT_EQ(counts, ZERO);
  EXPECT_NE(outcome.failureReason.find("name"), std::string::npos)
      << outcome.failureReason;

  // The system's store does not hold the test authority.
  limits_.caFile.clear();
  EXPECT_FALSE(fetch(server_->url("/page.html"), counts, outcome));
  EXPECT_NE(outcome.failureReason.find("certificate"), std::string::npos)
      << outcome.failureReason;
}

TEST_F(HttpsFetchTest, ErrorPagesAreCountedAndTold) {
  Counts counts;
  SampleOutcome outcome;
  ASSERT_TRUE(fetch(server_->url("/missing.html"), counts, outcome));
  EXPECT_FALSE(outcome.statusOk());
  EXPECT_EQ(outcome.statusLine.compare(0, 12, "HTTP/1.1 404"), 0)
      << outcome.statusLine;
  EXPECT_EQ(counts['e'], 2);  // "not here" outside the tags
  EXPECT_EQ(counts['h'], 1);

  // A close without a byte ends the data, as for http://: no response.
  ASSERT_TRUE(fetch(server_->url("/close"), counts, outcome))
      << outcome.failureReason;
  EXPECT_FALSE(outcome.cutShort());
  EXPECT_EQ(outcome.statusLine, "");
  EXPECT_EQ(counts, ZERO);
}

TEST_F(HttpsFetchTest, StalledServersAreBoundedByTheLimits) {
  limits_.overallMs = 800;
  Counts counts;
  SampleOutcome outcome;
  Clock::time_point start = Clock::now();
  ASSERT_TRUE(fetch(server_->url("/stall"), counts, outcome));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(outcome.end, SampleEnd::OverallLimit);
  EXPECT_EQ(outcome.bodyBytes, 8u);  // what arrived is counted
  EXPECT_EQ(counts['l'], 2);         // "stalled "
  EXPECT_EQ(counts['d'], 1);

  // A server that answers nothing: connected, no response.
  ASSERT_TRUE(fetch(server_->url("/silent"), counts, outcome));
  EXPECT_EQ(outcome.end, SampleEnd::OverallLimit);
  EXPECT_EQ(outcome.statusLine, "");

  limits_.overallMs = 60000;
  limits_.idleMs = 300;
  start = Clock::now();
  ASSERT_TRUE(fetch(server_->url("/stall"), counts, outcome));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(outcome.end, SampleEnd::IdleLimit);
}

TEST_F(HttpsFetchTest, HandshakeThatNeverComesFailsWithinTheConnectLimit) {
  // A TCP server that never speaks TLS.
  testing::LoopbackServer mute(
      [](Socket& connection) { testing::waitForClose(connection); });
  limits_.connectMs = 500;
  Counts counts;
  SampleOutcome outcome;
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(fetch("https://127.0.0.1:" + std::to_string(mute.port()) + "/",
                     counts, outcome));
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_NE(outcome.failureReason, "");
}

TEST_F(HttpsFetchTest, CancelStopsTheFetchAtOnce) {
  std::atomic<bool> cancel{false};
  limits_.cancel = &cancel;
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    cancel = true;
  });
  LetterProfile profile;
  std::string failure;
  SampleOutcome outcome;
  const Clock::time_point start = Clock::now();
  CountingPass pass;
  EXPECT_FALSE(loadSample(server_->url("/stall"), profile, &failure, pass,
                          limits_, nullptr, &outcome));
  const auto took = Clock::now() - start;
  canceller.join();
  EXPECT_LT(took, std::chrono::milliseconds(300 + 10 * CANCEL_POLL_MS));
  EXPECT_EQ(failure, LOAD_CANCELLED);
  EXPECT_EQ(outcome.end, SampleEnd::Cancelled);
  EXPECT_EQ(profile.sampleCount, 0);
}

TEST_F(HttpsFetchTest, UnreachableAddressesFailWithTheReason) {
  int closedPort;
  {
    SocketServer probe(0, 1, blocking, true);
    closedPort = probe.localPort();
  }
  Counts counts;
  SampleOutcome outcome;
  EXPECT_FALSE(fetch("https://127.0.0.1:" + std::to_string(closedPort) + "/",
                     counts, outcome));
  EXPECT_NE(outcome.failureReason.find("connect"), std::string::npos)
      << outcome.failureReason;

  // A CR LF is refused before anything is sent, as for http://.
  EXPECT_FALSE(fetch(server_->url("/page.html\r\nX: y"), counts, outcome));
  EXPECT_EQ(outcome.failureReason,
            controlByteReason(server_->url("/page.html\r\nX: y"),
                              server_->url("/page.html").size()));
  EXPECT_EQ(counts, ZERO);
}

}  // namespace
}  // namespace letterfreq
