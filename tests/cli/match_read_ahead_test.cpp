// A batch of many samples prints what the same batch prints with every
// sample read the plain way, one after the other.
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

CliResult matchAll(const std::vector<std::string>& options,
                   const std::vector<std::string>& samples, bool readAhead) {
  std::vector<std::string> args = {
      "match", "--db", std::string(LETTERFREQ_SOURCE_DIR) + "/data/ling2.db"};
  args.insert(args.end(), options.begin(), options.end());
  args.insert(args.end(), samples.begin(), samples.end());
  setFileReadAheadEnabled(readAhead);
  const CliResult result = runCliCaptured(args, "<p>standard input</p>");
  setFileReadAheadEnabled(true);
  return result;
}

TEST(MatchReadAheadTest, ABatchPrintsWhatThePlainReadsPrint) {
  const testing::TempDir dir;
  const std::string text = testing::readFile(std::string(LETTERFREQ_SOURCE_DIR) +
                                             "/data/sample.txt");
  std::mt19937 random(7);
  std::vector<std::string> samples;
  // Several groups of snippets, with a missing file, a folder, a device,
  // standard input, an empty file, a large one and a repeated name among
  // them.
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
  for (const char* method : {"1", "4", "7"}) {
    for (const std::vector<std::string>& options :
         std::vector<std::vector<std::string>>{
             {"--method", method},
             {"--method", method, "--top", "1"},
             {"--method", method, "--json"}}) {
      const CliResult plain = matchAll(options, samples, false);
      const CliResult batch = matchAll(options, samples, true);
      EXPECT_EQ(batch.status, 1);
      EXPECT_EQ(batch.status, plain.status);
      EXPECT_EQ(batch.out, plain.out) << options[1] << options.back();
      EXPECT_EQ(batch.err, plain.err);
    }
  }
}

}  // namespace
}  // namespace letterfreq
