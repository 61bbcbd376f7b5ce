// The counting rule: the byte filter shared by file and HTTP samples. It
// leaves out markup tags and character entities, reads CR as LF and counts a
// run of the same white-space byte once. The state lives in the object, so a
// source may be fed in pieces cut anywhere (file blocks, socket reads) and
// gives the same counts as one piece.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace letterfreq {

class CountingRule {
 public:
  explicit CountingRule(bool filterMarkup);

  // Counts the next bytes of the source.
  void feed(const uint8_t* bytes, size_t length);

  // Writes the counts of byte values 0..254 into a 255-slot table,
  // replacing what it held; counts beyond INT32_MAX are held at INT32_MAX.
  void copyCountsTo(int32_t* counts) const;

 private:
  bool filterMarkup_;
  bool inMarkup_ = false;
  bool inEntity_ = false;  // skipping from an '&' up to its ';'
  uint8_t previous_ = 0;
  std::array<uint64_t, 256> tally_{};  // 64-bit: no wrap on huge samples
};

}  // namespace letterfreq
