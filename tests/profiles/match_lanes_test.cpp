// The SIMD scoring of the six methods, in every lane set the processor
// runs, against the plain version, its oracle: every score the same bits,
// over random languages (empty ones, huge counts, zero and large
// deviations, any number of blocks and padding lanes) and over the starter
// database.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/match.h"
#include "profiles/match_plain.h"

namespace letterfreq {
namespace {

using Counts = std::array<int32_t, PROFILE_SLOTS>;

uint32_t bitsOf(float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Method `code` (1 to 6): by the product's scoring when `plainly` is
// false, else by the plain oracle.
void scoreBy(bool plainly, int code, const int32_t* sample,
             const LanguageTable& table, std::vector<float>& scores) {
  if (code == METHOD_DIFFERENCE) {
    plainly ? plain::scoreDifference(sample, table, scores)
            : scoreDifference(sample, table, scores);
  } else if (code == METHOD_TENDENCY_PULL) {
    plainly ? plain::scoreTendencyPull(sample, table, scores)
            : scoreTendencyPull(sample, table, scores);
  } else {
    plainly ? plain::scoreDeviations(sample, table, code - 1, scores)
            : scoreDeviations(sample, table, code - 1, scores);
  }
}

// Every method, every sample: the same bits as the oracle.
void expectSameBits(ProfileList languages, const std::vector<Counts>& samples) {
  const LanguageTable table(languages);
  std::vector<float> lanes, plainScores;
  for (int code = METHOD_DIFFERENCE; code <= METHOD_TENDENCY_PULL; ++code) {
    for (size_t s = 0; s < samples.size(); ++s) {
      scoreBy(true, code, samples[s].data(), table, plainScores);
      ASSERT_EQ(plainScores.size(), languages.size());
      scoreBy(false, code, samples[s].data(), table, lanes);
      ASSERT_EQ(lanes.size(), plainScores.size());
      for (size_t e = 0; e < lanes.size(); ++e) {
        ASSERT_EQ(bitsOf(lanes[e]), bitsOf(plainScores[e]))
            << "method " << code << ", sample " << s << ", language " << e
            << ": " << lanes[e] << " against " << plainScores[e];
      }
    }
  }
}

Counts randomCounts(std::mt19937& random) {
  Counts counts{};
  const uint32_t kind = random() % 8;
  if (kind == 0) return counts;  // no counts: every frequency 0/0
  for (int32_t& count : counts) {
    const uint32_t r = random();
    if (r % 3 == 0) continue;  // unused byte values, as in text
    count = kind == 1 ? static_cast<int32_t>(r % 8000000)  // huge totals
                      : static_cast<int32_t>(r % 3000);
  }
  if (kind == 2) counts[random() % PROFILE_SLOTS] = 1;  // mostly ones
  return counts;
}

LetterProfile randomLanguage(std::mt19937& random, int e) {
  LetterProfile language;
  language.name = "L" + std::to_string(e);
  language.counts = randomCounts(random);
  language.sampleCount = static_cast<int32_t>(random() % 7);
  std::uniform_real_distribution<float> spread(0.0f, 0.05f);
  for (float& deviation : language.stdDevs) {
    const uint32_t r = random() % 4;
    deviation = r == 0 ? 0.0f : r == 1 ? spread(random) * 20 : spread(random);
  }
  return language;
}

TEST(MatchLanesTest, RandomLanguagesScoreAsThePlainVersion) {
  std::mt19937 random(16);
  for (int round = 0; round < 60; ++round) {
    // 0 to 40 languages: no block, partial blocks, odd and even counts;
    // then up to 139, for the wide lanes' runs of eight blocks.
    const int n = round < 41 ? round : static_cast<int>(random() % 140);
    std::vector<LetterProfile> languages;
    for (int e = 0; e < n; ++e) languages.push_back(randomLanguage(random, e));
    std::vector<Counts> samples;
    for (int s = 0; s < 20; ++s) samples.push_back(randomCounts(random));
    // A sample equal to a language: every byte value inside its band.
    if (n > 0) samples.push_back(languages[0].counts);
    expectSameBits(languages, samples);
  }
}

TEST(MatchLanesTest, StarterDatabaseScoresAsThePlainVersion) {
  const std::string path =
      std::string(LETTERFREQ_SOURCE_DIR) + "/data/ling2.db";
  ASSERT_TRUE(std::ifstream(path).good()) << "missing " << path;
  const RecordFile database(path);
  const DatabaseLoad load = loadDatabase(database, {});
  ASSERT_FALSE(load.languageProfiles().empty());
  // Each language's own counts as a sample, and random samples.
  std::vector<Counts> samples;
  for (const LetterProfile& language : load.languageProfiles()) {
    samples.push_back(language.counts);
  }
  std::mt19937 random(7);
  for (int s = 0; s < 50; ++s) samples.push_back(randomCounts(random));
  expectSameBits(load.languageProfiles(), samples);
}

}  // namespace
}  // namespace letterfreq
