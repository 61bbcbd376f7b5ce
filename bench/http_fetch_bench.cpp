// Fetching and counting a 10 MiB page over loopback from a server thread of
// the benchmark's own, next to counting the same bytes from memory: the gap
// is what the connection and the receives cost.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "sample/counting_rule.h"
#include "sample/http_fetch.h"
#include "sample/socket.h"

namespace letterfreq {
namespace {

constexpr size_t PAGE_SIZE = 10 * 1024 * 1024;

std::string makePage() {
  const char* const pieces[] = {
      "<p class=\"t\">", "Lorem ipsum", " ",  "dolor sit amet", ",\r\n",
      "&nbsp;",          "caf\xC3\xA9", "\t", "</p>",           "na\xC3\xAFve"};
  std::string page;
  uint32_t seed = 1;
  while (page.size() < PAGE_SIZE) {
    seed = seed * 1103515245u + 12345u;
    page += pieces[(seed >> 16) % (sizeof pieces / sizeof pieces[0])];
  }
  return page;
}

// Answers every connection with the same response until destroyed.
class PageServer {
 public:
  explicit PageServer(std::string response)
      : server_(0, 16, blocking, true), response_(std::move(response)) {
    thread_ = std::thread([this] {
      while (!stopping_) {
        std::unique_ptr<Socket> connection = server_.acceptConnection();
        if (stopping_ || !connection) break;
        // Read the whole request: closing on unread bytes would reset the
        // connection and cut the page short.
        std::string line;
        do {
          line = connection->readLine();
        } while (!line.empty() && line != "\n");
        connection->writeRaw(response_);
      }
    });
  }
  ~PageServer() {
    stopping_ = true;
    try {
      SocketClient waker("127.0.0.1", port());
    } catch (const std::exception&) {
    }
    thread_.join();
  }
  int port() const { return server_.localPort(); }

 private:
  SocketServer server_;
  std::string response_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

void BM_CountUrl10MiB(benchmark::State& state) {
  const std::string page = makePage();
  PageServer server("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" +
                    page);
  const std::string url =
      "http://127.0.0.1:" + std::to_string(server.port()) + "/page.html";
  int32_t counts[255];
  int32_t expected[255];
  CountingRule rule(true);
  rule.feed(reinterpret_cast<const uint8_t*>(page.data()), page.size());
  rule.copyCountsTo(expected);
  for (auto _ : state) {
    if (!countUrl(url, counts, true) ||
        !std::equal(counts, counts + 255, expected)) {
      state.SkipWithError("fetch failed or counted wrong");
      break;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_CountUrl10MiB)->Unit(benchmark::kMillisecond);

void BM_CountInMemory10MiB(benchmark::State& state) {
  const std::string page = makePage();
  int32_t counts[255];
  for (auto _ : state) {
    CountingRule rule(true);
    rule.feed(reinterpret_cast<const uint8_t*>(page.data()), page.size());
    rule.copyCountsTo(counts);
    benchmark::DoNotOptimize(counts);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_CountInMemory10MiB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace letterfreq

BENCHMARK_MAIN();
