#include "sample/name_lookup.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "sample/sample_limits.h"
#include "sample/socket_platform.h"

namespace letterfreq {

std::atomic<Resolver> nameResolver{&resolveIPv4};

namespace {

// Shared by the waiting caller and the helper thread: whichever ends last
// frees it.
struct Lookup {
  std::mutex mutex;
  std::condition_variable doneSignal;
  bool done = false;
  bool found = false;
  uint32_t address = 0;
  std::string error;
};

}  // namespace

LookupResult lookUpIPv4(const std::string& host, int timeoutMs,
                        const std::atomic<bool>* cancel, uint32_t* address,
                        std::string* error) {
  auto lookup = std::make_shared<Lookup>();
  const Resolver resolve = nameResolver.load();
  std::thread([lookup, host, resolve] {
    uint32_t found = 0;
    std::string failure;
    const bool ok = resolve(host, &found, &failure);
    std::lock_guard<std::mutex> lock(lookup->mutex);
    lookup->found = ok;
    lookup->address = found;
    lookup->error = failure;
    lookup->done = true;
    lookup->doneSignal.notify_all();
  }).detach();

  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock<std::mutex> lock(lookup->mutex);
  while (!lookup->done) {
    if (cancel != nullptr && cancel->load()) return LookupResult::Cancelled;
    Clock::time_point wakeAt =
        Clock::now() + std::chrono::milliseconds(CANCEL_POLL_MS);
    if (timeoutMs > 0) {
      if (Clock::now() >= deadline) return LookupResult::TimedOut;
      wakeAt = std::min(wakeAt, deadline);
    }
    lookup->doneSignal.wait_until(lock, wakeAt);
  }
  if (!lookup->found) {
    *error = lookup->error;
    return LookupResult::Failed;
  }
  *address = lookup->address;
  return LookupResult::Found;
}

}  // namespace letterfreq
