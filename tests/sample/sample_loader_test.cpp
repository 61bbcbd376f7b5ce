#include "sample/sample_loader.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>

#include "sample/counting_rule.h"
#include "sample/http_fetch.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using Counts = std::array<int32_t, 255>;

Counts junkCounts() {
  Counts counts;
  counts.fill(77);
  return counts;
}

Counts countInMemory(const std::string& text) {
  CountingRule rule(true);
  rule.feed(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  Counts counts{};
  rule.copyCountsTo(counts.data());
  return counts;
}

// A profile with every field changed, to see what a load resets.
LetterProfile usedProfile() {
  LetterProfile profile;
  profile.name = "Latin";
  profile.recordId = 9;
  profile.totalCount = 5;
  profile.counts['q'] = 5;
  profile.order[0] = 'q';
  profile.sums['q'] = 1.0f;
  profile.sumSquares['q'] = 1.0f;
  profile.stdDevs['q'] = 0.5f;
  profile.sampleCount = 3;
  return profile;
}

void expectEmpty(const LetterProfile& profile) {
  const LetterProfile fresh;
  EXPECT_EQ(profile.name, fresh.name);
  EXPECT_EQ(profile.recordId, 0u);
  EXPECT_EQ(profile.totalCount, 0);
  EXPECT_EQ(profile.counts, fresh.counts);
  EXPECT_EQ(profile.order, fresh.order);
  EXPECT_EQ(profile.sums, fresh.sums);
  EXPECT_EQ(profile.sumSquares, fresh.sumSquares);
  EXPECT_EQ(profile.stdDevs, fresh.stdDevs);
  EXPECT_EQ(profile.sampleCount, 0);
}

class SampleLoaderTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
};

TEST_F(SampleLoaderTest, CountFileCountsTheWholeFile) {
  Counts counts = junkCounts();
  ASSERT_TRUE(
      countFile(dir.write("s.txt", "ab\r\ncd\r\n"), counts.data(), true));
  EXPECT_EQ(counts, countInMemory("ab\ncd\n"));
  EXPECT_EQ(counts['\n'], 2);
  EXPECT_EQ(counts['\r'], 0);

  counts = junkCounts();
  ASSERT_TRUE(countFile(dir.write("empty", ""), counts.data(), true));
  EXPECT_EQ(counts, Counts{});

  // Unfiltered: no run folds (CR LF is two LF) and markup counts too.
  ASSERT_TRUE(countFile(dir.file("s.txt"), counts.data(), false));
  EXPECT_EQ(counts['\n'], 4);
  ASSERT_TRUE(countFile(dir.write("t.html", "<b>"), counts.data(), false));
  EXPECT_EQ(counts['<'], 1);
}

TEST_F(SampleLoaderTest, CountFileAcrossReadBlocks) {
  // Tags, entities and white-space runs straddle every block boundary.
  std::string text;
  while (text.size() < 3 * 1024 * 1024) {
    text += "Line <a href='x&amp;y'>link</a> &eacute;t\xC3\xA9  \r\n\t";
    text += std::string(text.size() % 13, 'z');
  }
  Counts counts{};
  ASSERT_TRUE(countFile(dir.write("big.html", text), counts.data(), true));
  EXPECT_EQ(counts, countInMemory(text));
}

TEST_F(SampleLoaderTest, CountFileFailsWhenTheFileCannotBeRead) {
  for (const std::string& path :
       {dir.file("missing.txt"), std::string(), dir.path(),
        dir.write("real", "x") + std::string("\0zzz", 4)}) {
    Counts counts = junkCounts();
    EXPECT_FALSE(countFile(path, counts.data(), true)) << path;
    EXPECT_EQ(counts, Counts{}) << path;
  }
}

TEST_F(SampleLoaderTest, CountStreamReadsToTheEnd) {
  std::istringstream in("<p>x &amp; y</p>");
  Counts counts = junkCounts();
  ASSERT_TRUE(countStream(in, counts.data(), true));
  EXPECT_EQ(counts, countInMemory("x  y"));
}

TEST_F(SampleLoaderTest, LoadSampleCountsAFileAndSetsOnlyCountsAndSampleCount) {
  LetterProfile profile = usedProfile();
  std::string failure = "unchanged";
  ASSERT_TRUE(
      loadSample(dir.write("ok.txt", "<p>Hello</p>"), profile, &failure));
  EXPECT_EQ(failure, "unchanged");
  EXPECT_EQ(profile.sampleCount, 1);
  EXPECT_EQ(profile.counts, countInMemory("Hello"));
  // Ordering and totals are the caller's next steps.
  EXPECT_EQ(profile.order, LetterProfile().order);
  EXPECT_EQ(profile.totalCount, 0);
  EXPECT_TRUE(profile.name.empty());
}

TEST_F(SampleLoaderTest, LoadSampleFailuresLeaveTheProfileEmpty) {
  struct Case {
    std::string sample;
    std::string message;
  };
  const Case cases[] = {
      {"", FILE_OPEN_FAILED},
      {dir.file("missing.txt"), FILE_OPEN_FAILED},
      {"http://127.0.0.1:1/", URL_OPEN_FAILED},
      // Only the exact lower-case prefix is an address.
      {"HTTP://127.0.0.1:1/", FILE_OPEN_FAILED},
      {"ftp://127.0.0.1/x", FILE_OPEN_FAILED},
  };
  for (const Case& c : cases) {
    LetterProfile profile = usedProfile();
    std::string failure;
    EXPECT_FALSE(loadSample(c.sample, profile, &failure)) << c.sample;
    EXPECT_EQ(failure, c.message) << c.sample;
    expectEmpty(profile);
  }
  LetterProfile profile;
  EXPECT_FALSE(loadSample("", profile, nullptr));  // no message wanted
}

TEST_F(SampleLoaderTest, LoadSampleTakesTheNameAsItIs) {
  // Nothing is trimmed: the trailing space is part of the name.
  dir.write("name ", "x");
  LetterProfile profile;
  std::string failure;
  ASSERT_TRUE(loadSample(dir.file("name "), profile, &failure));
  EXPECT_EQ(profile.counts['x'], 1);
  EXPECT_FALSE(loadSample(dir.file("name"), profile, &failure));
  EXPECT_EQ(failure, FILE_OPEN_FAILED);
}

// The read block is kept from file to file; a read begun from a sink while
// it is in use must neither see nor spoil the outer file's bytes, nor
// another read's after it.
TEST_F(SampleLoaderTest, ReadsInsideASinkKeepEachFilesBytes) {
  const std::string outer(300000, 'o');  // more than one block
  dir.write("outer", outer);
  dir.write("inner", "inner bytes");
  std::string outerRead, innerRead;
  auto collect = [](std::string& into) {
    return [&into](const uint8_t* bytes, size_t length) {
      into.append(reinterpret_cast<const char*>(bytes), length);
    };
  };
  ASSERT_TRUE(readFileBlocks(dir.file("outer"), [&](const uint8_t* bytes,
                                                    size_t length) {
    innerRead.clear();
    ASSERT_TRUE(readFileBlocks(dir.file("inner"), collect(innerRead)));
    outerRead.append(reinterpret_cast<const char*>(bytes), length);
  }));
  EXPECT_EQ(outerRead, outer);
  EXPECT_EQ(innerRead, "inner bytes");
  std::string again;
  ASSERT_TRUE(readFileBlocks(dir.file("inner"), collect(again)));
  EXPECT_EQ(again, "inner bytes");
}

}  // namespace
}  // namespace letterfreq
