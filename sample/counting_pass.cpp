#include "sample/counting_pass.h"

namespace letterfreq {

CountingPass::CountingPass(bool filterMarkup)
    : filterMarkup_(filterMarkup), rule_(filterMarkup) {}

CountingPass::CountingPass(CountingAttachment& attachment)
    : CountingPass(true) {
  attach(attachment);
}

CountingPass& CountingPass::attach(CountingAttachment& attachment) {
  attachments_.push_back(&attachment);
  return *this;
}

void CountingPass::start() {
  rule_.reset();
  for (CountingAttachment* attachment : attachments_) attachment->reset();
}

void CountingPass::feed(const uint8_t* bytes, size_t length) {
  if (attachments_.empty()) {
    rule_.feed(bytes, length);
    return;
  }
  rule_.feed(bytes, length, [this](const uint8_t* counted, size_t run) {
    for (CountingAttachment* attachment : attachments_) {
      attachment->add(counted, run);
    }
  });
}

void CountingPass::finish(int32_t* counts) {
  rule_.copyCountsTo(counts);
  for (CountingAttachment* attachment : attachments_) attachment->finish();
}

void CountingPass::discard() {
  for (CountingAttachment* attachment : attachments_) attachment->reset();
}

void CountingPass::count(const uint8_t* bytes, size_t length,
                         int32_t* counts) {
  start();
  feed(bytes, length);
  finish(counts);
}

}  // namespace letterfreq
