#include "sample/file_read_ahead.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sample/io_ring.h"
#include "sample/sample_loader.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

constexpr size_t SLOT = FileReadAhead::SLOT_SIZE;

// All that a read of a file tells its caller.
struct ReadResult {
  bool ok = false;
  std::string bytes;
  SampleEnd end = SampleEnd::Complete;
  uint64_t bodyBytes = 0;
  bool operator==(const ReadResult& o) const {
    return ok == o.ok && bytes == o.bytes && end == o.end &&
           bodyBytes == o.bodyBytes;
  }
};

// Without `ahead`: the plain read.
ReadResult plainRead(const std::string& name,
                     const FileAhead* ahead = nullptr) {
  ReadResult result;
  SampleOutcome outcome;
  outcome.bodyBytes = 12345;  // to see whether it is set
  result.ok = readFileBlocks(
      name,
      [&result](const uint8_t* bytes, size_t length) {
        result.bytes.append(reinterpret_cast<const char*>(bytes), length);
      },
      SampleLimits(), nullptr, &outcome, ahead);
  result.end = outcome.end;
  result.bodyBytes = outcome.bodyBytes;
  return result;
}

ReadResult readAhead(FileReadAhead& ahead, size_t index,
                     const std::string& name) {
  const FileAhead known = ahead.take(index);
  return plainRead(name, &known);
}

bool anyName(const std::string&) { return true; }

int openDescriptors() {
  int count = 0;
  DIR* folder = opendir("/proc/self/fd");
  while (folder != nullptr && readdir(folder) != nullptr) ++count;
  if (folder != nullptr) closedir(folder);
  return count;
}

class FileReadAheadTest : public ::testing::Test {
 protected:
  std::string randomBytes(size_t length) {
    static const char alphabet[] = "ab c<>&;\r\n\t\xC3\xA9z";
    std::string bytes(length, ' ');
    for (char& byte : bytes) byte = alphabet[random() % (sizeof alphabet - 1)];
    return bytes;
  }

  // A file of a size near the slot's edges more often than not.
  std::string randomFile() {
    static const size_t sizes[] = {0, 1, SLOT - 1, SLOT, SLOT + 1, 300000};
    const size_t pick = random() % 9;
    const size_t size = pick < 6 ? sizes[pick] : random() % 3000;
    return dir.write("f" + std::to_string(files++), randomBytes(size));
  }

  // Regular files of every size, missing names, a folder, a device,
  // repeated names, names with NUL and addresses.
  std::vector<std::string> randomMix(size_t count) {
    std::vector<std::string> names;
    while (names.size() < count) {
      switch (random() % 10) {
        case 0: names.push_back(dir.file("missing")); break;
        case 1: names.push_back(dir.path()); break;
        case 2: names.push_back("/dev/null"); break;
        case 3:
          if (!names.empty()) names.push_back(names[random() % names.size()]);
          break;
        case 4: names.push_back(dir.file("x") + std::string("\0y", 2)); break;
        case 5: names.push_back("http://127.0.0.1:1/x"); break;
        default: names.push_back(randomFile());
      }
    }
    return names;
  }

  testing::TempDir dir;
  std::mt19937 random{16};
  int files = 0;
};

TEST_F(FileReadAheadTest, ReadsAheadWhatThePlainReaderReads) {
  const int descriptors = openDescriptors();
  for (int round = 0; round < 12; ++round) {
    const std::vector<std::string> names = randomMix(20 + random() % 90);
    FileReadAhead ahead(names, anyName);
    for (size_t i = 0; i < names.size(); ++i) {
      const ReadResult expected = plainRead(names[i]);
      // The read-ahead's group was read before this plain read, and
      // nothing changed in between.
      ASSERT_EQ(readAhead(ahead, i, names[i]), expected)
          << "round " << round << ", " << i << ": " << names[i];
    }
  }
  EXPECT_EQ(openDescriptors(), descriptors);
}

