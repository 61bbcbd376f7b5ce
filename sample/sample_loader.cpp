#include "sample/sample_loader.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <istream>

#include "util/page_block.h"
#include "util/posix_file.h"
#include "sample/counting_pass.h"
#include "sample/http_fetch.h"
#include "sample/https_fetch.h"

namespace letterfreq {

namespace {

// Large enough that system calls cost nothing, small enough to stay in the
// processor's cache between read(2) and counting.
constexpr size_t BLOCK_SIZE = 256 * 1024;

// The block a thread reads its files into, made on its first file and kept
// for the next: a batch of small samples allocates nothing per file. It is
// whole pages (PageBlock): the kernel copies into a buffer that starts on a
// page boundary several times faster than into one a few bytes past it, as
// new[] gives. A read begun while the thread's block is in use (from a sink
// or a progress callback) takes a block of its own.
class ReadBlock {
 public:
  ReadBlock() {
    thread_local PageBlock kept(BLOCK_SIZE);
    thread_local bool keptInUse = false;
    if (keptInUse) {
      own_ = PageBlock(BLOCK_SIZE);
      data_ = own_.data();
    } else {
      keptInUse = true;
      inUse_ = &keptInUse;
      data_ = kept.data();
    }
  }
  ~ReadBlock() {
    if (inUse_ != nullptr) *inUse_ = false;
  }
  ReadBlock(const ReadBlock&) = delete;
  ReadBlock& operator=(const ReadBlock&) = delete;

  uint8_t* data() const { return data_; }

 private:
  PageBlock own_;
  bool* inUse_ = nullptr;
  uint8_t* data_ = nullptr;
};

constexpr char HTTP_PREFIX[] = "http://";

// Opens without waiting: a FIFO would otherwise block in open() until a
// writer comes. Regular files get back their blocking reads.
int openSampleFile(const std::string& path, bool* waitsForData,
                   int64_t* size) {
  const int fd = open(path.c_str(), SAMPLE_OPEN_FLAGS);
  if (fd < 0) return -1;
  struct stat status;
  if (fstat(fd, &status) != 0) {
    close(fd);
    return -1;
  }
  const bool regular = S_ISREG(status.st_mode);
  *waitsForData = !regular && !S_ISDIR(status.st_mode);
  *size = regular ? static_cast<int64_t>(status.st_size) : -1;
  // O_NONBLOCK does nothing to the reads of a regular file, and a file of
  // one block gains nothing from read-ahead: a batch of small samples
  // spends no system calls on either.
  if (!*waitsForData && !regular) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  }
  if (regular && status.st_size > static_cast<off_t>(BLOCK_SIZE)) {
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  return fd;
}

// For a source that may have no data yet: waits up to CANCEL_POLL_MS.
// True when a read would not wait (data, the writer gone, an error).
bool readable(int fd) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, CANCEL_POLL_MS) > 0;
}

SampleEnd readBlocks(int fd, bool waitsForData, int64_t size,
                     const BlockSink& onBlock, const SampleLimits& limits,
                     const SampleProgress& progress, uint64_t& bytesRead) {
  const ReadBlock block;
  for (;;) {
    if (limits.cancelled()) return SampleEnd::Cancelled;
    if (waitsForData && !readable(fd)) continue;
    const ssize_t got = read(fd, block.data(), BLOCK_SIZE);
    if (got > 0) {
      onBlock(block.data(), static_cast<size_t>(got));
      bytesRead += static_cast<uint64_t>(got);
      if (progress) progress(bytesRead, size);
      // A regular file read short after all of its size is at its end: no
      // second read to hear it.
      const bool shortRead = static_cast<size_t>(got) < BLOCK_SIZE;
      if (shortRead && size > 0 && bytesRead >= static_cast<uint64_t>(size)) {
        return SampleEnd::Complete;
      }
    } else if (got == 0) {
      return SampleEnd::Complete;
    } else if (errno != EINTR && errno != EAGAIN) {
      return SampleEnd::ReceiveError;
    }
  }
}

}  // namespace

bool isFileSample(const std::string& sampleText) {
  // The prefixes are compared byte for byte: "HTTP://x" is a file name.
  return sampleText.compare(0, sizeof HTTP_PREFIX - 1, HTTP_PREFIX) != 0 &&
         !isHttpsAddress(sampleText);
}

