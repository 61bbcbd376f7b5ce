// How long the socket layer waits on a silent peer before giving up. Plain
// settings read when a client connects; tests shorten them (before making
// any socket) so that a stalled server costs milliseconds, not minutes.
#pragma once

namespace letterfreq {

constexpr int DEFAULT_CONNECT_TIMEOUT_MS = 15000;
constexpr int DEFAULT_RECEIVE_TIMEOUT_MS = 30000;
// A whole fetch, head and body, ends after this long (sample/sample_limits.h).
constexpr int DEFAULT_OVERALL_TIMEOUT_MS = 60000;

// Connecting, name lookup included, gives up after this long (the
// connection then fails).
inline int connectTimeoutMs = DEFAULT_CONNECT_TIMEOUT_MS;
// A receive on a client that waits this long for data returns -1, which the
// readers take as the end of the data.
inline int receiveTimeoutMs = DEFAULT_RECEIVE_TIMEOUT_MS;

}  // namespace letterfreq
