// Test helper: a server on 127.0.0.1 (a free port) that accepts one
// connection on its own thread and runs a session on it. The destructor
// waits for the session; a server that was never called is woken by a
// connection of its own, so a failing test cannot hang in accept.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sample/socket.h"

namespace letterfreq {
namespace testing {

class LoopbackServer {
 public:
  using Session = std::function<void(Socket& connection)>;

  explicit LoopbackServer(Session session);
  // The canned-reply session: keeps the request (up to its empty line),
  // sends `reply`, and with `holdOpen` waits for the client to close first.
  explicit LoopbackServer(const std::string& reply, bool holdOpen = false);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  // Waits for the session to end; then what the canned-reply session read.
  std::string request();

 private:
  void finish();

  SocketServer server_;
  int port_;
  std::thread thread_;
  std::mutex mutex_;
  bool accepted_ = false;
  bool stopping_ = false;
  std::string request_;
};

// Reads up to and including the first "\n\n" (a request's end) or the close.
std::string readRequest(Socket& connection);

// Waits until the peer closes (or fails); what it sent is dropped.
void waitForClose(Socket& connection);

}  // namespace testing
}  // namespace letterfreq
