// Test helper: sessions for LoopbackServer that misbehave the ways real
// servers do: too slow, endless, silent, reset. Each reads the request
// first and ends once the client has gone (its close is seen by a receive
// or a failed send), so a test waits for nothing but the client.
#pragma once

#include <chrono>
#include <string>

#include "tests/support/loopback_server.h"

namespace letterfreq {
namespace testing {

inline constexpr const char* OK_HEAD = "HTTP/1.0 200 OK\r\n\r\n";

// Sends `head`, then one byte of `body` every `interval` until the client
// closes (or the body ends, after which it waits for the close).
LoopbackServer::Session slowSession(const std::string& head,
                                    const std::string& body,
                                    std::chrono::milliseconds interval);

// Sends `head`, then `chunk` over and over until the client closes.
LoopbackServer::Session endlessSession(const std::string& head,
                                       const std::string& chunk);

// Reads the request and answers nothing until the client closes.
LoopbackServer::Session silentSession();

// Sends `reply`, then resets the connection (an RST, not a close).
LoopbackServer::Session resetSession(const std::string& reply);

}  // namespace testing
}  // namespace letterfreq
