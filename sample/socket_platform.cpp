#include "sample/socket_platform.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace letterfreq {

namespace {

constexpr int CONNECT_POLL_SLICE_MS = 50;

sockaddr_in ipv4Address(uint32_t address, uint16_t port) {
  sockaddr_in result;
  std::memset(&result, 0, sizeof result);
  result.sin_family = AF_INET;
  result.sin_port = htons(port);
  result.sin_addr.s_addr = address;
  return result;
}

// Waits for a non-blocking connect to finish; 0 or an errno value. With a
// cancel flag the wait is cut into slices so that the flag is seen soon.
int finishConnect(SocketHandle handle, int timeoutMs,
                  const std::atomic<bool>* cancel) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (cancel != nullptr && cancel->load()) return ECANCELED;
    int waitMs = cancel != nullptr ? CONNECT_POLL_SLICE_MS : -1;
    if (timeoutMs > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - Clock::now());
      if (left.count() <= 0) return ETIMEDOUT;
      waitMs = waitMs < 0 ? static_cast<int>(left.count())
                          : std::min(waitMs, static_cast<int>(left.count()));
    }
    pollfd entry{handle, POLLOUT, 0};
    const int ready = poll(&entry, 1, waitMs);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (ready == 0) continue;  // the slice or the limit ran out: look again
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(handle, SOL_SOCKET, SO_ERROR, &error, &size) != 0) {
      return errno;
    }
    return error;
  }
}

}  // namespace

SocketHandle openStreamSocket() {
  const int handle = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  return handle < 0 ? INVALID_SOCKET_HANDLE : handle;
}

void closeSocketHandle(SocketHandle handle) {
  if (handle != INVALID_SOCKET_HANDLE) close(handle);
}

bool resolveIPv4(const std::string& host, uint32_t* address,
                 std::string* error) {
  addrinfo hints;
  std::memset(&hints, 0, sizeof hints);
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int result = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (result != 0) {
    *error = result == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(result);
    return false;
  }
  bool ok = false;
  for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family == AF_INET && entry->ai_addr != nullptr) {
      sockaddr_in ipv4;
      std::memcpy(&ipv4, entry->ai_addr, sizeof ipv4);
      *address = ipv4.sin_addr.s_addr;
      ok = true;
      break;
    }
  }
  freeaddrinfo(found);
  if (!ok) *error = "no IPv4 address";
  return ok;
}

int connectIPv4(SocketHandle handle, uint32_t address, uint16_t port,
                int timeoutMs, const std::atomic<bool>* cancel) {
  // Connect without blocking so that the wait can be limited, then give the
  // socket back its blocking mode.
  const int flags = fcntl(handle, F_GETFL, 0);
  if (flags < 0) return errno;
  if (fcntl(handle, F_SETFL, flags | O_NONBLOCK) != 0) return errno;
  const sockaddr_in target = ipv4Address(address, port);
  int error = 0;
  if (connect(handle, reinterpret_cast<const sockaddr*>(&target),
              sizeof target) != 0) {
    error = errno;
    if (error == EINPROGRESS || error == EINTR) {
      error = finishConnect(handle, timeoutMs, cancel);
    }
  }
  if (fcntl(handle, F_SETFL, flags) != 0 && error == 0) error = errno;
  return error;
}

void setTransferTimeouts(SocketHandle handle, int timeoutMs) {
  timeval limit{0, 0};
  if (timeoutMs > 0) {
    limit.tv_sec = timeoutMs / 1000;
    limit.tv_usec = (timeoutMs % 1000) * 1000;
  }
  setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(handle, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

long receiveBytes(SocketHandle handle, void* buffer, size_t length, int flags,
                  int* error) {
  for (;;) {
    const ssize_t received = recv(handle, buffer, length, flags);
    if (received < 0 && errno == EINTR) continue;
    if (received < 0 && error != nullptr) *error = errno;
    return received < 0 ? -1 : static_cast<long>(received);
  }
}

bool isConnectionReset(int error) {
  return error == ECONNRESET || error == EPIPE;
}

long sendAllBytes(SocketHandle handle, const void* data, size_t length) {
  const char* next = static_cast<const char*>(data);
  size_t sent = 0;
  while (sent < length) {
    const ssize_t result =
        send(handle, next + sent, length - sent, MSG_NOSIGNAL);
    if (result < 0 && errno == EINTR) continue;
    if (result <= 0) break;
    sent += static_cast<size_t>(result);
  }
  return sent == 0 && length > 0 ? -1 : static_cast<long>(sent);
}

int setNonBlocking(SocketHandle handle, bool nonBlocking) {
  int value = nonBlocking ? 1 : 0;
  return ioctl(handle, FIONBIO, &value) == 0 ? 0 : errno;
}

int bindIPv4(SocketHandle handle, uint16_t port, bool loopbackOnly) {
  // A restarted server may take its port back while old connections linger.
  const int reuse = 1;
  setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  const sockaddr_in local =
      ipv4Address(htonl(loopbackOnly ? INADDR_LOOPBACK : INADDR_ANY), port);
  return bind(handle, reinterpret_cast<const sockaddr*>(&local),
              sizeof local) == 0
             ? 0
             : errno;
}

void listenOn(SocketHandle handle, int backlog) { listen(handle, backlog); }

SocketHandle acceptOn(SocketHandle handle, int* error) {
  for (;;) {
    const int accepted = accept4(handle, nullptr, nullptr, SOCK_CLOEXEC);
    if (accepted >= 0) return accepted;
    if (errno == EINTR) continue;
    *error = errno;
    return INVALID_SOCKET_HANDLE;
  }
}

bool isWouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

long bytesWaiting(SocketHandle handle) {
  int waiting = 0;
  return ioctl(handle, FIONREAD, &waiting) == 0 ? waiting : -1;
}

int localPort(SocketHandle handle) {
  sockaddr_in local;
  socklen_t size = sizeof local;
  if (getsockname(handle, reinterpret_cast<sockaddr*>(&local), &size) != 0) {
    return -1;
  }
  return ntohs(local.sin_port);
}

int waitReadable(const SocketHandle* handles, bool* readable, int count,
                 int timeoutMs) {
  std::vector<pollfd> entries(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    entries[static_cast<size_t>(i)] = pollfd{handles[i], POLLIN, 0};
  }
  int ready = 0;
  do {
    ready = poll(entries.data(), entries.size(), timeoutMs);
  } while (ready < 0 && errno == EINTR);
  for (int i = 0; i < count; ++i) {
    // A closed or failed connection counts as readable: the next receive
    // returns at once (0 or -1), as with select.
    readable[i] = ready > 0 && (entries[static_cast<size_t>(i)].revents &
                                (POLLIN | POLLHUP | POLLERR)) != 0;
  }
  return ready;
}

std::string errorText(int error) { return std::strerror(error); }

}  // namespace letterfreq
