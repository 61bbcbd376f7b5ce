// The n-gram stream of a sample is the bytes the counting rule counts, fed
// in the same pass: files, streams and http:// addresses give the counts of
// that stream, whatever the block cuts, and nothing on failure.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>

#include "sample/counting_pass.h"
#include "sample/http_fetch.h"
#include "sample/ngram_counter.h"
#include "sample/sample_loader.h"
#include "tests/support/loopback_server.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::LoopbackServer;
using testing::TempDir;

// The counts of a stream given as it is (already filtered).
NgramCounter streamOf(const std::string& stream) {
  NgramCounter counter;
  counter.add(reinterpret_cast<const uint8_t*>(stream.data()), stream.size());
  counter.finish();
  return counter;
}

bool sameCounts(const NgramCounter& a, const NgramCounter& b) {
  return std::memcmp(a.counts(), b.counts(),
                     sizeof(uint32_t) * NGRAM_BUCKETS) == 0;
}

class NgramSampleTest : public ::testing::Test {
 protected:
  TempDir dir;
  LetterProfile profile;
  NgramCounter ngrams;
  CountingPass pass{ngrams};
};

TEST_F(NgramSampleTest, StreamIsWhatTheRuleCounts) {
  struct Case {
    std::string text;
    std::string stream;
  };
  const Case cases[] = {
      {"<p>ab</p>", "ab"},
      {"x &amp; y", "x y"},    // the entity goes, the space folds
      {"a\r\n\r\nb", "a\nb"},  // CR LF read as LF, the run once
      {"a\xFF"
       "b",
       "ab"},  // byte 255 has no slot
      {"a\tb  c", "a\tb c"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"<i class='only markup'></i>", ""},
  };
  for (const Case& c : cases) {
    const std::string path = dir.write("sample.txt", c.text);
    ASSERT_TRUE(loadSample(path, profile, nullptr, pass));
    EXPECT_TRUE(sameCounts(ngrams, streamOf(c.stream))) << c.text;
    EXPECT_EQ(ngrams.paddedLength(), streamOf(c.stream).paddedLength());
  }
}

TEST_F(NgramSampleTest, BlockCutsChangeNothing) {
  // Well over one read block, with tags and entities cut at every place.
  std::string text;
  for (int i = 0; text.size() < 700000; ++i) {
    text += "<a href='x&y;'>word" + std::to_string(i % 97) + "</a> &lt;\r\n";
  }
  const std::string path = dir.write("big.html", text);
  NgramCounter whole;
  int32_t counts[255];
  CountingPass(whole).count(reinterpret_cast<const uint8_t*>(text.data()),
                            text.size(), counts);

  ASSERT_TRUE(countFile(path, counts, pass));
  EXPECT_TRUE(sameCounts(ngrams, whole));
  std::istringstream in(text);
  NgramCounter fromStream;
  CountingPass streamPass(fromStream);
  ASSERT_TRUE(countStream(in, counts, streamPass));
  EXPECT_TRUE(sameCounts(fromStream, whole));
}

TEST_F(NgramSampleTest, FailedLoadLeavesNoNgrams) {
  ASSERT_TRUE(
      loadSample(dir.write("a.txt", "some text"), profile, nullptr, pass));
  EXPECT_GT(ngrams.paddedLength(), 0u);
  std::string failure;
  EXPECT_FALSE(loadSample(dir.file("missing.txt"), profile, &failure, pass));
  EXPECT_EQ(failure, FILE_OPEN_FAILED);
  EXPECT_TRUE(sameCounts(ngrams, NgramCounter()));
  EXPECT_EQ(ngrams.paddedLength(), 0u);
}

TEST_F(NgramSampleTest, HttpBodyGivesItsStream) {
  LoopbackServer server("HTTP/1.0 200 OK\r\nX: <b>\r\n\r\n<b>ab</b> cd");
  int32_t counts[255];
  ASSERT_TRUE(
      countUrl("http://127.0.0.1:" + std::to_string(server.port()) + "/",
               counts, pass));
  EXPECT_TRUE(sameCounts(ngrams, streamOf("ab cd")));
}

}  // namespace
}  // namespace letterfreq
