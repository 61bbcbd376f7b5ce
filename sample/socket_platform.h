// The one unit that calls the operating system's socket interface (POSIX
// here): one small function per step, each returning the raw result or an
// errno value, so that the socket layer above decides what to throw. Nothing
// here owns a handle; the caller closes what it opened.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace letterfreq {

using SocketHandle = int;
constexpr SocketHandle INVALID_SOCKET_HANDLE = -1;

// An IPv4 TCP stream socket, or INVALID_SOCKET_HANDLE.
SocketHandle openStreamSocket();
void closeSocketHandle(SocketHandle handle);

// The first IPv4 address of `host` (network byte order). On failure false,
// with the resolver's message in *error.
bool resolveIPv4(const std::string& host, uint32_t* address,
                 std::string* error);

// Connects to address:port, giving up after timeoutMs (<= 0: no limit) or
// once `cancel` (may be null) turns true. Returns 0, or the errno value of
// the failure (ETIMEDOUT when time ran out, ECANCELED when cancelled).
int connectIPv4(SocketHandle handle, uint32_t address, uint16_t port,
                int timeoutMs, const std::atomic<bool>* cancel = nullptr);

// Makes a receive or send that waits longer than timeoutMs fail with -1
// (<= 0: no limit).
void setTransferTimeouts(SocketHandle handle, int timeoutMs);

// One receive: > 0 bytes, 0 when the peer has closed, -1 on error or time
// out, with the errno value in *error (when not null). A signal arriving
// while waiting does not end it.
long receiveBytes(SocketHandle handle, void* buffer, size_t length, int flags,
                  int* error = nullptr);

// True when the error means that the peer reset the connection.
bool isConnectionReset(int error);

// Sends every byte unless the connection fails or times out, and never
// raises SIGPIPE on a closed peer. Returns the bytes sent, or -1 when none.
long sendAllBytes(SocketHandle handle, const void* data, size_t length);

// Returns 0 or the errno value of the failure.
int setNonBlocking(SocketHandle handle, bool nonBlocking);

// Binds to `port` on every local address, or on 127.0.0.1 only. Returns 0 or
// the errno value of the failure.
int bindIPv4(SocketHandle handle, uint16_t port, bool loopbackOnly);
void listenOn(SocketHandle handle, int backlog);

// Accepts one connection without asking for the peer's address. On failure
// INVALID_SOCKET_HANDLE with the errno value in *error.
SocketHandle acceptOn(SocketHandle handle, int* error);
// True when the error only means that nothing is waiting (non-blocking).
bool isWouldBlock(int error);

// Bytes waiting to be received, or -1 when the query fails.
long bytesWaiting(SocketHandle handle);

// The local port the socket is bound to, or -1.
int localPort(SocketHandle handle);

// Waits until one of `count` handles is readable (timeoutMs < 0: no limit)
// and sets readable[i] for each. Returns the number ready, 0 on time out, -1
// on failure.
int waitReadable(const SocketHandle* handles, bool* readable, int count,
                 int timeoutMs);

// The message text of an errno value.
std::string errorText(int error);

}  // namespace letterfreq
