#include "sample/socket.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "sample/net_timeouts.h"

namespace letterfreq {
namespace {

// Open file descriptors of this process: a failed construction must not
// leave one behind.
int openHandleCount() {
  int count = 0;
  if (DIR* folder = opendir("/proc/self/fd")) {
    while (readdir(folder) != nullptr) ++count;
    closedir(folder);
  }
  return count;
}

// Shortens the time limits for one test and puts the defaults back.
struct ShortTimeouts {
  explicit ShortTimeouts(int ms) {
    connectTimeoutMs = ms;
    receiveTimeoutMs = ms;
  }
  ~ShortTimeouts() {
    connectTimeoutMs = DEFAULT_CONNECT_TIMEOUT_MS;
    receiveTimeoutMs = DEFAULT_RECEIVE_TIMEOUT_MS;
  }
};

std::string expectThrowText(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  ADD_FAILURE() << "nothing was thrown";
  return "";
}

// Reads exactly `size` bytes or what arrives before the close.
std::string readBytes(Socket& socket, size_t size) {
  std::string bytes;
  uint8_t buffer[4096];
  while (bytes.size() < size) {
    const int wanted =
        static_cast<int>(std::min(size - bytes.size(), sizeof buffer));
    const int got = socket.readRaw(buffer, wanted, 0);
    if (got <= 0) break;
    bytes.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(got));
  }
  return bytes;
}

// Every test runs its server on this thread: a connection waits in the
// listen queue until accepted, so no second thread is needed.
class SocketTest : public ::testing::Test {
 protected:
  void TearDown() override {
    serverOwner.reset();
    EXPECT_EQ(Socket::liveSocketCount.load(), 0);
  }

