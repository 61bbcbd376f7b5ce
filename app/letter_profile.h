// LetterProfile: the byte-value frequencies of one body of text (a sample,
// one language of a database, or the totals of a database), with the small
// ordering and statistics routines that the display and the matching share.
// A plain value: copies are independent (the name is a std::string).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace letterfreq {

// Byte values 0..254 have a counter; byte 255 is never counted.
constexpr int PROFILE_SLOTS = 255;

struct LetterProfile {
  std::string name;        // language name; empty for the sample and totals
  uint32_t recordId = 0;   // id of the language record; 0 otherwise
  int32_t totalCount = 0;  // sum of counts over the values listed in order
  int32_t usedCount = 0;   // number of values listed in order
  std::array<int32_t, PROFILE_SLOTS> counts{};    // index = byte value
  std::array<uint8_t, PROFILE_SLOTS> order{};     // by falling count, 0-ended
  std::array<float, PROFILE_SLOTS> sumSquares{};  // per byte: sum of freq^2
  std::array<float, PROFILE_SLOTS> sums{};        // per byte: sum of freq
  std::array<float, PROFILE_SLOTS> stdDevs{};     // per byte: sample std dev
  int32_t sampleCount = 0;  // samples folded into sums and sumSquares

  // Fills order from counts (orderByCount over the 255 slots).
  void sortOrder();
  // Sets totalCount and usedCount from order and counts. The total
  // saturates at INT32_MAX instead of wrapping.
  void computeTotals();
  // Sets stdDevs from sums, sumSquares and sampleCount (single precision).
  void computeStdDevs();
};

// A borrowed, read-only list of profiles: a std::vector<LetterProfile>, or
// one LetterProfile member of every element of another vector (the
// languages of a database load), read in place at that vector's stride so
// that no copy is made. The vector must outlive the list and keep its
// size while the list is used.
class ProfileList {
 public:
  class Iterator {
   public:
    Iterator(const ProfileList& list, size_t at) : list_(&list), at_(at) {}
    const LetterProfile& operator*() const { return (*list_)[at_]; }
    Iterator& operator++() {
      ++at_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return at_ != other.at_; }

   private:
    const ProfileList* list_;
    size_t at_;
  };

  ProfileList() = default;
  // Every vector of profiles is a list of them: no explicit.
  ProfileList(const std::vector<LetterProfile>& profiles)  // NOLINT
      : first_(reinterpret_cast<const unsigned char*>(profiles.data())),
        size_(profiles.size()),
        stride_(sizeof(LetterProfile)) {}
  // The `member` of each element of `owners`.
  template <class Owner>
  ProfileList(const std::vector<Owner>& owners, LetterProfile Owner::*member)
      : first_(owners.empty() ? nullptr
                              : reinterpret_cast<const unsigned char*>(
                                    &(owners.front().*member))),
        size_(owners.size()),
        stride_(sizeof(Owner)) {}

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  const LetterProfile& operator[](size_t i) const {
    return *reinterpret_cast<const LetterProfile*>(first_ + i * stride_);
  }
  Iterator begin() const { return Iterator(*this, 0); }
  Iterator end() const { return Iterator(*this, size_); }

 private:
  const unsigned char* first_ = nullptr;
  size_t size_ = 0;
  size_t stride_ = sizeof(LetterProfile);
};

// Positions with a positive value, by falling value, ties to the lower
// position; out[0..n-2] is always written (zeros after the last listed
// position) and out[n-1] never. n must be at most 255.
void orderByCount(const int32_t* values, uint8_t* out, int n);

// A permutation of the positions 0..n-1 by falling value, ties to the lower
// position; values that are not a number come after all others. Any n.
void rankByValue(const float* values, int32_t* out, int n);

// True when the intervals a +- |ea| and b +- |eb| overlap (false with NaN).
bool rangesOverlap(float a, float ea, float b, float eb);

// a + b, held at INT32_MAX instead of wrapping (counts of huge samples).
inline int32_t saturatingAdd(int32_t a, int32_t b) {
  int64_t sum = int64_t{a} + int64_t{b};
  if (sum > INT32_MAX) return INT32_MAX;
  if (sum < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(sum);
}

}  // namespace letterfreq
