#include "app/given_text.h"

#include <gtest/gtest.h>

#include <string>

#include "profiles/feature_sets.h"
#include "sample/counting_pass.h"
#include "sample/sample_loader.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

TEST(GivenTextTest, CountsAsAFileOfTheSameBytes) {
  testing::TempDir dir;
  std::string text = "<p>Fran&ccedil;ais  et\r\nlatin</p>\t\t&amp";
  text += std::string("\0\xFF\xC3\xA9", 4);
  const std::string path = dir.write("same.txt", text);
  LoadedSample fromFile;
  CountingPass pass;
  fromFile.features.attachAll(pass);
  std::string failure;
  ASSERT_TRUE(loadSample(path, fromFile.profile, &failure, pass));

  const LoadedSample given = countGivenText(text);
  EXPECT_TRUE(given.ok);
  EXPECT_EQ(given.profile.counts, fromFile.profile.counts);
  EXPECT_EQ(given.profile.sampleCount, 1);
  // Every feature set, bucket by bucket.
  for (size_t set = 0; set < FEATURE_SET_COUNT; ++set) {
    const auto code = static_cast<FeatureSetCode>(set);
    const uint32_t* a = given.features.of(code).counts;
    const uint32_t* b = fromFile.features.of(code).counts;
    ASSERT_TRUE(a && b);
    for (size_t i = 0; i < FEATURE_SETS[set].bucketCount(); ++i) {
      ASSERT_EQ(a[i], b[i]) << set << " " << i;
    }
  }
  EXPECT_TRUE(countGivenText("").ok);
}

TEST(GivenTextTest, ItsNameSaysWhatItWas) {
  EXPECT_EQ(givenTextName(GivenBy::Paste, 213), "pasted text, 213 bytes");
  EXPECT_EQ(givenTextName(GivenBy::Drop, 1), "dropped text, 1 byte");
}

TEST(GivenTextTest, DeliveredTextIsAFileAnAddressOrText) {
  using Kind = DeliveredText::Kind;
  const struct {
    const char* text;
    Kind kind;
    const char* name;
  } cases[] = {
      {"file:///home/a/notes.txt\r\n", Kind::FileName, "/home/a/notes.txt"},
      {"file://localhost/a%20b%2Fc.txt", Kind::FileName, "/a b/c.txt"},
      {"# copied\r\nfile:///x%zz%4", Kind::FileName, "/x%zz%4"},
      {"file:///one\r\nfile:///two\r\n", Kind::FileName, "/one"},
      {"https://example.org/page\n", Kind::Address, "https://example.org/page"},
      {"http://example.org/", Kind::Address, "http://example.org/"},
      {"file://otherhost/x.txt", Kind::Text, ""},
      {"see http://example.org/ now", Kind::Text, ""},
      {"http://a/\nhttp://b/", Kind::Text, ""},
      {"# just a comment", Kind::Text, ""},
      {"Ein Satz.", Kind::Text, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const DeliveredText delivered = classifyDelivered(c.text);
    EXPECT_EQ(delivered.kind, c.kind);
    EXPECT_EQ(delivered.name, c.name);
  }
}

}  // namespace
}  // namespace letterfreq
