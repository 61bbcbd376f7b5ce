#include "sample/case_fold.h"

#include <array>

#include "sample/case_fold_table.h"

namespace letterfreq {

const uint16_t* caseFoldLookup() {
  static const std::array<uint16_t, 2048> lookup = [] {
    std::array<uint16_t, 2048> codes{};
    for (uint16_t c = 0; c < codes.size(); ++c) codes[c] = c;
    for (const CaseFoldPair& pair : CASE_FOLD_PAIRS) {
      codes[pair.upper] = pair.lower;
    }
    return codes;
  }();
  return lookup.data();
}

}  // namespace letterfreq
