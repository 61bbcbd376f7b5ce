// SampleLoadJob: one sample load (loadSample) on a thread of its own, so
// that the window stays in control while a large file, a slow server, a
// FIFO or a device is read. The caller waits for it, watches its progress
// and may cancel it; nothing here needs a display. The result is what
// loadSample makes on the calling thread, byte for byte.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "app/letter_profile.h"
#include "profiles/sample_features.h"
#include "sample/sample_limits.h"

namespace letterfreq {

inline constexpr const char* SAMPLE_LOADING_TEXT = "Loading sample...";

// What a load made: on success the counted profile (sampleCount 1) and
// its feature sets; on failure an empty profile and the user message.
struct LoadedSample {
  bool ok = false;
  LetterProfile profile;
  SampleFeatures features;  // every feature set
  // The fixed message of a failed load ("File couldn't be opened!", ...),
  // or the text of an error the load threw (memory running out).
  std::string failure;
  bool threw = false;  // `failure` is an error's text, not a fixed message
  SampleOutcome outcome;
  bool cancelled() const { return outcome.end == SampleEnd::Cancelled; }
};

class SampleLoadJob {
 public:
  // Starts loading `sampleText` within `limits`; its cancel flag is the
  // job's own (limits.cancel is replaced). Throws std::system_error when
  // no thread can be started.
  SampleLoadJob(const std::string& sampleText, SampleLimits limits);
  // Cancels a load still running and waits for its thread.
  ~SampleLoadJob();
  SampleLoadJob(const SampleLoadJob&) = delete;
  SampleLoadJob& operator=(const SampleLoadJob&) = delete;

  // Waits up to `wait` for the load to end; true once it has.
  bool waitFor(std::chrono::milliseconds wait);
  bool finished() const;
  // Asks the load to stop; it ends as a failed load within CANCEL_POLL_MS
  // or so, its file or connection closed.
  void cancel();

  // Readable (poll, select) once the load has ended: lets an event loop
  // wake at once instead of polling. -1 if none could be made.
  int finishedFd() const { return finishedPipe_[0]; }

  // Bytes read so far, and the source's size when known (else -1).
  uint64_t bytesRead() const { return bytesRead_.load(); }
  int64_t totalBytes() const { return totalBytes_.load(); }

  // Waits for the end, then hands over the result (once).
  LoadedSample take();

 private:
  void run(const std::string& sampleText, SampleLimits limits);
  void closePipe();

  std::atomic<bool> cancel_{false};
  std::atomic<uint64_t> bytesRead_{0};
  std::atomic<int64_t> totalBytes_{-1};
  int finishedPipe_[2] = {-1, -1};
  mutable std::mutex mutex_;
  std::condition_variable finishedSignal_;
  bool finished_ = false;
  LoadedSample result_;
  std::thread thread_;  // last: starts once the members above exist
};

// The meter's line for a load: SAMPLE_LOADING_TEXT, " 1,234,567 bytes", with
// " of 9,876,543 (12%)" when the size is known.
std::string loadingText(uint64_t bytesRead, int64_t totalBytes);
// The share read, 0 when the size is unknown.
float loadedShare(uint64_t bytesRead, int64_t totalBytes);

}  // namespace letterfreq
