#include "profiles/methods.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "profiles/ngram_match.h"
#include "profiles/ngram_record.h"
#include "profiles/schema.h"
#include "sample/counting_pass.h"
#include "sample/ngram_counter.h"
#include "tests/support/feature_samples.h"

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
              MATCH_METHODS[i].features == NO_FEATURES);
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
  const FeatureModels models =
      withNgramModel(modelOf({"the cat and the hat", "der die das", ""}));
  const NgramModel& model = ngramModel(models);
  LetterProfile sample = language("", 0, {{'t', 2}, {'h', 2}, {'e', 3}});
  const std::vector<uint32_t> ngrams = ngramsOf("the hat");
  const SampleCounts counts = withNgrams(sample.counts.data(), ngrams.data());
  const MatchTarget target(languages, models);
  for (const MatchMethod& method : MATCH_METHODS) {
    SCOPED_TRACE(method.name);
    const std::vector<MatchRow> rows = matchByMethod(method, target, counts);
    if (method.code == METHOD_NGRAM_LIKELIHOOD) {
      expectSameRows(rows,
                     matchSampleByNgrams(model, ngrams.data(), languages));
    } else if (method.code == METHOD_WORD_NGRAM_LIKELIHOOD) {
      // No N-gram Tables here: every language listed in order, unscored.
      ASSERT_EQ(rows.size(), languages.size());
      for (size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(rows[r].name, languages[r].name);
        EXPECT_TRUE(std::isnan(rows[r].score));
      }
    } else {
      expectSameRows(rows, matchSample(method.code, sample.counts.data(),
                                       languages));
    }
    // The tables made for the second sample on answer the same.
    expectSameRows(matchByMethod(method, target, counts), rows);
    expectSameRows(matchByMethod(method, target, counts), rows);
  }
}

TEST(MatchMethodTest, NgramsNotCountedMatchAsAnEmptySample) {
  const std::vector<LetterProfile> languages = {language("A", 257, {}),
                                                language("B", 260, {})};
  const FeatureModels models = withNgramModel(modelOf({"abc abc", "xyz xyz"}));
  const MatchTarget target(languages, models);
  const std::vector<uint32_t> empty(NGRAM_BUCKETS, 0);
  const MatchMethod& method = *findMethod(METHOD_NGRAM_LIKELIHOOD);
  EXPECT_EQ(method.features, NGRAM_FEATURES);
  for (int twice = 0; twice < 2; ++twice) {  // from the lists, then lanes
    expectSameRows(
        matchByMethod(method, target, {}),
        matchSampleByNgrams(ngramModel(models), empty.data(), languages));
  }
}

// Each row of the feature-set table sits at its code, and its parts work
// together: its codec writes what its model reads, and its matcher ranks
// what its counter counted.
TEST(FeatureSetTest, EveryRowIsWholeAndAtItsCode) {
  for (size_t i = 0; i < FEATURE_SETS.size(); ++i) {
    const FeatureSet& set = FEATURE_SETS[i];
    SCOPED_TRACE(set.name);
    EXPECT_EQ(static_cast<size_t>(set.code), i);
    EXPECT_GT(set.recordKind, KIND_SOURCE);
    std::unique_ptr<FeatureCounter> counter = set.makeCounter();
    CountingPass pass(*counter);
    int32_t counts[PROFILE_SLOTS];
    const std::string text = "a sample of text";
    pass.count(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
               counts);
    const FeatureCounts counted = counter->featureCounts();
    ASSERT_NE(counted.counts, nullptr);
    std::vector<bool> withData = {true};
    const std::vector<uint8_t> record = set.encodeRecord(counted.counts);
    const std::unique_ptr<FeatureModel> model = set.makeModel(
        1, withData, [&record](int, const RecordAdder& add) {
          add(record.data(), record.size());
        });
    EXPECT_TRUE(model->carriesData());
    EXPECT_TRUE(model->hasData(0));
    // The sample ranks its own language first, with a share.
    Ranking ranking;
    set.makeMatcher(*model)->rank(counted, 1, 0, ranking);
    ASSERT_EQ(ranking.languages.size(), 1u);
    EXPECT_GT(ranking.scores[0], 0.0f);
  }
  for (const MatchMethod& method : MATCH_METHODS) {
    if (method.features == NO_FEATURES) continue;
    EXPECT_TRUE(method.scoresAreShares) << method.name;
  }
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
  // Every method has a short name of its own, read in any case.
  for (const MatchMethod& method : MATCH_METHODS) {
    EXPECT_EQ(methodCodeFromText(method.shortName), method.code);
  }
  EXPECT_EQ(methodCodeFromText("NGRAM"), 7);
  EXPECT_EQ(methodCodeFromText("sd3"), 4);
  EXPECT_EQ(methodCodeFromText("Word and N-gram likelihood"), 8);
  for (const char* text : {"", "0", "9", "04", "Difference ", "Tendency",
                           "one std deviations", "N-gram"}) {
    EXPECT_EQ(methodCodeFromText(text), 0) << text;
  }
}

}  // namespace
}  // namespace letterfreq
