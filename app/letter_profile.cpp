#include "app/letter_profile.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

namespace letterfreq {

void LetterProfile::sortOrder() {
  orderByCount(counts.data(), order.data(), PROFILE_SLOTS);
}

void LetterProfile::computeTotals() {
  totalCount = 0;
  int i = 0;
  while (i < PROFILE_SLOTS && order[i] != 0) {
    totalCount = saturatingAdd(totalCount, counts[order[i]]);
    ++i;
  }
  usedCount = i;
}

void LetterProfile::computeStdDevs() {
  const int32_t n = sampleCount;
  if (n <= 1) return;
  const float nf = static_cast<float>(n);
  for (int i = 0; i < PROFILE_SLOTS; ++i) {
    const uint8_t b = order[i];
    if (b == 0) break;
    if (counts[b] == 0) continue;
    const float square = sums[b] * sums[b];
    const float m = square / nf;
    // Rounding noise must not give the root of a tiny negative number.
    if (rangesOverlap(sumSquares[b], 1e-8f, m, 0.0f)) continue;
    // n - 1 is taken in integers, then made a float, like n itself: for
    // n above 2^24 the float n minus 1 would be a different divisor.
    const float variance =
        (sumSquares[b] - square / nf) / static_cast<float>(n - 1);
    stdDevs[b] = std::sqrt(variance);
  }
}

void orderByCount(const int32_t* values, uint8_t* out, int n) {
  if (n <= 0) return;
  // A stable sort by falling value gives exactly the selection by maximum:
  // positive values only, equal values in rising position.
  std::vector<int> positions;
  positions.reserve(n);
  for (int pos = 0; pos < n; ++pos) {
    if (values[pos] > 0) positions.push_back(pos);
  }
  std::stable_sort(positions.begin(), positions.end(),
                   [values](int a, int b) { return values[a] > values[b]; });
  int j = 0;
  for (int pos : positions) {
    if (j >= n - 1) break;
    out[j++] = static_cast<uint8_t>(pos);
  }
  while (j < n - 1) out[j++] = 0;
}

void rankByValue(const float* values, int32_t* out, int n) {
  if (n <= 0) return;
  std::vector<int32_t> positions(n);
  std::iota(positions.begin(), positions.end(), 0);
  std::stable_sort(positions.begin(), positions.end(),
                   [values](int32_t a, int32_t b) {
                     const bool aNan = std::isnan(values[a]);
                     const bool bNan = std::isnan(values[b]);
                     if (aNan || bNan) return !aNan && bNan;
                     return values[a] > values[b];
                   });
  std::copy(positions.begin(), positions.end(), out);
}

bool rangesOverlap(float a, float ea, float b, float eb) {
  const float loA = a - std::fabs(ea);
  const float hiA = a + std::fabs(ea);
  const float loB = b - std::fabs(eb);
  const float hiB = b + std::fabs(eb);
  return (loB <= loA && loA <= hiB) || (loA <= loB && loB <= hiA);
}

}  // namespace letterfreq
