#include "sample/address_count.h"

#include <algorithm>

namespace letterfreq {

AddressCount::AddressCount(int32_t* counts, CountingPass& pass,
                           SampleOutcome* outcome)
    : counts_(counts), pass_(pass), outcome_(outcome) {
  std::fill(counts, counts + 255, 0);
  pass.start();
  told_.isHttp = true;
}

AddressCount::~AddressCount() {
  if (outcome_ != nullptr) *outcome_ = told_;
}

bool AddressCount::answered() {
  pass_.finish(counts_);
  return true;
}

bool AddressCount::failed() {
  pass_.discard();
  return false;
}

}  // namespace letterfreq
