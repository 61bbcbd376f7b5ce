#include "sample/http_fetch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "sample/counting_rule.h"
#include "sample/net_timeouts.h"
#include "sample/sample_loader.h"
#include "sample/socket.h"
#include "tests/support/loopback_server.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace letterfreq {
namespace {

using testing::LoopbackServer;
using Counts = std::array<int32_t, 255>;

Counts ruleCounts(const std::string& body, bool filterMarkup = true) {
  CountingRule rule(filterMarkup);
  rule.feed(reinterpret_cast<const uint8_t*>(body.data()), body.size());
  Counts counts{};
  rule.copyCountsTo(counts.data());
  return counts;
}

Counts filled(int32_t value) {
  Counts counts;
  counts.fill(value);
  return counts;
}

std::string loopbackUrl(int port, const std::string& rest = "") {
  return "http://127.0.0.1:" + std::to_string(port) + rest;
}

// ---- The address split and the request, as pure functions ----

struct AddressCase {
  std::string url;
  std::string host;
  std::string portText;
  uint16_t port;
  std::string path;
};

TEST(HttpFetchTest, SplitsEveryAddressForm) {
  const AddressCase cases[] = {
      {"http://H", "H", "80", 80, "/"},
      {"http://H:8080", "H", "8080", 8080, "/"},
      {"http://H/a:b?c#d", "H", "80", 80, "/a:b?c#d"},
      {"http://H:abc/x", "H", "80", 80, "/x"},
      {"http://H:65616/", "H", "65616", 80, "/"},
      {"http://H:65536/p", "H", "80", 80, "/p"},  // a multiple of 65,536
      {"http://H:/p", "H", "80", 80, "/p"},
      {"http://H: +81x/p", "H", " +81x", 81, "/p"},  // as atoi reads it
      {"http://H:-1", "H", "-1", 65535, "/"},
      {"http://H:99999999999999999999", "H", "99999999999999999999", 65535,
       "/"},
      {"http://www.example.org:81/dir/page.html?q=1", "www.example.org", "81",
       81, "/dir/page.html?q=1"},
      {"http://", "", "80", 80, "/"},
      {"http://:8000", "", "8000", 8000, "/"},
      {std::string("http://H/a\0b", 12), "H", "80", 80, "/a"},  // C text
  };
  for (const AddressCase& c : cases) {
    SCOPED_TRACE(c.url);
    const UrlParts parts = splitUrl(c.url);
    EXPECT_EQ(parts.host, c.host);
    EXPECT_EQ(parts.portText, c.portText);
    EXPECT_EQ(parts.port, c.port);
    EXPECT_EQ(parts.path, c.path);
  }
}

TEST(HttpFetchTest, RequestIsThreeLfEndedLines) {
  EXPECT_EQ(requestText(splitUrl("http://H")),
            "GET / HTTP/1.0\nHost: H:80\n\n");
  EXPECT_EQ(requestText(splitUrl("http://H:8080")),
            "GET / HTTP/1.0\nHost: H:8080\n\n");
  EXPECT_EQ(requestText(splitUrl("http://H/a:b?c#d")),
            "GET /a:b?c#d HTTP/1.0\nHost: H:80\n\n");
  EXPECT_EQ(requestText(splitUrl("http://H:abc/x")),
            "GET /x HTTP/1.0\nHost: H:80\n\n");
  EXPECT_EQ(requestText(splitUrl("http://H:65616/")),
            "GET / HTTP/1.0\nHost: H:65616\n\n");
}

// The head may end in any receive: for every cut of the response into two
// reads, the counted body is the same.
TEST(HttpFetchTest, HeadSkipFindsTheEmptyLineAcrossReads) {
  const std::string heads[] = {
      "HTTP/1.0 200 OK\r\nA: b\r\n\r\n",
      "HTTP/1.0 200 OK\nA: b\n\n",
      "HTTP/1.0 200 OK\nA: b\n\r\n",
      "HTTP/1.0 200 OK\r\n\r\r\n",  // CR is ignored, even twice
      "\n\n",
  };
  const std::string body = "<p>Hello</p>\r\n\n&amp; x";
  const Counts expected = ruleCounts(body);
  for (const std::string& head : heads) {
    const std::string response = head + body;
    for (size_t cut = 0; cut <= response.size(); ++cut) {
      SCOPED_TRACE(head + " cut at " + std::to_string(cut));
      CountingRule rule(true);
      ResponseHeadSkip skip;
      for (const auto& [from, to] :
           {std::pair<size_t, size_t>{0, cut}, {cut, response.size()}}) {
        const auto* bytes =
            reinterpret_cast<const uint8_t*>(response.data()) + from;
        const size_t headBytes = skip.over() ? 0 : skip.skip(bytes, to - from);
        rule.feed(bytes + headBytes, to - from - headBytes);
      }
      Counts counts{};
      rule.copyCountsTo(counts.data());
      ASSERT_EQ(counts, expected);
    }
  }
}

TEST(HttpFetchTest, HeadWithoutEmptyLineTakesEverything) {
  const std::string response = "HTTP/1.0 200 OK\r\nA: b\r\nbody\n";
  ResponseHeadSkip skip;
  EXPECT_EQ(skip.skip(reinterpret_cast<const uint8_t*>(response.data()),
                      response.size()),
            response.size());
  EXPECT_FALSE(skip.over());
}

// ---- Fetches from servers of our own on 127.0.0.1 ----

class HttpFetchNetTest : public ::testing::Test {
 protected:
  void TearDown() override {
    connectTimeoutMs = DEFAULT_CONNECT_TIMEOUT_MS;
    receiveTimeoutMs = DEFAULT_RECEIVE_TIMEOUT_MS;
    EXPECT_EQ(Socket::liveSocketCount.load(), 0);
  }

