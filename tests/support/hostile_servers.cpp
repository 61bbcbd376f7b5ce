#include "tests/support/hostile_servers.h"

#include <sys/socket.h>

#include <cstdint>

namespace letterfreq {
namespace testing {
namespace {

// Waits up to `wait` for the client; true once it has closed or failed.
// What it sends is dropped.
bool clientGone(Socket& connection, std::chrono::milliseconds wait) {
  uint8_t buffer[256];
  const Received received = connection.readWithin(
      buffer, sizeof buffer, std::chrono::steady_clock::now() + wait, nullptr);
  return received.status != ReceiveStatus::Data &&
         received.status != ReceiveStatus::TimedOut;
}

bool sendAll(Socket& connection, const std::string& bytes) {
  return sendAllBytes(connection.handle, bytes.data(), bytes.size()) ==
         static_cast<long>(bytes.size());
}

}  // namespace

LoopbackServer::Session slowSession(const std::string& head,
                                    const std::string& body,
                                    std::chrono::milliseconds interval) {
  return [head, body, interval](Socket& connection) {
    readRequest(connection);
    if (!sendAll(connection, head)) return;
    for (const char byte : body) {
      if (!sendAll(connection, std::string(1, byte))) return;
      if (clientGone(connection, interval)) return;
    }
    waitForClose(connection);
  };
}

LoopbackServer::Session endlessSession(const std::string& head,
                                       const std::string& chunk) {
  return [head, chunk](Socket& connection) {
    readRequest(connection);
    if (!sendAll(connection, head)) return;
    while (sendAll(connection, chunk)) {
    }
  };
}

LoopbackServer::Session silentSession() {
  return [](Socket& connection) {
    readRequest(connection);
    waitForClose(connection);
  };
}

LoopbackServer::Session resetSession(const std::string& reply) {
  return [reply](Socket& connection) {
    readRequest(connection);
    sendAll(connection, reply);
    // A zero linger time makes the close send RST.
    const linger abort{1, 0};
    setsockopt(connection.handle, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  };
}

}  // namespace testing
}  // namespace letterfreq
