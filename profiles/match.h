// Matching a sample against every language of a database by the methods
// over its 255 counts, their codes, and the ranking of the languages best
// first. Plain functions over the sample's 255 counts and the list of
// language profiles; nothing here draws, prints or keeps state between
// calls. All frequency arithmetic is single precision, term by term in
// rising byte order, so a score is the same float wherever it is computed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/letter_profile.h"

namespace letterfreq {

// Method codes: the user data of the items of the window's method menu
// (profiles/methods.h has the table of methods).
constexpr int METHOD_DIFFERENCE = 1;
constexpr int METHOD_ONE_STD_DEVIATION = 2;
constexpr int METHOD_TWO_STD_DEVIATIONS = 3;
constexpr int METHOD_THREE_STD_DEVIATIONS = 4;
constexpr int METHOD_FOUR_STD_DEVIATIONS = 5;
constexpr int METHOD_TENDENCY_PULL = 6;
// Ranks by the sample's byte n-grams, not by its 255 counts, so it has its
// own match (profiles/ngram_match.h); matchScores and matchSample refuse it.
constexpr int METHOD_NGRAM_LIKELIHOOD = 7;
constexpr int METHOD_WORD_NGRAM_LIKELIHOOD = 8;
// The last of the methods over the 255 counts.
constexpr int LAST_METHOD_CODE = METHOD_TENDENCY_PULL;

// What a match needs of the languages, laid out for fast scoring: each
// language's relative frequencies p(e, b) = count of b / sum of its 255
// counts, n x p(e, b) with n its number of entries, its standard deviations,
// n and n + 1. Each value is the very float a match would compute itself,
// computed once, so that many samples can be matched against one database
// without redoing it. Holds copies: the profiles may change or go away
// afterwards.
//
// Languages go in blocks of LANES; inside a block the values of one byte
// value lie side by side, so the running sums of all languages of a block
// advance together while each still adds its own terms in rising byte order.
// Index of language e, byte b: ((e / LANES) * 255 + b) * LANES + e % LANES.
// The lanes after the last language are padding and are never reported.
struct LanguageTable {
  static constexpr int LANES = 8;

  explicit LanguageTable(ProfileList languages);

  int size = 0;                       // number of languages
  int blocks = 0;                     // size / LANES, rounded up
  std::vector<float> freqs;           // p(e, b)
  std::vector<float> weightedFreqs;   // n x p(e, b)
  std::vector<float> stdDevs;         // stdDevs[b] of language e
  std::vector<float> entries;         // [block][lane]: n
  std::vector<float> entriesPlusOne;  // [block][lane]: n + 1
};

// One score per language into `scores`, in the order of the languages.
// Each takes the sample's 255 counts (index = byte value); where the
// processor has AVX2 a block of languages is summed in one instruction
// (profiles/match_lanes.h), the same floats bit for bit. A score that is
// not a number (a language without counts, or a sample without counts)
// stays NaN.
//
// 1 minus the sum over the byte values of |q(b) - p(e, b)|.
void scoreDifference(const int32_t* sampleCounts, const LanguageTable& table,
                     std::vector<float>& scores);
// The share of the 255 byte values whose sample frequency lies within k
// (1 to 4) standard deviations of the language's frequency, adding the
// float 1/255 per byte value inside.
void scoreDeviations(const int32_t* sampleCounts, const LanguageTable& table,
                     int k, std::vector<float>& scores);
template <int K>
void scoreWithinDeviations(const int32_t* sampleCounts,
                           const LanguageTable& table,
                           std::vector<float>& scores) {
  scoreDeviations(sampleCounts, table, K, scores);
}
// 1 minus twice the sum over the byte values of |p(e, b) - m|, m being the
// language's frequency if the sample were one more of its entries.
void scoreTendencyPull(const int32_t* sampleCounts, const LanguageTable& table,
                       std::vector<float>& scores);

// Scores by method code, for the methods over the 255 counts: 1
// Difference, 2 to 5 one to four standard deviations, 6 Tendency Pull.
// False, `scores` emptied, for any other code.
bool matchScores(int methodCode, const int32_t* sampleCounts,
                 const LanguageTable& languages, std::vector<float>& scores);

// One row of a ranking.
struct MatchRow {
  int language = 0;       // index into the language list
  std::string name;       // the language's name
  uint32_t recordId = 0;  // id of its language record
  float score = 0.0f;     // NaN when the score is not a number
};

// The languages best first: every language exactly once, by falling score,
// ties to the earlier language, scores that are not a number last.
// `scores` has one element per language.
std::vector<MatchRow> rankResults(const std::vector<float>& scores,
                                  ProfileList languages);

// A ranking by positions, without names: what a batch of samples needs,
// kept from sample to sample so that matching one allocates nothing.
struct Ranking {
  std::vector<int32_t> languages;  // positions in the language list
  std::vector<float> scores;       // the score of each, in the same order
  // Room for the methods' work; what it holds between calls means nothing.
  std::vector<float> everyScore;
  std::vector<uint64_t> keys;
  // The likelihood methods leave s_L of every language here, by position,
  // and N, the sample's features: shares among candidates and a
  // calibrated confidence are made from them.
  std::vector<int64_t> ngramSums;
  uint64_t sampleFeatures = 0;
  std::vector<double> ngramWeights;
  std::vector<uint16_t> touchedBuckets;
};

// The first `limit` languages (all of them for 0) of the order that
// rankResults gives, into `out`.
void rankScores(const std::vector<float>& scores, size_t limit, Ranking& out);

// The rows of a ranking, named from `languages` (a position beyond them
// gets an empty name and id 0).
std::vector<MatchRow> namedRows(const Ranking& ranking,
                                ProfileList languages);

// The whole match of one sample: scores by the method, then the ranking.
// Empty for a code that is no method over the counts (and for no
// languages).
std::vector<MatchRow> matchSample(int methodCode, const int32_t* sampleCounts,
                                  ProfileList languages);
std::vector<MatchRow> matchSample(int methodCode, const int32_t* sampleCounts,
                                  const LanguageTable& table,
                                  ProfileList languages);

}  // namespace letterfreq