  Counts counts = filled(7);  // the fetch must clear it
};

TEST_F(HttpFetchNetTest, SendsTheExactRequestBytes) {
  const std::string reply = "HTTP/1.0 200 OK\r\n\r\nok";
  {
    LoopbackServer server(reply);
    EXPECT_TRUE(countUrl(loopbackUrl(server.port()), counts.data(), true));
    EXPECT_EQ(server.request(), "GET / HTTP/1.0\nHost: 127.0.0.1:" +
                                    std::to_string(server.port()) + "\n\n");
  }
  {
    LoopbackServer server(reply);
    EXPECT_TRUE(
        countUrl(loopbackUrl(server.port(), "/a:b?c#d"), counts.data(), true));
    EXPECT_EQ(server.request(), "GET /a:b?c#d HTTP/1.0\nHost: 127.0.0.1:" +
                                    std::to_string(server.port()) + "\n\n");
  }
  {
    // Only the low 16 bits choose the port; the Host line keeps the text.
    LoopbackServer server(reply);
    const std::string portText = std::to_string(server.port() + 65536);
    EXPECT_TRUE(
        countUrl("http://localhost:" + portText + "/x", counts.data(), true));
    EXPECT_EQ(server.request(),
              "GET /x HTTP/1.0\nHost: localhost:" + portText + "\n\n");
  }
  EXPECT_EQ(counts['o'], 1);
  EXPECT_EQ(counts['k'], 1);
}

TEST_F(HttpFetchNetTest, CountsTheBodyAfterEachKindOfHeadEnd) {
  const std::string headEnds[] = {"\r\n\r\n", "\n\n", "\n\r\n"};
  Counts expected{};
  expected['H'] = 1;
  expected['e'] = 1;
  expected['l'] = 2;
  expected['o'] = 1;
  expected['\n'] = 1;
  for (const std::string& end : headEnds) {
    SCOPED_TRACE(::testing::PrintToString(end));
    LoopbackServer server("HTTP/1.0 200 OK" + end + "Hello\r\n");
    counts = filled(7);
    EXPECT_TRUE(countUrl(loopbackUrl(server.port()), counts.data(), true));
    EXPECT_EQ(counts, expected);
  }
}

TEST_F(HttpFetchNetTest, AnyStatusIsCountedAndMarkupFollowsTheFlag) {
  const std::string body = "<h1>Not &amp; Found</h1>";
  {
    LoopbackServer server("HTTP/1.0 404 Not Found\r\n\r\n" + body);
    EXPECT_TRUE(countUrl(loopbackUrl(server.port()), counts.data(), true));
    EXPECT_EQ(counts, ruleCounts(body, true));
  }
  {
    LoopbackServer server("HTTP/1.0 404 Not Found\r\n\r\n" + body);
    EXPECT_TRUE(countUrl(loopbackUrl(server.port()), counts.data(), false));
    EXPECT_EQ(counts, ruleCounts(body, false));
    EXPECT_EQ(counts['<'], 2);
  }
}

TEST_F(HttpFetchNetTest, ResponseWithoutEmptyLineCountsNothing) {
  LoopbackServer server("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nab");
  EXPECT_TRUE(countUrl(loopbackUrl(server.port()), counts.data(), true));
  EXPECT_EQ(counts, Counts{});
}

TEST_F(HttpFetchNetTest, EarlyCloseCountsWhatArrived) {
  {
    LoopbackServer server("");  // closes without a byte
    EXPECT_TRUE(countUrl(loopbackUrl(server.port()), counts.data(), true));
    EXPECT_EQ(counts, Counts{});
  }
  {
    LoopbackServer server("HTTP/1.0 200 OK\n\nab<span cla");  // mid-tag
    EXPECT_TRUE(countUrl(loopbackUrl(server.port()), counts.data(), true));
    EXPECT_EQ(counts, ruleCounts("ab"));
  }
}

TEST_F(HttpFetchNetTest, StalledServerEndsTheDataAfterTheReceiveLimit) {
  receiveTimeoutMs = 300;
  // The server sends part of a page, then keeps the connection open until
  // the client gives up and closes it.
  LoopbackServer server("HTTP/1.0 200 OK\r\n\r\nabc", /*holdOpen=*/true);
  EXPECT_TRUE(countUrl(loopbackUrl(server.port()), counts.data(), true));
  EXPECT_EQ(counts, ruleCounts("abc"));
}

TEST_F(HttpFetchNetTest, UnresolvableHostFailsWithZeroCounts) {
  EXPECT_FALSE(countUrl("http://no-such-host.invalid/", counts.data(), true));
  EXPECT_EQ(counts, Counts{});

  LetterProfile profile;
  std::string failure;
  EXPECT_FALSE(
      loadSample("http://no-such-host.invalid:8080/x", profile, &failure));
  EXPECT_EQ(failure, URL_OPEN_FAILED);
  EXPECT_EQ(profile.sampleCount, 0);
}

TEST_F(HttpFetchNetTest, RefusedPortFails) {
  int closedPort = 0;
  {
    SocketServer gone(0, 1, blocking, true);
    closedPort = gone.localPort();
  }
  EXPECT_FALSE(countUrl(loopbackUrl(closedPort, "/"), counts.data(), true));
  EXPECT_EQ(counts, Counts{});
}

TEST_F(HttpFetchNetTest, ServerThatNeverAcceptsFailsAfterTheConnectLimit) {
  // A full listen queue: further connection attempts go unanswered.
  SocketServer full(0, 0, blocking, true);
  SocketClient queued("127.0.0.1", full.localPort());
  connectTimeoutMs = 200;
  EXPECT_FALSE(countUrl(loopbackUrl(full.localPort()), counts.data(), true));
  EXPECT_EQ(counts, Counts{});
}

// A big page arrives in many receives of any size; the counts are those of
// the counting rule over the whole body.
TEST_F(HttpFetchNetTest, LargePageCountsLikeTheWholeBody) {
  const std::string pieces[] = {"<p class=\"x\">",
                                "Hello",
                                " ",
                                "  ",
                                "\r\n",
                                "&nbsp;",
                                "w\xc3\xb6rld",
                                "\t",
                                "</p>",
                                "&",
                                ";",
                                ">",
                                "a",
                                "\xff",
                                std::string(1, '\0')};
  std::string body;
  uint32_t seed = 12345;
  while (body.size() < 10 * 1024 * 1024) {
    seed = seed * 1103515245u + 12345u;
    body += pieces[(seed >> 16) % (sizeof pieces / sizeof pieces[0])];
  }
  LoopbackServer server("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n" + body);
  EXPECT_TRUE(countUrl(loopbackUrl(server.port()), counts.data(), true));
  EXPECT_EQ(counts, ruleCounts(body));
}

// ---- End to end against Python's http.server ----

// Runs "python3 -m http.server" on a free loopback port serving `folder`;
// stops it on destruction.
class PythonWebServer {
 public:
  explicit PythonWebServer(const std::string& folder) {
    {
      SocketServer probe(0, 1, blocking, true);
      port_ = probe.localPort();
    }
    const std::string portText = std::to_string(port_);
    const char* argv[] = {
        "python3",     "-m",           "http.server",    "--bind", "127.0.0.1",
        "--directory", folder.c_str(), portText.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "python3", &actions, nullptr,
                     const_cast<char* const*>(argv), environ) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
  }

