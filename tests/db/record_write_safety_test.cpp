// How the engine writes: a rewrite that changes a record's size never
// leaves a half-written database, a failed append leaves nothing behind,
// and a refusal or failure leaves the file as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/record_codec.h"
#include "db/record_file.h"
#include "tests/db/db_test_bytes.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::asBytes;
using testing::asString;
using testing::Bytes;
using testing::textRecord;

class RecordWriteSafetyTest : public ::testing::Test {
 protected:
  std::string dbWith(const Bytes& bytes) {
    return dir.write("safe.db", asString(bytes));
  }
  Bytes bytesOf(const std::string& path) {
    return asBytes(testing::readFile(path));
  }
  std::vector<std::string> filesInDir() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  testing::TempDir dir;
};

ino_t inodeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_ino;
}

mode_t modeOf(const std::string& path) {
  struct stat info;
  EXPECT_EQ(::stat(path.c_str(), &info), 0);
  return info.st_mode & 07777;
}

// Limits the size of any file this process writes until the end of the
// scope; with SIGXFSZ ignored, a write past the limit fails with EFBIG.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_;
  sighandler_t oldHandler_;
};

TEST_F(RecordWriteSafetyTest, SizeChangeReplacesTheFileThroughARename) {
  const std::string name = dbWith(testing::TWO_RECORD_FILE);
  ASSERT_EQ(::chmod(name.c_str(), 0640), 0);
  RecordFile file(name);
  const ino_t before = inodeOf(name);
  ASSERT_TRUE(file.insert_record(textRecord(257, {{2, 1}}, "Latina"), 0));
  EXPECT_NE(inodeOf(name), before);  // a new file took the old one's name
  EXPECT_EQ(modeOf(name), 0640u);
  EXPECT_EQ(filesInDir(),
            (std::vector<std::string>{"safe.db", "safe.db.lock"}));
  EXPECT_EQ(bytesOf(name).size(), 42u);
}

TEST_F(RecordWriteSafetyTest, SameSizeRewriteStaysInPlace) {
  const std::string name = dbWith(testing::TWO_RECORD_FILE);
  RecordFile file(name);
  const ino_t before = inodeOf(name);
  ASSERT_TRUE(file.insert_record(textRecord(257, {{2, 1}}, "Latim"), 0));
  EXPECT_EQ(inodeOf(name), before);
  EXPECT_EQ(bytesOf(name).size(), 41u);
}

TEST_F(RecordWriteSafetyTest, RewriteThroughASymbolicLinkKeepsTheLink) {
  const std::string real = dbWith(testing::TWO_RECORD_FILE);
  const std::string link = dir.file("link.db");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  RecordFile file(link);
  ASSERT_TRUE(file.insert_record(textRecord(257, {{2, 1}}, "Lati"), 0));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(bytesOf(real).size(), 40u);
}

TEST_F(RecordWriteSafetyTest, FailedGrowLeavesTheFileAndNoTemporaryFile) {
  const std::string name = dbWith(testing::TWO_RECORD_FILE);
  RecordFile file(name);
  {
    FileSizeLimit limit(30);  // the new 42-byte file cannot be written
    try {
      file.insert_record(textRecord(257, {{2, 1}}, "Latina"), 0);
      ADD_FAILURE() << "the rewrite did not fail";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(),
                   "!couldn't write the database file: File too large");
    }
  }
  EXPECT_EQ(bytesOf(name), testing::TWO_RECORD_FILE);
  EXPECT_EQ(filesInDir(),
            (std::vector<std::string>{"safe.db", "safe.db.lock"}));
}

TEST_F(RecordWriteSafetyTest, FailedAppendIsCutBackToTheOldLength) {
  const std::string name = dbWith(testing::TWO_RECORD_FILE);
  RecordFile file(name);
  const std::vector<Record> entry = {textRecord(259, {{2, 1}}, "Greek"),
                                     textRecord(260, {{259, 1}}, "entry")};
  {
    FileSizeLimit limit(41 + 30);  // half of the 47 new bytes fit
    EXPECT_THROW(file.append_records(entry), std::runtime_error);
    EXPECT_THROW(
        file.store_record(textRecord(0, {}, std::string(40, 'x').c_str())),
        std::runtime_error);
  }
  EXPECT_EQ(bytesOf(name), testing::TWO_RECORD_FILE);
  file.append_records(entry);
  EXPECT_EQ(file.query_all().size(), 4u);
  EXPECT_EQ(file.get_record(260).link(0).target, 259u);
}

TEST_F(RecordWriteSafetyTest, AppendRecordsWritesThemInOrderWithTheirIds) {
  RecordFile file(dbWith({}));
  EXPECT_THROW(file.append_records({textRecord(0, {}, "x")}),
               std::invalid_argument);
  file.append_records({});
  file.append_records({testing::latinRecord(), testing::fieldRecord()});
  EXPECT_EQ(bytesOf(file.fileName()), testing::TWO_RECORD_FILE);
}

}  // namespace
}  // namespace letterfreq
