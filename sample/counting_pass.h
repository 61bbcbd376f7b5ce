// CountingPass: one sample counted through the counting rule, with the
// attachments that learn more from it in the same pass (the n-gram
// counter). Every reader takes a pass, so that one more statistic of a
// sample is one more attachment, not one more parameter on every reader.
// The pass owns the rule's state; attachments are borrowed and must
// outlive it. A pass serves one sample at a time and may be reused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sample/counting_rule.h"

namespace letterfreq {

// Hears the bytes the counting rule counts, in source order (byte 255,
// which has no slot, left out): the sample's n-gram stream.
class CountingAttachment {
 public:
  virtual ~CountingAttachment() = default;
  // A new sample: back to empty.
  virtual void reset() = 0;
  // The next counted bytes.
  virtual void add(const uint8_t* counted, size_t length) = 0;
  // The sample is complete.
  virtual void finish() = 0;
};

class CountingPass {
 public:
  explicit CountingPass(bool filterMarkup = true);
  // A pass with markup filtering and `attachment` attached.
  explicit CountingPass(CountingAttachment& attachment);

  CountingPass& attach(CountingAttachment& attachment);
  bool filterMarkup() const { return filterMarkup_; }

  // What a reader does with it: start() before the first byte of a
  // sample, feed() its bytes in pieces cut anywhere, then either finish()
  // (counts of byte values 0..254 into `counts`, attachments finished) or
  // discard() (the read failed: attachments left empty).
  void start();
  void feed(const uint8_t* bytes, size_t length);
  void finish(int32_t* counts);
  void discard();
  // A sample held whole in memory: start(), feed() and finish() at once.
  void count(const uint8_t* bytes, size_t length, int32_t* counts);

 private:
  bool filterMarkup_;
  CountingRule rule_;
  std::vector<CountingAttachment*> attachments_;
};

}  // namespace letterfreq
