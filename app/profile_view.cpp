#include "app/profile_view.h"

#include <memory>

#include "app/code_page.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

constexpr int32_t KIBI = 1024;
constexpr int32_t MEBI = 1024 * 1024;

LetterStat statOf(const LetterProfile& profile, int index, uint8_t flags) {
  const uint8_t letter = profile.order[index];
  const float deviation =
      (flags & SHOW_DEVIATIONS) ? profile.stdDevs[letter] : 0.0f;
  return LetterStat(letter, profile.counts[letter], profile.totalCount,
                    deviation);
}

void addSummary(TreeBrowser& tree, TreeNode* parent,
                const LetterProfile& profile) {
  const int32_t total = profile.totalCount;
  if (total > 100 * MEBI) {
    tree.addLeaf(parent, TOTAL_M_LABEL, RowContent::number(total / MEBI));
  } else if (total > 100 * KIBI) {
    tree.addLeaf(parent, TOTAL_K_LABEL, RowContent::number(total / KIBI));
  } else {
    tree.addLeaf(parent, TOTAL_LABEL, RowContent::number(total));
  }
  tree.addLeaf(parent, USED_LABEL, RowContent::number(profile.usedCount));
}

}  // namespace

LetterStat::LetterStat(uint8_t letter, int32_t count, int32_t total,
                       float deviation)
    : letter(letter),
      count(count),
      total(total),
      deviation(deviation),
      label(letterLabel(letter)) {}

std::string letterLabel(uint8_t letter) {
  switch (letter) {
    case '\t':
      return "\\/t";
    case '\n':
      return "\\/n";
    case '\r':
      return "\\/r";
    case ' ':
      return "' '";
    case '/':
      return "\\/ ";
    default:
      break;
  }
  if (letter <= 32) return std::to_string(letter);
  return std::string(1, static_cast<char>(letter));
}

void showLetter(const LetterStat& stat, TreeBrowser& tree, TreeNode* parent) {
  const float share =
      static_cast<float>(stat.count) / static_cast<float>(stat.total);
  // A lone backslash would be read as an escape and vanish: escape it.
  const std::string path = stat.letter == '\\' ? "\\\\" : stat.label;
  TreeNode* branch = tree.appendBranch(parent, windows1252ToUtf8(path),
                                       RowContent::bar(share));
  const uint8_t letter = stat.letter;
  const int32_t count = stat.count;
  const int32_t total = stat.total;
  const float deviation = stat.deviation;
  tree.populateOnOpen(branch, [letter, count, total, deviation](
                                  TreeBrowser& t, TreeNode* b) {
    t.addLeaf(b, CODE_LABEL, RowContent::number(letter));
    t.addLeaf(b, COUNT_LABEL, RowContent::number(count));
    t.addLeaf(b, PERCENT_LABEL,
              RowContent::number(count * 100.0 / total));
    if (deviation != 0) {  // also NaN
      t.addLeaf(b, windows1252ToUtf8(DEVIATION_LABEL),
                RowContent::number(deviation * 100.0f));
    }
  });
}

void showProfile(TreeBrowser& tree, TreeNode* parent, LetterProfile& profile,
                 uint8_t limit, uint8_t flags) {
  if (flags & SHOW_DEVIATIONS) profile.computeStdDevs();
  if (profile.totalCount == 0) profile.computeTotals();
  if (flags & SHOW_SUMMARY) addSummary(tree, parent, profile);

  int i = 0;
  for (; i <= 254 && profile.order[i] != 0 && (limit == 0 || i < limit); ++i) {
    showLetter(statOf(profile, i, flags), tree, parent);
  }
  if (limit == 0 || i != limit) return;

  // Also when nothing follows: then "More..." opens on no rows.
  TreeNode* more = tree.addBranch(parent, MORE_LABEL);
  auto rest = std::make_shared<const LetterProfile>(profile);
  tree.populateOnOpen(more, [rest, i, flags](TreeBrowser& t, TreeNode* node) {
    for (int j = i; j <= 254 && rest->order[j] != 0; ++j) {
      showLetter(statOf(*rest, j, flags), t, node);
    }
  });
}

}  // namespace letterfreq
