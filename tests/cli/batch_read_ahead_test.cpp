// A batch of many samples prints what the same batch prints with every
// sample read the plain way, one after the other, for every command that
// reads samples ahead.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "sample/file_read_ahead.h"
#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::runCliCaptured;

const std::string DATABASE =
    std::string(LETTERFREQ_SOURCE_DIR) + "/data/ling2.db";

class BatchReadAheadTest : public ::testing::Test {
 protected:
  // Several groups of snippets, with a missing file, a folder, a device,
  // standard input, an empty file, a large one and a repeated name among
  // them.
  BatchReadAheadTest() {
    const std::string text = testing::readFile(
        std::string(LETTERFREQ_SOURCE_DIR) + "/data/sample.txt");
    std::mt19937 random(7);
    for (int i = 0; i < 150; ++i) {
      const size_t length = 1 + random() % 500;
      const size_t start = random() % (text.size() - length);
      samples.push_back(
          dir.write(std::to_string(i), text.substr(start, length)));
    }
    samples[10] = dir.file("missing");
    samples[40] = dir.path();
    samples[41] = "/dev/null";
    samples[42] = "-";
    samples[70] = dir.write("empty", "");
    samples[100] = dir.write("large", text.substr(0, 100000));
    samples[101] = samples[5];
  }

  CliResult runAll(std::vector<std::string> args, bool readAhead) const {
    args.insert(args.end(), samples.begin(), samples.end());
    setFileReadAheadEnabled(readAhead);
    const CliResult result = runCliCaptured(args, "<p>standard input</p>");
    setFileReadAheadEnabled(true);
    return result;
  }

  void expectThePlainOutput(const std::vector<std::string>& args) const {
    const CliResult plain = runAll(args, false);
    const CliResult batch = runAll(args, true);
    std::string command;
    for (const std::string& arg : args) command += arg + " ";
    EXPECT_EQ(batch.status, 1) << command;
    EXPECT_EQ(batch.status, plain.status) << command;
    EXPECT_EQ(batch.out, plain.out) << command;
    EXPECT_EQ(batch.err, plain.err) << command;
  }

  const testing::TempDir dir;
  std::vector<std::string> samples;
};

TEST_F(BatchReadAheadTest, AMatchBatchPrintsWhatThePlainReadsPrint) {
  for (const char* method : {"1", "4", "7"}) {
    for (const std::vector<std::string>& options :
         std::vector<std::vector<std::string>>{
             {"--method", method},
             {"--method", method, "--top", "1"},
             {"--method", method, "--json"}}) {
      std::vector<std::string> args = {"match", "--db", DATABASE};
      args.insert(args.end(), options.begin(), options.end());
      expectThePlainOutput(args);
    }
  }
}

TEST_F(BatchReadAheadTest, CountAndDetectBatchesPrintWhatThePlainReadsPrint) {
  expectThePlainOutput({"count"});
  expectThePlainOutput({"count", "--json"});
  expectThePlainOutput({"detect", "--db", DATABASE});
  expectThePlainOutput({"detect", "--db", DATABASE, "--json"});
}

}  // namespace
}  // namespace letterfreq
