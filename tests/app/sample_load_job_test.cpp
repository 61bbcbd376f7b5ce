// A sample load on its own thread: the same result as loadSample on the
// calling thread, progress while it reads, a cancel that ends a FIFO nobody
// writes at once and closes it, and the meter's text.
#include "app/sample_load_job.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "sample/ngram_counter.h"
#include "sample/sample_loader.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Generous: the machine is shared. An unbounded wait would never end.
constexpr milliseconds SLACK{2000};

std::vector<uint32_t> bucketsOf(const uint32_t* ngrams) {
  return std::vector<uint32_t>(ngrams, ngrams + NGRAM_BUCKETS);
}

bool readable(int fd) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, 0) > 0;
}

// The number of descriptors this process holds open.
int openDescriptors() {
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return -1;
  int count = 0;
  while (readdir(fds) != nullptr) ++count;
  closedir(fds);
  return count;
}

class SampleLoadJobTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
};

TEST_F(SampleLoadJobTest, GivesWhatLoadSampleGives) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "<b>Gallia</b> &amp; omnis\r\n";
  const std::string path = dir.write("sample.html", text);
  SampleLoadJob job(path, SampleLimits());
  EXPECT_TRUE(job.waitFor(SLACK));
  EXPECT_TRUE(job.finished());
  EXPECT_TRUE(readable(job.finishedFd()));
  EXPECT_EQ(job.bytesRead(), text.size());
  EXPECT_EQ(job.totalBytes(), static_cast<int64_t>(text.size()));
  const LoadedSample loaded = job.take();

  LetterProfile direct;
  NgramCounter directNgrams;
  std::string failure;
  CountingPass pass(directNgrams);
  ASSERT_TRUE(loadSample(path, direct, &failure, pass));
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.profile.counts, direct.counts);
  EXPECT_EQ(loaded.profile.sampleCount, 1);
  EXPECT_EQ(bucketsOf(loaded.features.of(NGRAM_FEATURES).counts), bucketsOf(directNgrams.counts()));
  EXPECT_EQ(loaded.outcome.end, SampleEnd::Complete);
  EXPECT_FALSE(loaded.cancelled());
}

TEST_F(SampleLoadJobTest, AFailedLoadTellsItsMessage) {
  SampleLoadJob job(dir.file("missing.txt"), SampleLimits());
  const LoadedSample loaded = job.take();
  EXPECT_FALSE(loaded.ok);
  EXPECT_FALSE(loaded.threw);
  EXPECT_EQ(loaded.failure, FILE_OPEN_FAILED);
  EXPECT_EQ(loaded.profile.sampleCount, 0);
  EXPECT_FALSE(loaded.cancelled());
}

TEST_F(SampleLoadJobTest, CancelEndsAFifoNobodyWritesAndClosesIt) {
  const std::string fifo = dir.file("silent.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int before = openDescriptors();
  SampleLoadJob job(fifo, SampleLimits());
  EXPECT_FALSE(job.waitFor(milliseconds(200)));  // opening did not block it
  const Clock::time_point cancelled = Clock::now();
  job.cancel();
  EXPECT_TRUE(job.waitFor(SLACK));
  EXPECT_LT(Clock::now() - cancelled, SLACK);
  const LoadedSample loaded = job.take();
  EXPECT_FALSE(loaded.ok);
  EXPECT_TRUE(loaded.cancelled());
  EXPECT_EQ(loaded.failure, LOAD_CANCELLED);
  EXPECT_EQ(loaded.profile.counts, LetterProfile().counts);
  // Only the job's own pipe is still open, until the job goes.
  EXPECT_EQ(openDescriptors(), before + 2);
}

TEST_F(SampleLoadJobTest, ProgressOfASourceOfUnknownSize) {
  const std::string fifo = dir.file("slow.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  SampleLoadJob job(fifo, SampleLimits());
  const int writer = open(fifo.c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(write(writer, "Hello", 5), 5);
  const Clock::time_point deadline = Clock::now() + SLACK;
  while (job.bytesRead() < 5 && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(5));
  }
  EXPECT_EQ(job.bytesRead(), 5u);
  EXPECT_EQ(job.totalBytes(), -1);
  EXPECT_FALSE(job.finished());  // the writer is still there
  close(writer);
  const LoadedSample loaded = job.take();
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.profile.counts['l'], 2);
}

TEST_F(SampleLoadJobTest, DestroyingARunningJobCancelsIt) {
  const std::string fifo = dir.file("silent.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const Clock::time_point start = Clock::now();
  {
    SampleLoadJob job(fifo, SampleLimits());
  }
  EXPECT_LT(Clock::now() - start, SLACK);
}

TEST(SampleLoadTextTest, BytesAndTheShareWhenTheSizeIsKnown) {
  EXPECT_EQ(loadingText(0, -1), "Loading sample... 0 bytes");
  EXPECT_EQ(loadingText(1234567, -1), "Loading sample... 1,234,567 bytes");
  EXPECT_EQ(loadingText(250, 1000),
            "Loading sample... 250 bytes of 1,000 (25%)");
  EXPECT_EQ(loadedShare(250, 1000), 0.25f);
  EXPECT_EQ(loadedShare(250, -1), 0.0f);
  EXPECT_EQ(loadedShare(2000, 1000), 1.0f);  // a file that grew meanwhile
  EXPECT_EQ(loadedShare(0, 0), 0.0f);
}

}  // namespace
}  // namespace letterfreq
