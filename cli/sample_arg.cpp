#include "cli/sample_arg.h"

#include <istream>

#include "sample/sample_loader.h"

namespace letterfreq {

bool loadSampleArg(const std::string& sample, std::istream& in,
                   LetterProfile& profile, std::string* failure,
                   NgramCounter* ngrams) {
  if (sample != STDIN_SAMPLE) {
    return loadSample(sample, profile, failure, ngrams);
  }
  profile = LetterProfile();
  if (!countStream(in, profile.counts.data(), true, ngrams)) {
    profile = LetterProfile();
    if (failure != nullptr) *failure = STDIN_READ_FAILED;
    return false;
  }
  profile.sampleCount = 1;
  return true;
}

}  // namespace letterfreq
