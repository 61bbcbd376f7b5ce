// The display of a LetterProfile as rows of a TreeBrowser: optional summary
// rows (total characters, characters used), then one branch per listed byte
// value, most frequent first, with a bar of its share of the total; opened,
// a byte value's branch shows its code, count, percentage and, for a
// language, its standard deviation in percent. After a row limit the other
// byte values go into a "More..." branch. Byte-value branches and "More..."
// start closed and make their rows when first opened, so that a database of
// a thousand samples shows at once. The display keeps no state: what it
// adds stays in the tree until the caller clears it.
#pragma once

#include <cstdint>
#include <string>

#include "app/letter_profile.h"

namespace letterfreq {

class TreeBrowser;
class TreeNode;

// Display flags of showProfile.
constexpr uint8_t SHOW_SUMMARY = 1;     // the two summary rows
constexpr uint8_t SHOW_DEVIATIONS = 2;  // compute and show std deviations

inline constexpr const char* TOTAL_LABEL = "Total characters:";
inline constexpr const char* TOTAL_K_LABEL = "Total characters (K):";
inline constexpr const char* TOTAL_M_LABEL = "Total characters (M):";
inline constexpr const char* USED_LABEL = "Characters used:";
inline constexpr const char* MORE_LABEL = "More...";
inline constexpr const char* CODE_LABEL = "ASCII:";
inline constexpr const char* COUNT_LABEL = "Total:";
inline constexpr const char* PERCENT_LABEL = "%:";
// The plus-minus sign, one byte in the Windows-1252 code page.
inline constexpr const char* DEVIATION_LABEL = "\xB1";

// One byte value's figures while its branch is added.
struct LetterStat {
  LetterStat(uint8_t letter, int32_t count, int32_t total, float deviation);

  uint8_t letter;
  int32_t count;      // counts[letter] of the profile
  int32_t total;      // totalCount of the profile
  float deviation;    // stdDevs[letter] when deviations are shown, else 0
  std::string label;  // letterLabel(letter)
};

// The branch name of a byte value, byte for byte: "\\/t", "\\/n", "\\/r" for
// tab, line feed and carriage return, "' '" for the space, "\\/ " for the
// slash, the decimal number for the other values up to 32, and the byte
// itself for every other value.
std::string letterLabel(uint8_t letter);

// Adds the branch of one byte value under `parent`: always a branch of its
// own (the control bytes 1..8 are labelled like the digits '1'..'8'), shown
// with its bar; its rows are made when it is first opened.
void showLetter(const LetterStat& stat, TreeBrowser& tree, TreeNode* parent);

// Adds the rows of `profile` under `parent` (null: the tree's root).
// `limit` 0 lists every byte value, otherwise at most `limit` before the
// "More..." branch. Computes the deviations (SHOW_DEVIATIONS) and, when
// totalCount is 0, the totals of the profile first.
void showProfile(TreeBrowser& tree, TreeNode* parent, LetterProfile& profile,
                 uint8_t limit, uint8_t flags);

}  // namespace letterfreq
