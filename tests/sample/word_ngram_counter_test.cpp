#include "sample/word_ngram_counter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "sample/case_fold.h"
#include "sample/case_fold_table.h"

namespace letterfreq {
namespace {

std::vector<uint8_t> bytesOf(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// The features of a stream as the method defines them, as plainly as
// possible: the stream folded and padded, each window and word hashed
// from the start.
std::map<uint32_t, uint32_t> plainCounts(std::vector<uint8_t> stream) {
  const uint16_t* lookup = caseFoldLookup();
  for (size_t i = 0; i < stream.size(); ++i) {
    if (i + 1 < stream.size() && isTwoByteLead(stream[i]) &&
        isContinuation(stream[i + 1])) {
      foldTwoByte(lookup, stream[i], stream[i + 1]);
      ++i;
    } else {
      stream[i] = foldAsciiByte(stream[i]);
    }
  }
  std::map<uint32_t, uint32_t> counts;
  if (stream.empty()) return counts;
  if (stream.front() != ' ') stream.insert(stream.begin(), ' ');
  if (stream.back() != ' ') stream.push_back(' ');
  for (size_t n = 2; n <= 5; ++n) {
    for (size_t i = 0; i + n <= stream.size(); ++i) {
      ++counts[wordNgramBucket(fnv1a32(stream.data() + i, n))];
    }
  }
  for (size_t i = 0; i < stream.size(); ++i) {
    if (stream[i] != ' ') continue;
    size_t end = i + 1;
    while (end < stream.size() && stream[end] != ' ') ++end;
    if (end == i + 1 || end == stream.size()) continue;
    std::vector<uint8_t> word = {WORD_NGRAM_MARKER, ' '};
    const size_t length = std::min<size_t>(end - i - 1, WORD_NGRAM_WORD_CUT);
    word.insert(word.end(), stream.begin() + static_cast<long>(i) + 1,
                stream.begin() + static_cast<long>(i + 1 + length));
    word.push_back(' ');
    ++counts[wordNgramBucket(fnv1a32(word.data(), word.size()))];
  }
  return counts;
}

std::map<uint32_t, uint32_t> countsOf(WordNgramCounter& counter) {
  std::map<uint32_t, uint32_t> counts;
  for (uint32_t b : counter.usedBuckets()) counts[b] = counter.counts()[b];
  return counts;
}

std::map<uint32_t, uint32_t> countsOf(const std::string& text,
                                      uint64_t* features = nullptr) {
  WordNgramCounter counter;
  counter.add(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  counter.finish();
  if (features) *features = counter.features();
  return countsOf(counter);
}

uint32_t windowBucket(const std::string& window) {
  return wordNgramBucket(
      fnv1a32(reinterpret_cast<const uint8_t*>(window.data()), window.size()));
}

TEST(WordNgramCounterTest, BucketsOfAWindowAndOfAWord) {
  EXPECT_EQ(wordNgramBucket(0x4D2505CAu),
            ((0x4D2505CAu >> 18) ^ 0x4D2505CAu) & 262143u);
  EXPECT_EQ(windowBucket("ab"), 71299u);
  // " ab " as a word is hashed behind the marker byte 255.
  EXPECT_EQ(windowBucket(" ab "), 160135u);
  EXPECT_EQ(windowBucket("\xff ab "), 50774u);
}

TEST(WordNgramCounterTest, AbIsPaddedToSixWindowsAndOneWord) {
  uint64_t features = 0;
  const std::map<uint32_t, uint32_t> expected = {
      {windowBucket(" a"), 1},      {windowBucket("ab"), 1},
      {windowBucket("b "), 1},      {windowBucket(" ab"), 1},
      {windowBucket("ab "), 1},     {windowBucket(" ab "), 1},
      {windowBucket("\xff ab "), 1}};
  EXPECT_EQ(countsOf("ab", &features), expected);
  EXPECT_EQ(features, 7u);
  EXPECT_EQ(countsOf(" ab "), expected);
  // « x »: three windows and the word.
  EXPECT_EQ(countsOf("x", &features).size(), 4u);
  EXPECT_EQ(features, 4u);
  EXPECT_TRUE(countsOf("", &features).empty());
  EXPECT_EQ(features, 0u);
  // Spaces alone: windows ("  " twice, "   "), but no word.
  EXPECT_EQ(countsOf("   ", &features).size(), 2u);
  EXPECT_EQ(features, 3u);
}

TEST(WordNgramCounterTest, CapitalsCountAsSmallLetters) {
  const std::string small =
      "les élèves ont vu ßchnee, ἀλήθεια, δύο, ёлка и эхо, հայերեն";
  const std::string capital =
      "LES ÉLÈVES ONT VU ßCHNEE, ἀΛΉΘΕΙΑ, ΔΎΟ, ЁЛКА И ЭХО, ՀԱՅԵՐԵՆ";
  EXPECT_EQ(countsOf(capital), countsOf(small));
  // İ lowers to two code points, so it stays as it is.
  EXPECT_NE(countsOf("İstanbul"), countsOf("istanbul"));
}

TEST(WordNgramCounterTest, LongWordsCountTheirFirst62Bytes) {
  const std::string stem(WORD_NGRAM_WORD_CUT, 'q');
  std::map<uint32_t, uint32_t> a = countsOf(stem + "abc");
  std::map<uint32_t, uint32_t> b = countsOf(stem + "xyz");
  const uint32_t word = windowBucket("\xff " + stem + " ");
  EXPECT_EQ(a.at(word), 1u);
  EXPECT_EQ(b.at(word), 1u);
  EXPECT_EQ(countsOf(stem).at(word), 1u);
}

TEST(WordNgramCounterTest, PiecesCutAnywhereMatchThePlainCounts) {
  std::mt19937 random(30);
  const std::vector<std::string> parts = {"a",    "B", " ",    "  ",
                                          "É",    "é", "Ω",    "\xc3",
                                          "\x80", "Ж", "\xdf", "x\xe2\x82\xac",
                                          "Z"};
  WordNgramCounter counter;  // reused: reset must leave nothing behind
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const size_t pieces = random() % (round % 50 == 0 ? 9000 : 60);
    for (size_t i = 0; i < pieces; ++i) text += parts[random() % parts.size()];
    const std::vector<uint8_t> bytes = bytesOf(text);
    counter.reset();
    size_t at = 0;
    while (at < bytes.size()) {
      const size_t take = std::min<size_t>(random() % 5, bytes.size() - at);
      counter.add(bytes.data() + at, take);
      at += take;
    }
    counter.finish();
    const std::map<uint32_t, uint32_t> plain = plainCounts(bytes);
    ASSERT_EQ(countsOf(counter), plain) << "round " << round;
    uint64_t features = 0;
    for (const auto& bucket : plain) features += bucket.second;
    ASSERT_EQ(counter.features(), features);
  }
}

TEST(WordNgramCounterTest, FoldTableIsTheScriptsOutput) {
  const std::string out = testing::TempDir() + "case_fold_table_30.cpp";
  const std::string command = "python3 " LETTERFREQ_SOURCE_DIR
                              "/scripts/make-case-fold-table " +
                              out + " >/dev/null 2>&1";
  if (std::system("python3 -c '' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no python3";
  }
  // The script checks the header against the table's length itself.
  ASSERT_EQ(std::system(command.c_str()), 0);
  auto tableOf = [](const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string all = text.str();
    return all.substr(all.find('\n'));  // the Python version may differ
  };
  EXPECT_EQ(tableOf(out),
            tableOf(LETTERFREQ_SOURCE_DIR "/sample/case_fold_table.cpp"));
  std::remove(out.c_str());
  const uint16_t* lookup = caseFoldLookup();
  EXPECT_EQ(lookup[0xC9], 0xE9);    // É
  EXPECT_EQ(lookup[0x391], 0x3B1);  // Α
  EXPECT_EQ(lookup[0x401], 0x451);  // Ё
  EXPECT_EQ(lookup[0x130], 0x130);  // İ: two code points in lower case
  EXPECT_EQ(lookup[0xDF], 0xDF);    // ß
}

}  // namespace
}  // namespace letterfreq
