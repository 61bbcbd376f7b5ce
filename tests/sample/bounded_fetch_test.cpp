// Fetches from servers that are slow, endless, silent or reset: each ends
// within its limits and tells how, and an address with a control byte
// never reaches the wire.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "sample/counting_pass.h"
#include "sample/counting_rule.h"
#include "sample/http_fetch.h"
#include "sample/name_lookup.h"
#include "sample/sample_loader.h"
#include "sample/socket.h"
#include "tests/support/hostile_servers.h"

namespace letterfreq {
namespace {

using testing::LoopbackServer;
using testing::OK_HEAD;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using Counts = std::array<int32_t, 255>;

std::string loopbackUrl(int port, const std::string& rest = "/") {
  return "http://127.0.0.1:" + std::to_string(port) + rest;
}

// A fetch and what it took.
struct Fetch {
  bool ok = false;
  Counts counts{};
  SampleOutcome outcome;
  milliseconds took{0};
};

Fetch fetch(const std::string& url, const SampleLimits& limits) {
  Fetch result;
  const Clock::time_point start = Clock::now();
  CountingPass pass;
  result.ok = countUrl(url, result.counts.data(), pass, limits, nullptr,
                       &result.outcome);
  result.took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  return result;
}

SampleLimits shortLimits(int idleMs, int overallMs) {
  SampleLimits limits;
  limits.connectMs = 2000;
  limits.idleMs = idleMs;
  limits.overallMs = overallMs;
  return limits;
}

// Generous upper bounds: the machine is shared and may be slow, but a
// fetch that was not bounded would take for ever.
constexpr milliseconds SLACK{3000};

class BoundedFetchTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(Socket::liveSocketCount.load(), 0);
  }
};

TEST_F(BoundedFetchTest, SlowlorisEndsAtTheOverallLimit) {
  // One byte every 4 s would keep a per-receive limit of 8 s (or 30 s)
  // happy for ever.
  LoopbackServer server(
      testing::slowSession(OK_HEAD, std::string(100, 'a'), milliseconds(4000)));
  const Fetch got = fetch(loopbackUrl(server.port()), shortLimits(8000, 1500));
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.outcome.end, SampleEnd::OverallLimit);
  // The first byte comes at once (a limit of some length lets a busy
  // machine connect in time); the second never comes in time.
  EXPECT_EQ(got.outcome.bodyBytes, 1u);
  EXPECT_EQ(got.counts['a'], 1);
  EXPECT_EQ(got.outcome.statusLine, "HTTP/1.0 200 OK");
  EXPECT_TRUE(got.outcome.statusOk());
  EXPECT_GE(got.took, milliseconds(1500));
  EXPECT_LT(got.took, milliseconds(1500) + SLACK);
}

TEST_F(BoundedFetchTest, NeverEndingBodyEndsAtTheOverallLimit) {
  LoopbackServer server(testing::endlessSession(OK_HEAD, "abc "));
  const Fetch got = fetch(loopbackUrl(server.port()), shortLimits(5000, 500));
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.outcome.end, SampleEnd::OverallLimit);
  EXPECT_GT(got.outcome.bodyBytes, 0u);
  EXPECT_GT(got.counts['a'], 0);
  EXPECT_LT(got.took, milliseconds(500) + SLACK);
}

TEST_F(BoundedFetchTest, EndlessHeadEndsAtTheOverallLimitWithNothingCounted) {
  const std::string longStatus = "HTTP/1.0 200 " + std::string(1000, 'x');
  LoopbackServer server(
      testing::endlessSession(longStatus + "\r\n", "X-Pad: yes\r\n"));
  const Fetch got = fetch(loopbackUrl(server.port()), shortLimits(5000, 500));
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.outcome.end, SampleEnd::OverallLimit);
  EXPECT_FALSE(got.outcome.headEnded);
  EXPECT_EQ(got.outcome.bodyBytes, 0u);
  EXPECT_EQ(got.counts, Counts{});
  // The status line is kept, but only so much of it.
  EXPECT_EQ(got.outcome.statusLine, longStatus.substr(0, STATUS_LINE_MAX));
  EXPECT_LT(got.took, milliseconds(500) + SLACK);
}

TEST_F(BoundedFetchTest, SilentServerEndsAtTheIdleOrTheOverallLimit) {
  {
    LoopbackServer server(testing::silentSession());
    const Fetch got = fetch(loopbackUrl(server.port()), shortLimits(300, 0));
    EXPECT_TRUE(got.ok);
    EXPECT_EQ(got.outcome.end, SampleEnd::IdleLimit);
    EXPECT_EQ(got.outcome.statusLine, "");
    EXPECT_FALSE(got.outcome.statusOk());
    EXPECT_LT(got.took, milliseconds(300) + SLACK);
  }
  {
    LoopbackServer server(testing::silentSession());
    const Fetch got = fetch(loopbackUrl(server.port()), shortLimits(5000, 300));
    EXPECT_EQ(got.outcome.end, SampleEnd::OverallLimit);
    EXPECT_LT(got.took, milliseconds(300) + SLACK);
  }
}

TEST_F(BoundedFetchTest, ResetMidBodyIsToldWithTheBytesThatArrived) {
  const std::string body(5000, 'r');
  LoopbackServer server(testing::resetSession(OK_HEAD + body));
  const Fetch got = fetch(loopbackUrl(server.port()), shortLimits(5000, 5000));
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.outcome.end, SampleEnd::ConnectionReset);
  EXPECT_LE(got.outcome.bodyBytes, body.size());
  EXPECT_EQ(got.counts['r'], static_cast<int32_t>(got.outcome.bodyBytes));
}