bool readFileBlocks(const std::string& path, const BlockSink& onBlock,
                    const SampleLimits& limits, const SampleProgress& progress,
                    SampleOutcome* outcome) {
  // A name with a NUL byte would silently open a shorter name.
  if (path.find('\0') != std::string::npos) return false;
  bool waitsForData = false;
  int64_t size = -1;
  FileDescriptor file(openSampleFile(path, &waitsForData, &size));
  if (file.get() < 0) {
    if (outcome != nullptr) outcome->fileError = errno;
    return false;
  }
  uint64_t bytesRead = 0;
  const SampleEnd end = readBlocks(file.get(), waitsForData, size, onBlock,
                                   limits, progress, bytesRead);
  if (end == SampleEnd::ReceiveError && outcome != nullptr) {
    outcome->fileError = errno;
  }
  if (outcome != nullptr) {
    outcome->end = end;
    outcome->bodyBytes = bytesRead;
  }
  return end == SampleEnd::Complete;
}

bool readFileBlocks(const std::string& path, const BlockSink& onBlock) {
  return readFileBlocks(path, onBlock, SampleLimits());
}

bool readStreamBlocks(std::istream& in, const BlockSink& onBlock) {
  const ReadBlock block;
  char* const bytes = reinterpret_cast<char*>(block.data());
  while (in) {
    in.read(bytes, BLOCK_SIZE);
    const std::streamsize got = in.gcount();
    if (got > 0) onBlock(block.data(), static_cast<size_t>(got));
  }
  return !in.bad();
}

namespace {

template <class Reader>
bool countWith(const Reader& read, int32_t* counts, CountingPass& pass) {
  std::fill(counts, counts + PROFILE_SLOTS, 0);
  pass.start();
  const bool ok = read([&pass](const uint8_t* bytes, size_t length) {
    pass.feed(bytes, length);
  });
  if (ok) {
    pass.finish(counts);
  } else {
    pass.discard();
  }
  return ok;
}

}  // namespace

bool countFile(const std::string& path, int32_t* counts, CountingPass& pass,
               const SampleLimits& limits, const SampleProgress& progress,
               SampleOutcome* outcome) {
  return countWith(
      [&](const BlockSink& sink) {
        return readFileBlocks(path, sink, limits, progress, outcome);
      },
      counts, pass);
}

bool countFile(const std::string& path, int32_t* counts, bool filterMarkup) {
  CountingPass pass(filterMarkup);
  return countFile(path, counts, pass);
}

bool countStream(std::istream& in, int32_t* counts, CountingPass& pass) {
  return countWith(
      [&in](const BlockSink& sink) { return readStreamBlocks(in, sink); },
      counts, pass);
}

bool countStream(std::istream& in, int32_t* counts, bool filterMarkup) {
  CountingPass pass(filterMarkup);
  return countStream(in, counts, pass);
}

bool loadSample(const std::string& sampleText, LetterProfile& profile,
                std::string* failure, CountingPass& pass,
                const SampleLimits& limits, const SampleProgress& progress,
                SampleOutcome* outcome) {
  profile = LetterProfile();
  const bool isUrl = !isFileSample(sampleText);
  const bool isHttps = isHttpsAddress(sampleText);
  const bool isHttp = isUrl && !isHttps;
  int32_t* const counts = profile.counts.data();
  SampleOutcome told;
  bool ok = isHttp ? countUrl(sampleText, counts, pass, limits, progress, &told)
            : isHttps
                ? countHttpsUrl(sampleText, counts, pass, limits, progress,
                                &told)
                : countFile(sampleText, counts, pass, limits, progress, &told);
  const bool cancelled = told.end == SampleEnd::Cancelled;
  if (cancelled) ok = false;  // the user stopped it: not a sample
  if (outcome != nullptr) *outcome = told;
  if (ok) {
    profile.sampleCount = 1;
    return true;
  }
  profile = LetterProfile();  // a failed load leaves the profile empty
  pass.discard();
  if (failure != nullptr) {
    *failure = cancelled ? LOAD_CANCELLED
                         : isUrl ? URL_OPEN_FAILED : FILE_OPEN_FAILED;
  }
  return false;
}

bool loadSample(const std::string& sampleText, LetterProfile& profile,
                std::string* failure) {
  CountingPass pass;
  return loadSample(sampleText, profile, failure, pass);
}

}  // namespace letterfreq