TEST_F(FileReadAheadTest, OnlySmallRegularFilesAreReadAhead) {
  if (!IoRing(2).usable()) GTEST_SKIP() << "the kernel gives no io_uring";
  const std::vector<std::string> names = {
      dir.write("small", "abc"),
      dir.write("empty", ""),
      dir.write("edge", randomBytes(SLOT)),
      "/dev/null",
      dir.path(),
      dir.file("missing"),
      "http://127.0.0.1:1/x",
      dir.write("skipped", "abc"),
  };
  FileReadAhead ahead(names, [](const std::string& name) {
    return name.find("skipped") == std::string::npos;
  });
  using Kind = FileAhead::Kind;
  const FileAhead small = ahead.take(0);
  ASSERT_EQ(small.kind, Kind::Whole);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(small.bytes),
                        small.length),
            "abc");
  EXPECT_EQ(ahead.take(1).kind, Kind::Whole);
  for (size_t i = 2; i < names.size(); ++i) {
    EXPECT_EQ(ahead.take(i).kind, Kind::Unread) << names[i];
  }
}

TEST_F(FileReadAheadTest, AFifoIsOpenedOnlyAtItsTurnAndReadToItsEnd) {
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::vector<std::string> names = {dir.write("a", "a"), fifo,
                                          dir.write("b", "b")};
  FileReadAhead ahead(names, anyName);
  EXPECT_EQ(readAhead(ahead, 0, names[0]).bytes, "a");
  // The group was read ahead, and no reader has the FIFO open: a writer
  // that does not wait finds none.
  EXPECT_EQ(open(fifo.c_str(), O_WRONLY | O_NONBLOCK), -1);
  EXPECT_EQ(errno, ENXIO);
  // More than a pipe holds: the writer waits for the reader.
  const std::string text = randomBytes(200000);
  std::thread writer([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    for (size_t at = 0; fd >= 0 && at < text.size();) {
      const ssize_t wrote = write(fd, text.data() + at, text.size() - at);
      if (wrote <= 0) break;
      at += static_cast<size_t>(wrote);
    }
    if (fd >= 0) close(fd);
  });
  const ReadResult got = readAhead(ahead, 1, fifo);
  writer.join();
  EXPECT_TRUE(got.ok);
  EXPECT_EQ(got.bytes, text);
  EXPECT_EQ(got.bodyBytes, text.size());
  EXPECT_EQ(readAhead(ahead, 2, names[2]).bytes, "b");
}

TEST_F(FileReadAheadTest, AFileIsCountedAsItWasWhenItsGroupWasRead) {
  const std::vector<std::string> names = {dir.write("a", "first"),
                                          dir.write("b", "before")};
  FileReadAhead ahead(names, anyName);
  readAhead(ahead, 0, names[0]);
  testing::writeFile(names[1], "after, and longer");
  EXPECT_EQ(readAhead(ahead, 1, names[1]).bytes, "before");
  EXPECT_EQ(plainRead(names[1]).bytes, "after, and longer");
}

TEST_F(FileReadAheadTest, CancelledAndSwitchedOffReadsAreThePlainOnes) {
  const std::vector<std::string> names = {dir.write("a", "abc"),
                                          dir.write("b", "abc")};
  {
    FileReadAhead ahead(names, anyName);
    const FileAhead known = ahead.take(0);
    std::atomic<bool> cancel{true};
    SampleLimits limits;
    limits.cancel = &cancel;
    SampleOutcome outcome;
    size_t fed = 0;
    EXPECT_FALSE(readFileBlocks(
        names[0], [&fed](const uint8_t*, size_t n) { fed += n; }, limits,
        nullptr, &outcome, &known));
    EXPECT_EQ(outcome.end, SampleEnd::Cancelled);
    EXPECT_EQ(fed, 0u);
  }
  setFileReadAheadEnabled(false);
  FileReadAhead ahead(names, anyName);
  EXPECT_EQ(ahead.take(0).kind, FileAhead::Kind::Unread);
  setFileReadAheadEnabled(true);
}

}  // namespace
}  // namespace letterfreq