  ~PythonWebServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

  // True once the server accepts connections; false if it ended or did not
  // come up within 30 seconds.
  bool waitUntilServing() {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
      try {
        SocketClient probe("127.0.0.1", port_);
        return true;
      } catch (const std::exception&) {
      }
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;  // it ended (no python3, or the port was taken)
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  int port() const { return port_; }

 private:
  int port_ = 0;
  pid_t pid_ = -1;
};

std::string samplePage() {
  std::string page =
      "<!DOCTYPE html>\r\n<html><head><title>Proben &amp; Tests</title>"
      "</head>\r\n<body>\r\n<p class='a'>Der  schnelle braune Fuchs "
      "spr\xc3\xbcngt &uuml;ber den faulen Hund.</p>\n\t<p>a > b &lt; c"
      "</p>\n<a href='?x=1&y=2'>text; more</a>\n";
  for (int i = 0; i < 5000; ++i) {
    page += "<li>Zeile " + std::to_string(i) + ":\t\xce\xb1\xce\xb2\xce\xb3 " +
            std::string(static_cast<size_t>(i % 7), ' ') + "x\r\n</li>";
  }
  return page + "</body></html>\n";
}

TEST(HttpFetchEndToEndTest, PageFromPythonHttpServerCountsLikeTheFile) {
  testing::TempDir folder;
  const std::string file = folder.write("page.html", samplePage());
  PythonWebServer web(folder.path());
  ASSERT_TRUE(web.waitUntilServing()) << "python3 -m http.server did not start";

  for (bool filterMarkup : {true, false}) {
    SCOPED_TRACE(filterMarkup);
    Counts fromFile{};
    ASSERT_TRUE(countFile(file, fromFile.data(), filterMarkup));
    Counts fromWeb = filled(7);
    EXPECT_TRUE(countUrl(loopbackUrl(web.port(), "/page.html"), fromWeb.data(),
                         filterMarkup));
    EXPECT_EQ(fromWeb, fromFile);
  }
  EXPECT_EQ(Socket::liveSocketCount.load(), 0);
}

}  // namespace
}  // namespace letterfreq
