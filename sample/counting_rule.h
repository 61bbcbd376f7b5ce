// The counting rule: the byte filter shared by file and HTTP samples. It
// leaves out markup tags and character entities, reads CR as LF and counts a
// run of the same white-space byte once. The state lives in the object, so a
// source may be fed in pieces cut anywhere (file blocks, socket reads) and
// gives the same counts as one piece.
//
// With markup filtering, each byte is handled as follows (CR first becomes
// LF):
//   - "<" starts markup and ">" ends it; neither is ever counted, nor is
//     anything in between.
//   - "&" (also inside markup) skips every byte up to and including the next
//     ";", untranslated and unexamined; without a ";" it skips to the end.
//   - any other byte outside markup is counted, except that a TAB, LF or
//     space equal to the previous such tested byte is not (a run counts
//     once). Markup and skipped bytes never change that previous byte.
// Without markup filtering every byte is counted (CR still as LF).
// Byte 255 is handled like any other byte but has no slot.
//
// How it is fast: the counted bytes are found 64 at a time
// (sample/counted_bytes.h), with the markup and entity state of each byte
// worked out from bit masks of the block instead of a branch per tag, and
// gathered into a small buffer, which is what attachments hear
// (sample/counting_pass.h), and counted from it in one go with four
// tables, as the fastest plain byte histogram counts. The rule as it was,
// a byte at a time, is the oracle of the randomised tests
// (tests/sample/plain_counting_rule.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "sample/counted_bytes.h"

namespace letterfreq {

// A 64-bit tally as a 32-bit count: held at INT32_MAX instead of wrapping,
// so a sample of several GiB keeps its largest counts at the top.
constexpr int32_t saturatedCount(uint64_t tally) {
  return tally < 0x7FFFFFFFull ? static_cast<int32_t>(tally) : 0x7FFFFFFF;
}

class CountingRule {
 public:
  explicit CountingRule(bool filterMarkup);

  // Back to the start of a source, all counts 0.
  void reset();

  // Counts the next bytes of the source.
  void feed(const uint8_t* bytes, size_t length) {
    feed(bytes, length, [](const uint8_t*, size_t) {});
  }

  // The same, and hands every byte that adds 1 to a slot, in source order
  // (byte 255 has no slot and is never passed), to onRun(counted, length)
  // in runs of up to RUN_CAPACITY bytes; all runs of a piece are handed
  // over before feed returns.
  template <class OnRun>
  void feed(const uint8_t* bytes, size_t length, OnRun&& onRun) {
    const uint8_t* p = bytes;
    const uint8_t* const end = bytes + length;
    while (p < end) {
      size_t counted = 0;
      p = gather(p, end, counted);
      if (counted == 0) continue;
      onRun(static_cast<const uint8_t*>(run_), counted);
    }
  }

  // Writes the counts of byte values 0..254 into a 255-slot table,
  // replacing what it held; counts beyond INT32_MAX are held at INT32_MAX.
  void copyCountsTo(int32_t* counts) const;

  static constexpr size_t RUN_CAPACITY = 4096;

 private:
  // Moves the counted bytes of [p, end) into run_ until it is full or the
  // piece ends, and counts them; returns where it stopped, with their
  // number in `counted`.
  const uint8_t* gather(const uint8_t* p, const uint8_t* end, size_t& counted);

  // Adds the run's first `counted` bytes to the tallies.
  void tally(size_t counted);
  // Adds the tallies to the totals and clears them.
  void addTalliesToTotals();

  bool filterMarkup_;
  CountedBytesState state_;
  // Four tables, summed when read: a byte repeated in a row does not wait
  // for its own previous increment. 32-bit, as they count faster than
  // 64-bit ones, and added to 64-bit totals (no wrap on huge samples)
  // before they can fill.
  uint32_t tally_[4][256] = {};
  uint64_t totals_[256] = {};
  size_t tallied_ = 0;  // bytes in the tallies
  // RUN_CAPACITY counted bytes and the room gathering writes beyond them.
  alignas(64) uint8_t run_[RUN_CAPACITY + COUNTED_BYTES_SLACK];
};

}  // namespace letterfreq
