#include "profiles/methods.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "profiles/ngram_match.h"
#include "profiles/ngram_record.h"
#include "sample/ngram_counter.h"

namespace letterfreq {
namespace {

LetterProfile language(const char* name, uint32_t id,
                       std::vector<std::pair<int, int32_t>> counts) {
  LetterProfile profile;
  profile.name = name;
  profile.recordId = id;
  profile.sampleCount = 1;
  for (auto [b, count] : counts) profile.counts[b] = count;
  profile.sortOrder();
  profile.computeTotals();
  return profile;
}

std::vector<uint32_t> ngramsOf(const std::string& text) {
  NgramCounter counter;
  counter.add(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  counter.finish();
  return std::vector<uint32_t>(counter.counts(),
                               counter.counts() + NGRAM_BUCKETS);
}

NgramModel modelOf(const std::vector<std::string>& texts) {
  NgramModel model(static_cast<int>(texts.size()));
  NgramLanguageCounts counts;
  for (size_t i = 0; i < texts.size(); ++i) {
    counts.clear();
    const std::vector<uint8_t> data =
        encodeNgramRecord(ngramsOf(texts[i]).data());
    counts.addRecord(data.data(), data.size());
    model.setLanguage(static_cast<int>(i), counts);
  }
  return model;
}

void expectSameRows(const std::vector<MatchRow>& a,
                    const std::vector<MatchRow>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t r = 0; r < a.size(); ++r) {
    EXPECT_EQ(a[r].language, b[r].language);
    EXPECT_EQ(a[r].name, b[r].name);
    EXPECT_EQ(a[r].recordId, b[r].recordId);
    if (!std::isnan(a[r].score) || !std::isnan(b[r].score)) {
      EXPECT_EQ(a[r].score, b[r].score);
    }
  }
}

// The window's menu takes a code as its item index: the codes are 1, 2, ...
// in table order.
TEST(MatchMethodTest, CodesCountUpFromOneInMenuOrder) {
  for (size_t i = 0; i < MATCH_METHODS.size(); ++i) {
    EXPECT_EQ(MATCH_METHODS[i].code, static_cast<int>(i) + 1);
    EXPECT_EQ(findMethod(MATCH_METHODS[i].code), &MATCH_METHODS[i]);
    // Exactly one way to rank.
    EXPECT_NE(MATCH_METHODS[i].scoreCounts == nullptr,
              MATCH_METHODS[i].rank == nullptr);
  }
  EXPECT_EQ(findMethod(0), nullptr);
  EXPECT_EQ(findMethod(LAST_MENU_METHOD_CODE + 1), nullptr);
  EXPECT_NE(findMethod(DEFAULT_METHOD_CODE), nullptr);
}

TEST(MatchMethodTest, EachMethodRanksAsItsOwnMatch) {
  const std::vector<LetterProfile> languages = {
      language("English", 257, {{'t', 5}, {'h', 4}, {'e', 9}, {' ', 6}}),
      language("German", 260, {{'d', 4}, {'e', 8}, {'r', 5}, {' ', 6}}),
      language("Empty", 263, {})};
  const NgramModel model = modelOf({"the cat and the hat", "der die das", ""});
  LetterProfile sample = language("", 0, {{'t', 2}, {'h', 2}, {'e', 3}});
  const std::vector<uint32_t> ngrams = ngramsOf("the hat");
  const SampleCounts counts{sample.counts.data(), ngrams.data()};
  for (const NgramScoring scoring :
       {NgramScoring::FROM_MODEL, NgramScoring::IN_LANES}) {
    const MatchTarget target(languages, model, scoring);
    for (const MatchMethod& method : MATCH_METHODS) {
      SCOPED_TRACE(method.name);
      const std::vector<MatchRow> rows =
          matchByMethod(method, target, counts);
      if (method.code == METHOD_NGRAM_LIKELIHOOD) {
        expectSameRows(rows,
                       matchSampleByNgrams(model, ngrams.data(), languages));
      } else {
        expectSameRows(rows, matchSample(method.code, sample.counts.data(),
                                         languages));
      }
      // The tables made once answer the next sample the same.
      expectSameRows(matchByMethod(method, target, counts), rows);
    }
  }
  EXPECT_EQ(ngramScoringFor(1), NgramScoring::FROM_MODEL);
  EXPECT_EQ(ngramScoringFor(2), NgramScoring::IN_LANES);
}

TEST(MatchMethodTest, NgramsNotCountedMatchAsAnEmptySample) {
  const std::vector<LetterProfile> languages = {language("A", 257, {}),
                                                language("B", 260, {})};
  const NgramModel model = modelOf({"abc abc", "xyz xyz"});
  const MatchTarget target(languages, model, NgramScoring::IN_LANES);
  const std::vector<uint32_t> empty(NGRAM_BUCKETS, 0);
  const MatchMethod& method = *findMethod(METHOD_NGRAM_LIKELIHOOD);
  EXPECT_TRUE(method.readsNgrams);
  expectSameRows(matchByMethod(method, target, {nullptr, nullptr}),
                 matchSampleByNgrams(model, empty.data(), languages));
}

TEST(MatchMethodTest, NamesAndCodesAreReadFromText) {
  EXPECT_STREQ(methodName(1), "Difference");
  EXPECT_STREQ(methodName(DEFAULT_METHOD_CODE), "Three Std Deviations");
  EXPECT_STREQ(methodName(6), "Tendency Pull");
  EXPECT_STREQ(methodName(7), "N-gram Likelihood");
  for (int code = FIRST_METHOD_CODE; code <= LAST_MENU_METHOD_CODE; ++code) {
    EXPECT_EQ(methodCodeFromText(methodName(code)), code);
    EXPECT_EQ(methodCodeFromText(std::to_string(code)), code);
  }
  EXPECT_EQ(methodCodeFromText("tendency pull"), 6);
  EXPECT_EQ(methodCodeFromText("TWO STD DEVIATIONS"), 3);
  EXPECT_EQ(methodCodeFromText("n-gram likelihood"), 7);
  for (const char* text : {"", "0", "8", "04", "Difference ", "Tendency",
                           "one std deviations", "N-gram"}) {
    EXPECT_EQ(methodCodeFromText(text), 0) << text;
  }
}

}  // namespace
}  // namespace letterfreq