TEST_F(BoundedFetchTest, ErrorStatusIsCountedAndTold) {
  LoopbackServer server("HTTP/1.0 404 Not Found\r\n\r\nmissing");
  const Fetch got = fetch(loopbackUrl(server.port()), shortLimits(5000, 5000));
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.outcome.end, SampleEnd::Complete);
  EXPECT_EQ(got.outcome.statusLine, "HTTP/1.0 404 Not Found");
  EXPECT_FALSE(got.outcome.statusOk());
  EXPECT_EQ(got.outcome.bodyBytes, 7u);
  EXPECT_EQ(got.counts['m'], 1);
}

TEST(SampleOutcomeTest, OnlyTwoHundredsAreOk) {
  const std::pair<const char*, bool> lines[] = {
      {"HTTP/1.0 200 OK", true},     {"HTTP/1.1 204 No Content", true},
      {"HTTP/1.0 299", true},        {"HTTP/1.0 301 Moved", false},
      {"HTTP/1.0 404 Not Found", false}, {"HTTP/1.0 2000 OK", false},
      {"HTTP/1.0 20", false},        {"ICY 200 OK", false},
      {"", false},                   {"HTTP/1.0 2x0 OK", false},
  };
  for (const auto& [line, ok] : lines) {
    SampleOutcome outcome;
    outcome.isHttp = true;
    outcome.statusLine = line;
    EXPECT_EQ(outcome.statusOk(), ok) << line;
  }
  EXPECT_TRUE(SampleOutcome().statusOk());  // a file has no status
}

TEST_F(BoundedFetchTest, CancelEndsAStalledFetchAtOnce) {
  std::promise<void> asked;
  LoopbackServer server([&asked](Socket& connection) {
    testing::readRequest(connection);
    asked.set_value();
    testing::waitForClose(connection);
  });
  std::atomic<bool> cancel{false};
  SampleLimits limits = shortLimits(30000, 60000);
  limits.cancel = &cancel;
  std::thread canceller([&] {
    asked.get_future().wait();
    cancel = true;
  });
  const Fetch got = fetch(loopbackUrl(server.port()), limits);
  canceller.join();
  EXPECT_EQ(got.outcome.end, SampleEnd::Cancelled);
  EXPECT_LT(got.took, milliseconds(30000));

  // loadSample makes a cancelled load a failed one.
  cancel = true;
  LetterProfile profile;
  std::string failure;
  SampleOutcome outcome;
  CountingPass pass;
  EXPECT_FALSE(loadSample(loopbackUrl(server.port()), profile, &failure, pass,
                          limits, nullptr, &outcome));
  EXPECT_EQ(failure, LOAD_CANCELLED);
  EXPECT_EQ(outcome.end, SampleEnd::Cancelled);
  EXPECT_EQ(profile.sampleCount, 0);
}

// A resolver that answers after two seconds, when the lookup must have
// given up long before.
bool slowResolver(const std::string&, uint32_t* address, std::string*) {
  std::this_thread::sleep_for(milliseconds(2000));
  *address = 0x0100007F;  // 127.0.0.1
  return true;
}

TEST_F(BoundedFetchTest, SlowNameLookupCountsTowardTheConnectLimit) {
  const Resolver before = nameResolver.exchange(&slowResolver);
  SampleLimits limits = shortLimits(5000, 5000);
  limits.connectMs = 200;
  const Fetch got = fetch("http://slow.example/", limits);
  nameResolver = before;
  EXPECT_FALSE(got.ok);
  EXPECT_NE(got.outcome.failureReason.find("name lookup"), std::string::npos)
      << got.outcome.failureReason;
  EXPECT_LT(got.took, milliseconds(200) + SLACK);
}

TEST_F(BoundedFetchTest, ControlBytesAreRefusedBeforeAnythingIsSent) {
  for (int byte = 0; byte < 128; ++byte) {
    if (byte >= 32 && byte != 127) continue;
    SCOPED_TRACE(byte);
    LoopbackServer server("HTTP/1.0 200 OK\r\n\r\nok");
    std::string url = loopbackUrl(server.port(), "/a");
    url += static_cast<char>(byte);
    url += "X-Injected: yes";
    const Fetch got = fetch(url, shortLimits(2000, 2000));
    EXPECT_FALSE(got.ok);
    EXPECT_EQ(got.outcome.failureReason,
              "the address holds the control byte " + std::to_string(byte) +
                  " at position " + std::to_string(url.find("X-I")));
    EXPECT_EQ(server.request(), "");  // no connection was made
  }
  // The request splitting of the past: CR LF inside the path.
  LoopbackServer server("HTTP/1.0 200 OK\r\n\r\nok");
  LetterProfile profile;
  std::string failure;
  EXPECT_FALSE(loadSample(loopbackUrl(server.port(),
                                      "/a\r\nX-Injected: yes\r\n\r\nGET /second"),
                          profile, &failure));
  EXPECT_EQ(failure, URL_OPEN_FAILED);
  EXPECT_EQ(server.request(), "");
}

TEST_F(BoundedFetchTest, EveryOtherByteGoesOnTheWireAsTyped) {
  std::string path = "/a b\"<>{}|\\^`";
  for (int byte = 128; byte < 256; ++byte) path += static_cast<char>(byte);
  LoopbackServer server("HTTP/1.0 200 OK\r\n\r\nok");
  const Fetch got =
      fetch(loopbackUrl(server.port(), path), shortLimits(2000, 2000));
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(server.request(), "GET " + path + " HTTP/1.0\nHost: 127.0.0.1:" +
                                  std::to_string(server.port()) + "\n\n");
}

}  // namespace
}  // namespace letterfreq
