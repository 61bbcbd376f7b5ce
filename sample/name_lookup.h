// Name lookup bounded in time. The system resolver cannot be interrupted
// and may take as long as it likes, so the lookup runs on a helper thread
// that the caller waits for at most a given time, looking at a cancel
// flag meanwhile. A lookup that outlives the wait finishes on its own
// thread, which holds its own share of the result and then ends.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace letterfreq {

enum class LookupResult { Found, Failed, TimedOut, Cancelled };

// The resolver that the helper thread calls: the first IPv4 address of
// the host, or false with the reason. Replaceable so that tests can make
// a slow one; read when a lookup starts.
using Resolver = bool (*)(const std::string& host, uint32_t* address,
                          std::string* error);
extern std::atomic<Resolver> nameResolver;

// Resolves `host`; gives up after timeoutMs (<= 0: no limit) or once
// `cancel` (may be null) turns true. *error is set when the result is
// Failed.
LookupResult lookUpIPv4(const std::string& host, int timeoutMs,
                        const std::atomic<bool>* cancel, uint32_t* address,
                        std::string* error);

}  // namespace letterfreq