  std::unique_ptr<SocketServer> serverOwner =
      std::make_unique<SocketServer>(0, 4, blocking, true);
  SocketServer& server = *serverOwner;
  int port = server.localPort();
};

TEST_F(SocketTest, LiveCountFollowsClientsAndCopies) {
  EXPECT_EQ(Socket::liveSocketCount.load(), 1);  // the server
  auto first = std::make_unique<SocketClient>("127.0.0.1", port);
  EXPECT_EQ(Socket::liveSocketCount.load(), 2);
  auto second = std::make_unique<SocketClient>("127.0.0.1", port);
  auto copy = std::make_unique<Socket>(*second);
  EXPECT_EQ(Socket::liveSocketCount.load(), 4);
  EXPECT_EQ(copy->handle, second->handle);
  copy.reset();
  second.reset();
  first.reset();
  EXPECT_EQ(Socket::liveSocketCount.load(), 1);
}

TEST_F(SocketTest, CopyClosesTheHandleOnlyWhenTheLastOneGoes) {
  auto client = std::make_unique<SocketClient>("127.0.0.1", port);
  std::unique_ptr<Socket> peer = server.acceptConnection();
  ASSERT_NE(peer, nullptr);
  auto copy = std::make_unique<Socket>(*client);

  client.reset();
  EXPECT_FALSE(
      SocketWaiter(peer.get(), nullptr, nonBlocking).isReadable(peer.get()))
      << "the connection was closed while a copy still holds it";
  copy->writeRaw("z");
  EXPECT_EQ(readBytes(*peer, 1), "z");

  copy.reset();
  uint8_t byte = 0;
  EXPECT_EQ(peer->readRaw(&byte, 1, 0), 0);  // now the peer sees the close
}

TEST_F(SocketTest, WriteLineAppendsLfToTheCallersStringAndSendsIt) {
  SocketClient client("127.0.0.1", port);
  std::unique_ptr<Socket> peer = server.acceptConnection();
  std::string line = "x";
  client.writeLine(line);
  EXPECT_EQ(line, "x\n");
  EXPECT_EQ(readBytes(*peer, 2), "x\n");

  const std::string raw = "no line end\r";
  client.writeRaw(raw);
  EXPECT_EQ(readBytes(*peer, raw.size()), raw);
}

TEST_F(SocketTest, ReadLineEndsAfterLfOrAtTheClose) {
  SocketClient client("127.0.0.1", port);
  std::unique_ptr<Socket> peer = server.acceptConnection();
  peer->writeRaw("ab\nab");
  peer.reset();
  EXPECT_EQ(client.readLine(), "ab\n");
  EXPECT_EQ(client.readLine(), "ab");
  EXPECT_EQ(client.readLine(), "");
}

TEST_F(SocketTest, ReadAvailableTakesWhatArrivedAndNeverWaits) {
  SocketClient client("127.0.0.1", port);
  std::unique_ptr<Socket> peer = server.acceptConnection();
  EXPECT_EQ(client.readAvailable(), "");  // nothing sent: returns at once

  const std::string sent(3000, 'q');  // more than one 1,024-byte receive
  peer->writeRaw(sent);
  std::string gathered;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (gathered.size() < sent.size() &&
         std::chrono::steady_clock::now() < deadline) {
    SocketWaiter(&client, nullptr, blocking);
    gathered += client.readAvailable();
  }
  EXPECT_EQ(gathered, sent);
}

TEST_F(SocketTest, WaiterReportsOnlyTheReadableSockets) {
  SocketClient quiet("127.0.0.1", port);
  std::unique_ptr<Socket> quietPeer = server.acceptConnection();
  SocketClient talking("127.0.0.1", port);
  std::unique_ptr<Socket> talkingPeer = server.acceptConnection();

  SocketWaiter idle(&quiet, &talking, nonBlocking);
  EXPECT_FALSE(idle.isReadable(&quiet));
  EXPECT_FALSE(idle.isReadable(&talking));

  talkingPeer->writeRaw("!");
  SocketWaiter ready(&quiet, &talking, blocking);
  EXPECT_FALSE(ready.isReadable(&quiet));
  EXPECT_TRUE(ready.isReadable(&talking));

  // The same socket twice is one entry; a socket not asked about is not
  // readable.
  SocketWaiter twice(&talking, &talking, nonBlocking);
  EXPECT_TRUE(twice.isReadable(&talking));
  EXPECT_FALSE(twice.isReadable(quietPeer.get()));
}

TEST_F(SocketTest, NonBlockingServerWithNobodyWaitingAcceptsNull) {
  SocketServer idle(0, 4, nonBlocking, true);
  EXPECT_EQ(idle.acceptConnection(), nullptr);

  SocketClient client("127.0.0.1", idle.localPort());
  SocketWaiter(&idle, nullptr, blocking);  // a waiting caller is readable
  EXPECT_NE(idle.acceptConnection(), nullptr);
}

TEST_F(SocketTest, ClientConnectsToTheLow16BitsOfThePort) {
  SocketClient client("127.0.0.1", port + 65536);
  std::unique_ptr<Socket> peer = server.acceptConnection();
  client.writeRaw("hi");
  EXPECT_EQ(readBytes(*peer, 2), "hi");
}

TEST_F(SocketTest, UnresolvableHostThrowsAndLeavesNothingBehind) {
  const int handlesBefore = openHandleCount();
  const std::string text =
      expectThrowText([] { SocketClient client("no-such-host.invalid", 80); });
  EXPECT_EQ(text.rfind("getaddrinfo: ", 0), 0u) << text;
  EXPECT_EQ(Socket::liveSocketCount.load(), 1);  // only the server
  EXPECT_EQ(openHandleCount(), handlesBefore);
}

TEST_F(SocketTest, RefusedPortThrowsTheConnectFailure) {
  int closedPort = 0;
  {
    SocketServer gone(0, 1, blocking, true);
    closedPort = gone.localPort();
  }
  const int handlesBefore = openHandleCount();
  EXPECT_EQ(
      expectThrowText([&] { SocketClient client("127.0.0.1", closedPort); }),
      "connect: Connection refused");
  EXPECT_EQ(Socket::liveSocketCount.load(), 1);
  EXPECT_EQ(openHandleCount(), handlesBefore);
}

TEST_F(SocketTest, ConnectGivesUpWhenTheServerNeverAnswers) {
  // A full listen queue makes the kernel drop further connection attempts,
  // so the next connect waits like one to a dead host.
  SocketServer full(0, 0, blocking, true);
  SocketClient queued("127.0.0.1", full.localPort());
  ShortTimeouts limits(200);
  EXPECT_EQ(expectThrowText(
                [&] { SocketClient client("127.0.0.1", full.localPort()); }),
            "connect: Connection timed out");
}

TEST_F(SocketTest, ReceiveGivesUpWhenThePeerStaysSilent) {
  ShortTimeouts limits(200);
  SocketClient client("127.0.0.1", port);
  std::unique_ptr<Socket> peer = server.acceptConnection();
  uint8_t byte = 0;
  EXPECT_EQ(client.readRaw(&byte, 1, 0), -1);
}

TEST_F(SocketTest, SendingToAClosedPeerDoesNotKillTheProgram) {
  // The default action of SIGPIPE ends the process; make sure it is in
  // force, so that surviving proves no signal was raised.
  auto previous = std::signal(SIGPIPE, SIG_DFL);
  {
    SocketClient client("127.0.0.1", port);
    server.acceptConnection().reset();  // the peer closes at once
    const std::string block(64 * 1024, 'x');
    for (int i = 0; i < 64; ++i) client.writeRaw(block);
    std::string line = "still here";
    client.writeLine(line);
  }
  std::signal(SIGPIPE, previous);
  SUCCEED();
}

TEST_F(SocketTest, BindingATakenPortThrows) {
  EXPECT_EQ(expectThrowText([&] { SocketServer second(port, 1, blocking); }),
            SERVER_BIND_FAILED);
  EXPECT_EQ(Socket::liveSocketCount.load(), 1);
}

}  // namespace
}  // namespace letterfreq
