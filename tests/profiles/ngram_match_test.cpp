#include "profiles/ngram_match.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "profiles/ngram_record.h"
#include "sample/ngram_counter.h"

namespace letterfreq {
namespace {

// The stored record of a text, as adding it as an entry would make it.
std::vector<uint8_t> recordOf(const std::string& text) {
  NgramCounter counter;
  counter.add(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  counter.finish();
  return encodeNgramRecord(counter.counts());
}

// A model with one language per text; an empty text is a language without
// n-gram data.
NgramModel modelOf(const std::vector<std::string>& texts) {
  NgramModel model(static_cast<int>(texts.size()));
  NgramLanguageCounts counts;
  for (size_t i = 0; i < texts.size(); ++i) {
    counts.clear();
    if (!texts[i].empty()) {
      std::vector<uint8_t> data = recordOf(texts[i]);
      counts.addRecord(data.data(), data.size());
    }
    model.setLanguage(static_cast<int>(i), counts);
  }
  return model;
}

std::vector<uint32_t> sampleOf(const std::string& text) {
  NgramCounter counter;
  counter.add(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  counter.finish();
  return std::vector<uint32_t>(counter.counts(),
                               counter.counts() + NGRAM_BUCKETS);
}

const char* const ENGLISH =
    "the cat sat on the mat and the dog lay by the door of the house";
const char* const GERMAN =
    "der hund und die katze schlafen auf dem sofa in der warmen stube";
const char* const FINNISH =
    "kissa istuu matolla ja koira makaa talon oven vieressa hiljaa";

TEST(NgramMatchTest, ScoresAreExactIntegerSumsOverFullCounts) {
  // Counts far beyond what a record keeps, and sums far beyond 32 bits.
  NgramModel model = modelOf({ENGLISH, "", GERMAN});
  std::vector<uint32_t> sample(NGRAM_BUCKETS, 0);
  for (int b = 0; b < 400; b += 3)
    sample[b] = 30000u + static_cast<uint32_t>(b);
  sample[1] = 1;
  sample[70] = 3000000000u;
  sample[16383] = UINT32_MAX;
  NgramMatch match = matchNgrams(model, sample.data());
  for (int e : {0, 2}) {
    int64_t expected = 0;
    for (int b = 0; b < NGRAM_BUCKETS; ++b) {
      expected += int64_t{sample[b]} * model.weight(b, e);
    }
    EXPECT_EQ(match.scores[static_cast<size_t>(e)], expected);
  }
}

TEST(NgramMatchTest, ManyLanguagesScoreAsDirectSums) {
  // More languages than one column of partial sums holds, and a count per
  // bucket that forces flushes of the partial sums.
  std::vector<std::string> texts;
  uint32_t x = 16;
  for (int e = 0; e < 601; ++e) {
    std::string text;
    for (int i = 0; i < 120; ++i) {
      x = x * 1664525u + 1013904223u;
      text += static_cast<char>('a' + (x >> 24) % 26);
    }
    texts.push_back(e % 7 == 3 ? "" : text);
  }
  const NgramModel model = modelOf(texts);
  std::vector<uint32_t> sample = sampleOf(texts[0] + texts[1]);
  sample[9] = 200000u;
  const NgramMatch match = matchNgrams(model, sample.data());
  ASSERT_EQ(match.scores.size(), texts.size());
  for (int e = 0; e < model.languageCount(); ++e) {
    if (!model.hasData(e)) continue;
    int64_t expected = 0;
    for (int b = 0; b < NGRAM_BUCKETS; ++b) {
      expected += int64_t{sample[b]} * model.weight(b, e);
    }
    ASSERT_EQ(match.scores[static_cast<size_t>(e)], expected) << e;
  }
}

TEST(NgramMatchTest, RanksTheTextsOwnLanguageFirst) {
  NgramModel model = modelOf({ENGLISH, GERMAN, FINNISH});
  EXPECT_EQ(
      matchNgrams(model, sampleOf("the dog and the cat").data()).ranking[0], 0);
  EXPECT_EQ(
      matchNgrams(model, sampleOf("die katze und der hund").data()).ranking[0],
      1);
  EXPECT_EQ(matchNgrams(model, sampleOf("koira ja kissa").data()).ranking[0],
            2);
}

TEST(NgramMatchTest, BarsArePosteriorSharesSummingToOne) {
  NgramModel model = modelOf({ENGLISH, GERMAN, FINNISH});
  NgramMatch match = matchNgrams(model, sampleOf("the mat").data());
  const int64_t best = match.scores[static_cast<size_t>(match.ranking[0])];
  double sum = 0;
  for (int64_t s : match.scores) sum += std::exp((s - best) / 1000.0);
  double total = 0;
  for (size_t e = 0; e < 3; ++e) {
    EXPECT_NEAR(match.bars[e],
                std::exp((match.scores[e] - best) / 1000.0) / sum, 1e-6);
    total += match.bars[e];
  }
  EXPECT_NEAR(total, 1.0, 1e-6);
  // Falling scores, falling bars.
  for (size_t r = 1; r < 3; ++r) {
    EXPECT_GE(match.scores[static_cast<size_t>(match.ranking[r - 1])],
              match.scores[static_cast<size_t>(match.ranking[r])]);
  }
}

TEST(NgramMatchTest, TiesGoToTheEarlierLanguageAndNoDataComesLast) {
  // Languages 0 and 3 have no data; 1 and 2 are identical, so tie.
  NgramModel model = modelOf({"", ENGLISH, ENGLISH, ""});
  NgramMatch match = matchNgrams(model, sampleOf("the cat").data());
  EXPECT_EQ(match.ranking, (std::vector<int32_t>{1, 2, 0, 3}));
  EXPECT_EQ(match.scores[1], match.scores[2]);
  EXPECT_FLOAT_EQ(match.bars[1], 0.5f);
  EXPECT_FLOAT_EQ(match.bars[2], 0.5f);
  EXPECT_TRUE(std::isnan(match.bars[0]));
  EXPECT_TRUE(std::isnan(match.bars[3]));
  EXPECT_EQ(match.scores[0], 0);
}

TEST(NgramMatchTest, EmptySampleListsDatabaseOrderWithEqualBars) {
  NgramModel model = modelOf({FINNISH, ENGLISH, "", GERMAN});
  std::vector<uint32_t> empty(NGRAM_BUCKETS, 0);
  NgramMatch match = matchNgrams(model, empty.data());
  EXPECT_EQ(match.ranking, (std::vector<int32_t>{0, 1, 3, 2}));
  for (size_t e : {0u, 1u, 3u}) {
    EXPECT_EQ(match.scores[e], 0);
    EXPECT_FLOAT_EQ(match.bars[e], 1.0f / 3.0f);
  }
  EXPECT_TRUE(std::isnan(match.bars[2]));
}

TEST(NgramMatchTest, DatabaseWithoutNgramDataListsEveryLanguageUnscored) {
  NgramModel model = modelOf({"", ""});
  EXPECT_FALSE(model.carriesData());
  NgramMatch match = matchNgrams(model, sampleOf("anything").data());
  EXPECT_EQ(match.ranking, (std::vector<int32_t>{0, 1}));
  EXPECT_TRUE(std::isnan(match.bars[0]));
  EXPECT_TRUE(std::isnan(match.bars[1]));

  NgramMatch none = matchNgrams(NgramModel(), sampleOf("x").data());
  EXPECT_TRUE(none.ranking.empty());
  EXPECT_TRUE(none.bars.empty());
}

TEST(NgramMatchTest, FarBehindLanguagesGetAZeroBarNotANumber) {
  // A long sample makes score gaps of millions: exp underflows to 0.
  NgramModel model = modelOf({ENGLISH, FINNISH});
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "the cat and the dog ";
  NgramMatch match = matchNgrams(model, sampleOf(text).data());
  EXPECT_EQ(match.ranking[0], 0);
  EXPECT_FLOAT_EQ(match.bars[0], 1.0f);
  EXPECT_EQ(match.bars[1], 0.0f);
}

TEST(NgramMatchTest, RowsCarryNamesAndBarsBestFirst) {
  NgramModel model = modelOf({"", ENGLISH, GERMAN});
  std::vector<LetterProfile> languages(4);  // one more than the model knows
  const char* const names[] = {"None", "English", "German", "Late"};
  for (size_t e = 0; e < 4; ++e) {
    languages[e].name = names[e];
    languages[e].recordId = 300 + static_cast<uint32_t>(e);
  }
  const std::vector<uint32_t> sample = sampleOf("die katze");
  const NgramMatch match = matchNgrams(model, sample.data());
  const std::vector<MatchRow> rows =
      matchSampleByNgrams(model, sample.data(), languages);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].name, "German");
  EXPECT_EQ(rows[0].recordId, 302u);
  EXPECT_EQ(rows[0].score, match.bars[2]);
  EXPECT_EQ(rows[1].name, "English");
  EXPECT_EQ(rows[2].name, "None");
  EXPECT_TRUE(std::isnan(rows[2].score));
  EXPECT_EQ(rows[3].name, "Late");
  EXPECT_EQ(rows[3].language, 3);
  EXPECT_TRUE(std::isnan(rows[3].score));
}

}  // namespace
}  // namespace letterfreq
