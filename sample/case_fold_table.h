// The two-byte UTF-8 letters (U+0080..U+07FF) whose lower case is another
// two-byte letter, as pairs. sample/case_fold_table.cpp is written by
// scripts/make-case-fold-table from Python's str.lower() of each single
// character; sample/case_fold.h turns the pairs into a lookup.
#pragma once

#include <cstddef>
#include <cstdint>

namespace letterfreq {

struct CaseFoldPair {
  uint16_t upper;  // code point
  uint16_t lower;
};

constexpr size_t CASE_FOLD_PAIR_COUNT = 440;
extern const CaseFoldPair CASE_FOLD_PAIRS[CASE_FOLD_PAIR_COUNT];

}  // namespace letterfreq
