#include "tests/support/loopback_server.h"

#include <cstdint>
#include <exception>
#include <utility>

namespace letterfreq {
namespace testing {

LoopbackServer::LoopbackServer(Session session)
    : server_(0, 4, blocking, true), port_(server_.localPort()) {
  thread_ = std::thread([this, session = std::move(session)] {
    try {
      std::unique_ptr<Socket> connection = server_.acceptConnection();
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_ || !connection) return;
        accepted_ = true;
      }
      session(*connection);
    } catch (const std::exception&) {
      // A failed session shows up as a wrong result in the test itself.
    }
  });
}

LoopbackServer::LoopbackServer(const std::string& reply, bool holdOpen)
    : LoopbackServer([this, reply, holdOpen](Socket& connection) {
        request_ = readRequest(connection);
        connection.writeRaw(reply);
        if (holdOpen) waitForClose(connection);
      }) {}

LoopbackServer::~LoopbackServer() { finish(); }

std::string LoopbackServer::request() {
  finish();
  return request_;
}

void LoopbackServer::finish() {
  if (!thread_.joinable()) return;
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    wake = !accepted_;
  }
  if (wake) {
    try {
      SocketClient waker("127.0.0.1", port_);
    } catch (const std::exception&) {
    }
  }
  thread_.join();
}

std::string readRequest(Socket& connection) {
  std::string request;
  uint8_t byte = 0;
  while (request.size() < 2 || request.compare(request.size() - 2, 2, "\n\n")) {
    if (connection.readRaw(&byte, 1, 0) <= 0) break;
    request.push_back(static_cast<char>(byte));
  }
  return request;
}

void waitForClose(Socket& connection) {
  uint8_t buffer[256];
  while (connection.readRaw(buffer, sizeof buffer, 0) > 0) {
  }
}

}  // namespace testing
}  // namespace letterfreq
