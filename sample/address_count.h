// AddressCount: what counting an http:// and an https:// address share on
// the way in and on every way out. On the way in the counts are zeroed,
// the pass is started and the outcome is marked as an address's; on the
// way out the outcome is handed over (when one is wanted), with the counts
// and attachments finished after a response or the attachments emptied
// without one. Lives for one count; borrows everything it is given.
#pragma once

#include <cstdint>

#include "sample/counting_pass.h"
#include "sample/sample_limits.h"

namespace letterfreq {

class AddressCount {
 public:
  AddressCount(int32_t* counts, CountingPass& pass, SampleOutcome* outcome);
  ~AddressCount();
  AddressCount(const AddressCount&) = delete;
  AddressCount& operator=(const AddressCount&) = delete;

  CountingPass& pass() { return pass_; }
  SampleOutcome& outcome() { return told_; }

  // A response came (whole or cut short): counts and attachments finished.
  // Returns true.
  bool answered();
  // None came: counts stay zero, attachments empty. Returns false.
  bool failed();

 private:
  int32_t* counts_;
  CountingPass& pass_;
  SampleOutcome* outcome_;
  SampleOutcome told_;
};

}  // namespace letterfreq
