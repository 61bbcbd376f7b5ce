// What the load tests share: a recorder of the load's hooks, and the
// comparison of two loads (the fast one and the slow one it is checked
// against, or two files that must load alike) byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "profiles/database_load.h"
#include "profiles/ngram_model.h"

namespace letterfreq {
namespace testing {

// What the hooks saw, in order.
struct Recorder {
  std::vector<std::pair<float, std::string>> progress;
  std::vector<std::string> warnings;
  int cancelFromCall = -1;  // answer false from this progress call on

  LoadHooks hooks() {
    LoadHooks hooks;
    hooks.progress = [this](float value, const std::string& message) {
      progress.emplace_back(value, message);
      return cancelFromCall < 0 ||
             static_cast<int>(progress.size()) < cancelFromCall;
    };
    hooks.warning = [this](const std::string& text) {
      warnings.push_back(text);
    };
    return hooks;
  }
};

inline bool sameBytes(const LetterProfile& a, const LetterProfile& b) {
  auto same = [](const auto& x, const auto& y) {
    return std::memcmp(x.data(), y.data(), sizeof(x[0]) * x.size()) == 0;
  };
  return a.name == b.name && a.recordId == b.recordId &&
         a.totalCount == b.totalCount && a.usedCount == b.usedCount &&
         same(a.counts, b.counts) && same(a.order, b.order) &&
         same(a.sums, b.sums) && same(a.sumSquares, b.sumSquares) &&
         same(a.stdDevs, b.stdDevs) && a.sampleCount == b.sampleCount;
}

inline void expectSameLoad(const DatabaseLoad& a, const DatabaseLoad& b) {
  EXPECT_EQ(a.outcome, b.outcome);
  EXPECT_EQ(a.endLanguage, b.endLanguage);
  EXPECT_EQ(a.endEntry, b.endEntry);
  EXPECT_TRUE(sameBytes(a.totals, b.totals));
  ASSERT_EQ(a.languageProfiles().size(), b.languageProfiles().size());
  for (size_t i = 0; i < a.languageProfiles().size(); ++i) {
    EXPECT_TRUE(sameBytes(a.languageProfiles()[i], b.languageProfiles()[i])) << i;
  }
  ASSERT_EQ(a.languages.size(), b.languages.size());
  for (size_t i = 0; i < a.languages.size(); ++i) {
    const LoadedLanguage& x = a.languages[i];
    const LoadedLanguage& y = b.languages[i];
    EXPECT_EQ(x.entryCount, y.entryCount);
    EXPECT_EQ(x.profileDone, y.profileDone);
    ASSERT_EQ(x.entries.size(), y.entries.size());
    for (size_t j = 0; j < x.entries.size(); ++j) {
      EXPECT_EQ(x.entries[j].id, y.entries[j].id);
      EXPECT_EQ(x.entries[j].name, y.entries[j].name);
      EXPECT_EQ(x.entries[j].profileRead, y.entries[j].profileRead);
      EXPECT_EQ(x.entries[j].totalCount, y.entries[j].totalCount);
      EXPECT_EQ(x.entries[j].usedCount, y.entries[j].usedCount);
      EXPECT_EQ(x.entries[j].countArray.id, y.entries[j].countArray.id);
      EXPECT_EQ(x.entries[j].sortArray.id, y.entries[j].sortArray.id);
    }
  }
}

// The same n-gram data and the same weights, whenever they were made.
inline void expectSameModel(const NgramModel& a, const NgramModel& b) {
  ASSERT_EQ(a.languageCount(), b.languageCount());
  EXPECT_EQ(a.carriesData(), b.carriesData());
  for (int e = 0; e < a.languageCount(); ++e) {
    EXPECT_EQ(a.hasData(e), b.hasData(e)) << e;
  }
  if (!a.carriesData()) return;
  EXPECT_EQ(a.largestWeightMagnitude(), b.largestWeightMagnitude());
  for (int bucket = 0; bucket < NGRAM_BUCKETS; ++bucket) {
    for (int e = 0; e < a.languageCount(); ++e) {
      ASSERT_EQ(a.weight(bucket, e), b.weight(bucket, e)) << bucket << " " << e;
    }
  }
}

}  // namespace testing
}  // namespace letterfreq
