#include "sample/socket.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "sample/name_lookup.h"
#include "sample/net_timeouts.h"
#include "sample/sample_limits.h"

namespace letterfreq {

Socket::Socket() : shareCount(new std::atomic<int32_t>(1)) {
  startNetwork();
  handle = openStreamSocket();
  if (handle == INVALID_SOCKET_HANDLE) {
    delete shareCount;
    releaseNetwork();
    throw std::runtime_error(SOCKET_CREATE_FAILED);
  }
}

Socket::Socket(SocketHandle adopted)
    : handle(adopted), shareCount(new std::atomic<int32_t>(1)) {
  startNetwork();
}

Socket::Socket(const Socket& other)
    : handle(other.handle), shareCount(other.shareCount) {
  shareCount->fetch_add(1);
  liveSocketCount.fetch_add(1);
}

Socket::~Socket() {
  if (shareCount->fetch_sub(1) == 1) {
    closeHandle();
    delete shareCount;
  }
  releaseNetwork();
}

void Socket::startNetwork() {
  // POSIX sockets need no start-up; only the count is kept.
  liveSocketCount.fetch_add(1);
}

void Socket::stopNetwork() {}

void Socket::releaseNetwork() {
  if (liveSocketCount.fetch_sub(1) == 1) stopNetwork();
}

int Socket::readRaw(uint8_t* buffer, int length, int flags) {
  const size_t size = length > 0 ? static_cast<size_t>(length) : 0;
  return static_cast<int>(receiveBytes(handle, buffer, size, flags));
}

Received Socket::readWithin(uint8_t* buffer, int length,
                            std::chrono::steady_clock::time_point deadline,
                            const std::atomic<bool>* cancel) {
  using Clock = std::chrono::steady_clock;
  for (;;) {
    if (cancel != nullptr && cancel->load()) {
      return {ReceiveStatus::Cancelled, 0};
    }
    // Rounded up: the wait lasts until the deadline, not just short of it.
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return {ReceiveStatus::TimedOut, 0};
    const int sliceMs =
        static_cast<int>(std::min<long long>(left.count(), CANCEL_POLL_MS));
    bool readable = false;
    const int ready = waitReadable(&handle, &readable, 1, sliceMs);
    if (ready < 0) return {ReceiveStatus::Failed, 0};
    if (!readable) continue;
    int error = 0;
    const size_t size = length > 0 ? static_cast<size_t>(length) : 0;
    const long received = receiveBytes(handle, buffer, size, 0, &error);
    if (received > 0) return {ReceiveStatus::Data, static_cast<int>(received)};
    if (received == 0) return {ReceiveStatus::Closed, 0};
    if (isWouldBlock(error)) continue;
    return {isConnectionReset(error) ? ReceiveStatus::Reset
                                     : ReceiveStatus::Failed,
            0};
  }
}

void Socket::writeLine(std::string& text) {
  text.push_back('\n');
  writeRaw(text);
}

void Socket::writeRaw(const std::string& text) {
  sendAllBytes(handle, text.data(), text.size());
}

std::string Socket::readLine() {
  std::string line;
  for (;;) {
    uint8_t byte = 0;
    const long received = receiveBytes(handle, &byte, 1, 0);
    if (received < 0) return std::string();
    if (received == 0) return line;
    line.push_back(static_cast<char>(byte));
    if (byte == '\n') return line;
  }
}

std::string Socket::readAvailable() {
  std::string gathered;
  uint8_t buffer[1024];
  for (;;) {
    const long waiting = bytesWaiting(handle);
    if (waiting <= 0) break;
    const size_t wanted = std::min(static_cast<size_t>(waiting), sizeof buffer);
    const long received = receiveBytes(handle, buffer, wanted, 0);
    if (received <= 0) break;
    gathered.append(reinterpret_cast<const char*>(buffer),
                    static_cast<size_t>(received));
  }
  return gathered;
}

void Socket::closeHandle() {
  closeSocketHandle(handle);
  handle = INVALID_SOCKET_HANDLE;
}

int Socket::localPort() const { return letterfreq::localPort(handle); }

SocketClient::SocketClient(const std::string& host, int port)
    : SocketClient(host, port, connectTimeoutMs, nullptr) {}

SocketClient::SocketClient(const std::string& host, int port, int timeoutMs,
                           const std::atomic<bool>* cancel) {
  // A throw below destroys the base, which closes the handle and gives the
  // live count back.
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  uint32_t address = 0;
  std::string failure;
  switch (lookUpIPv4(host, timeoutMs, cancel, &address, &failure)) {
    case LookupResult::Found:
      break;
    case LookupResult::Failed:
      throw std::runtime_error("getaddrinfo: " + failure);
    case LookupResult::TimedOut:
      throw std::runtime_error("name lookup: no answer within " +
                               std::to_string(timeoutMs) + " ms");
    case LookupResult::Cancelled:
      throw std::runtime_error(CONNECT_CANCELLED);
  }
  int leftMs = 0;  // no limit
  if (timeoutMs > 0) {
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(
        Clock::now() - start);
    leftMs = std::max(1, timeoutMs - static_cast<int>(spent.count()));
  }
  const int error = connectIPv4(
      handle, address, static_cast<uint16_t>(port & 0xFFFF), leftMs, cancel);
  if (error == ECANCELED) throw std::runtime_error(CONNECT_CANCELLED);
  if (error != 0) throw std::runtime_error("connect: " + errorText(error));
  setTransferTimeouts(handle, receiveTimeoutMs);
}

SocketServer::SocketServer(int port, int backlog, SocketMode mode,
                           bool loopbackOnly) {
  if (mode == nonBlocking) setNonBlocking(handle, true);
  if (bindIPv4(handle, static_cast<uint16_t>(port & 0xFFFF), loopbackOnly) !=
      0) {
    // The base's destructor closes the handle (once).
    throw std::runtime_error(SERVER_BIND_FAILED);
  }
  listenOn(handle, backlog);
}

std::unique_ptr<Socket> SocketServer::acceptConnection() {
  int error = 0;
  const SocketHandle accepted = acceptOn(handle, &error);
  if (accepted == INVALID_SOCKET_HANDLE) {
    if (isWouldBlock(error)) return nullptr;
    throw std::runtime_error(ACCEPT_FAILED);
  }
  return std::make_unique<Socket>(accepted);
}

SocketWaiter::SocketWaiter(const Socket* first, const Socket* second,
                           SocketMode mode) {
  if (first != nullptr) handles_[count_++] = first->handle;
  if (second != nullptr && (count_ == 0 || second->handle != handles_[0])) {
    handles_[count_++] = second->handle;
  }
  if (count_ == 0) return;  // nothing could ever become readable
  if (waitReadable(handles_, readable_, count_, mode == nonBlocking ? 0 : -1) <
      0) {
    throw std::runtime_error(SELECT_FAILED);
  }
}

bool SocketWaiter::isReadable(const Socket* socket) const {
  if (socket == nullptr) return false;
  for (int i = 0; i < count_; ++i) {
    if (handles_[i] == socket->handle) return readable_[i];
  }
  return false;
}

}  // namespace letterfreq
