#include "sample/sample_loader.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <istream>
#include <memory>

#include "profiles/ngram_counter.h"
#include "sample/counting_rule.h"
#include "sample/http_fetch.h"

namespace letterfreq {

namespace {

// Large enough that system calls cost nothing, small enough to stay in the
// processor's cache between read(2) and counting.
constexpr size_t BLOCK_SIZE = 256 * 1024;

constexpr char HTTP_PREFIX[] = "http://";

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

bool readFileBlocks(const std::string& path, const BlockSink& onBlock) {
  // A name with a NUL byte would silently open a shorter name.
  if (path.find('\0') != std::string::npos) return false;
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return false;
  posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  std::unique_ptr<uint8_t[]> block(new uint8_t[BLOCK_SIZE]);
  for (;;) {
    const ssize_t got = read(file.get(), block.get(), BLOCK_SIZE);
    if (got > 0) {
      onBlock(block.get(), static_cast<size_t>(got));
    } else if (got == 0) {
      return true;
    } else if (errno != EINTR) {
      return false;
    }
  }
}

bool readStreamBlocks(std::istream& in, const BlockSink& onBlock) {
  std::unique_ptr<char[]> block(new char[BLOCK_SIZE]);
  while (in) {
    in.read(block.get(), BLOCK_SIZE);
    const std::streamsize got = in.gcount();
    if (got > 0) {
      onBlock(reinterpret_cast<const uint8_t*>(block.get()),
              static_cast<size_t>(got));
    }
  }
  return !in.bad();
}

namespace {

template <class Reader>
bool countWith(const Reader& read, int32_t* counts, bool filterMarkup,
               NgramCounter* ngrams) {
  std::fill(counts, counts + PROFILE_SLOTS, 0);
  CountingRule rule(filterMarkup);
  bool ok;
  if (ngrams == nullptr) {
    ok = read([&rule](const uint8_t* bytes, size_t length) {
      rule.feed(bytes, length);
    });
  } else {
    // The n-gram stream is the bytes the rule counts: the same pass.
    ngrams->reset();
    ok = read([&rule, ngrams](const uint8_t* bytes, size_t length) {
      rule.feed(bytes, length, [ngrams](uint8_t byte) { ngrams->add(byte); });
    });
    if (ok) {
      ngrams->finish();
    } else {
      ngrams->reset();
    }
  }
  if (ok) rule.copyCountsTo(counts);
  return ok;
}

}  // namespace

bool countFile(const std::string& path, int32_t* counts, bool filterMarkup,
               NgramCounter* ngrams) {
  return countWith(
      [&path](const BlockSink& sink) { return readFileBlocks(path, sink); },
      counts, filterMarkup, ngrams);
}

bool countStream(std::istream& in, int32_t* counts, bool filterMarkup,
                 NgramCounter* ngrams) {
  return countWith(
      [&in](const BlockSink& sink) { return readStreamBlocks(in, sink); },
      counts, filterMarkup, ngrams);
}

bool loadSample(const std::string& sampleText, LetterProfile& profile,
                std::string* failure, NgramCounter* ngrams) {
  profile = LetterProfile();
  // The prefix is compared byte for byte: "HTTP://x" is a file name.
  const bool isUrl =
      sampleText.compare(0, sizeof HTTP_PREFIX - 1, HTTP_PREFIX) == 0;
  const bool ok =
      isUrl ? countUrl(sampleText, profile.counts.data(), true, ngrams)
            : countFile(sampleText, profile.counts.data(), true, ngrams);
  if (ok) {
    profile.sampleCount = 1;
    return true;
  }
  profile = LetterProfile();  // a failed load leaves the profile empty
  if (failure != nullptr) *failure = isUrl ? URL_OPEN_FAILED : FILE_OPEN_FAILED;
  return false;
}

}  // namespace letterfreq
