#include "app/sample_load_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <exception>
#include <utility>

#include "sample/sample_loader.h"

namespace letterfreq {

SampleLoadJob::SampleLoadJob(const std::string& sampleText,
                             SampleLimits limits) {
  if (pipe2(finishedPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
    finishedPipe_[0] = finishedPipe_[1] = -1;
  }
  limits.cancel = &cancel_;
  try {
    thread_ = std::thread(&SampleLoadJob::run, this, sampleText, limits);
  } catch (...) {  // no thread to be had: nothing is left open
    closePipe();
    throw;
  }
}

void SampleLoadJob::closePipe() {
  for (int& fd : finishedPipe_) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

SampleLoadJob::~SampleLoadJob() {
  cancel();
  if (thread_.joinable()) thread_.join();
  closePipe();
}

void SampleLoadJob::run(const std::string& sampleText, SampleLimits limits) {
  LoadedSample loaded;
  try {
    CountingPass pass;
    loaded.features.attachAll(pass);
    loaded.ok = loadSample(
        sampleText, loaded.profile, &loaded.failure, pass, limits,
        [this](uint64_t bytesRead, int64_t total) {
          totalBytes_.store(total, std::memory_order_relaxed);
          bytesRead_.store(bytesRead, std::memory_order_relaxed);
        },
        &loaded.outcome);
  } catch (const std::exception& error) {
    loaded = LoadedSample();
    loaded.failure = error.what();
    loaded.threw = true;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    result_ = std::move(loaded);
    // The byte goes first, so whoever sees the job finished also finds
    // its pipe readable. The pipe is empty and never read: it always fits.
    if (finishedPipe_[1] >= 0) {
      const char done = 1;
      [[maybe_unused]] const ssize_t written =
          write(finishedPipe_[1], &done, 1);
    }
    finished_ = true;
  }
  finishedSignal_.notify_all();
}

bool SampleLoadJob::waitFor(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(mutex_);
  return finishedSignal_.wait_for(lock, wait, [this] { return finished_; });
}

bool SampleLoadJob::finished() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

void SampleLoadJob::cancel() { cancel_.store(true); }

LoadedSample SampleLoadJob::take() {
  if (thread_.joinable()) thread_.join();
  return std::move(result_);
}

namespace {

// 1234567 as "1,234,567".
std::string groupedDigits(uint64_t value) {
  std::string digits = std::to_string(value);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

}  // namespace

float loadedShare(uint64_t bytesRead, int64_t totalBytes) {
  if (totalBytes <= 0) return 0.0f;
  const double share =
      static_cast<double>(bytesRead) / static_cast<double>(totalBytes);
  return static_cast<float>(share < 1.0 ? share : 1.0);
}

std::string loadingText(uint64_t bytesRead, int64_t totalBytes) {
  std::string text =
      std::string(SAMPLE_LOADING_TEXT) + " " + groupedDigits(bytesRead) +
      " bytes";
  if (totalBytes >= 0) {
    const int percent =
        static_cast<int>(loadedShare(bytesRead, totalBytes) * 100.0f);
    text += " of " + groupedDigits(static_cast<uint64_t>(totalBytes)) + " (" +
            std::to_string(percent) + "%)";
  }
  return text;
}

}  // namespace letterfreq
