// The socket layer: a reference-counted IPv4 stream socket (`Socket`), a
// connected client (`SocketClient`), a listening server (`SocketServer`) and
// a read-readiness wait over one or two sockets (`SocketWaiter`).
//
// Copies of a Socket share its handle; the last copy destroyed closes it.
// `liveSocketCount` counts every live socket object, copies included; the
// first one starts the network service and the last one stops it (both do
// nothing but count on POSIX). Failures are thrown as std::runtime_error;
// this layer prints and shows nothing. Receive and send failures are not
// thrown: readRaw returns -1 and the writers ignore the result.
//
// A client gives up connecting (name lookup included) after
// `connectTimeoutMs` and a receive on it that waits `receiveTimeoutMs`
// returns -1 (sample/net_timeouts.h), unless it is given limits of its
// own. Sends never raise SIGPIPE.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "sample/socket_platform.h"

namespace letterfreq {

inline constexpr const char* SOCKET_CREATE_FAILED = "INVALID_SOCKET";
inline constexpr const char* SERVER_BIND_FAILED = "INVALID_SOCKET";
inline constexpr const char* ACCEPT_FAILED = "Invalid Socket";
inline constexpr const char* SELECT_FAILED = "Error in select";
inline constexpr const char* CONNECT_CANCELLED = "cancelled";

// How one bounded receive ended (Socket::readWithin).
enum class ReceiveStatus { Data, Closed, Reset, Failed, TimedOut, Cancelled };
struct Received {
  ReceiveStatus status;
  int bytes;  // > 0 with Data, else 0
};

// Any value other than nonBlocking means blocking.
enum SocketMode : int { blocking = 0, nonBlocking = 1 };

class Socket {
 public:
  // A new IPv4 stream socket; throws SOCKET_CREATE_FAILED.
  Socket();
  // Adopts a connected handle (from accept); closes it when the last copy
  // goes.
  explicit Socket(SocketHandle adopted);
  // Shares the handle: no new platform socket is made.
  Socket(const Socket& other);
  Socket& operator=(const Socket&) = delete;
  virtual ~Socket();

  // One receive of at most `length` bytes: the number received (> 0), 0 when
  // the peer has closed, -1 on error or time out.
  int readRaw(uint8_t* buffer, int length, int flags);
  // One receive of at most `length` bytes that waits no later than
  // `deadline`, and stops within CANCEL_POLL_MS once `cancel` (may be
  // null) turns true.
  Received readWithin(uint8_t* buffer, int length,
                      std::chrono::steady_clock::time_point deadline,
                      const std::atomic<bool>* cancel);
  // Appends LF to the caller's string itself, then sends all of it.
  void writeLine(std::string& text);
  // Sends the string unchanged.
  void writeRaw(const std::string& text);
  // Bytes up to and including the next LF, or up to the peer's close; an
  // empty string on a receive error.
  std::string readLine();
  // What has already arrived, possibly nothing; never waits.
  std::string readAvailable();
  // The local port (useful after binding a server to port 0), or -1.
  int localPort() const;

  static void startNetwork();
  static void stopNetwork();

  SocketHandle handle = INVALID_SOCKET_HANDLE;
  static inline std::atomic<int32_t> liveSocketCount{0};

 private:
  // Gives back one live count, stopping the network service at 0.
  static void releaseNetwork();
  // Closes the shared handle; only the last copy's destructor may, since
  // the other copies still hold its number.
  void closeHandle();

  // Number of Socket objects sharing `handle`. Atomic because tests run a
  // server on one thread and a client on another.
  std::atomic<int32_t>* shareCount = nullptr;
};

class SocketClient : public Socket {
 public:
  // Resolves `host` (first IPv4 address) and connects to the low 16 bits of
  // `port`. Throws "getaddrinfo: ..." or "connect: ..." with the platform's
  // message; the handle and the live count are given back on the way out.
  SocketClient(const std::string& host, int port);
  // The same within timeoutMs for lookup and connection together (<= 0: no
  // limit), giving up once `cancel` (may be null) turns true. Throws
  // "name lookup: ...", "connect: ..." or CONNECT_CANCELLED.
  SocketClient(const std::string& host, int port, int timeoutMs,
               const std::atomic<bool>* cancel);
  ~SocketClient() override = default;
};

class SocketServer : public Socket {
 public:
  // Listens on the low 16 bits of `port` (0: any free port, see localPort)
  // on every local address, or on 127.0.0.1 only. Throws SERVER_BIND_FAILED.
  SocketServer(int port, int backlog, SocketMode mode,
               bool loopbackOnly = false);
  ~SocketServer() override = default;

  // The next waiting connection, or null when none waits on a non-blocking
  // server. Throws ACCEPT_FAILED on any other failure.
  std::unique_ptr<Socket> acceptConnection();
};

class SocketWaiter {
 public:
  // Waits until `first` or `second` (may be null) is readable; with
  // nonBlocking it only looks. Throws SELECT_FAILED.
  SocketWaiter(const Socket* first, const Socket* second, SocketMode mode);

  bool isReadable(const Socket* socket) const;

 private:
  SocketHandle handles_[2] = {INVALID_SOCKET_HANDLE, INVALID_SOCKET_HANDLE};
  bool readable_[2] = {false, false};
  int count_ = 0;
};

}  // namespace letterfreq
