// Loading a sample: the decision between a file and an http:// address, and
// counting a file through the counting rule. Failures are reported by their
// fixed message text; showing it is the caller's job.
#pragma once

#include <cstdint>
#include <string>

#include "app/letter_profile.h"

namespace letterfreq {

inline constexpr const char* FILE_OPEN_FAILED = "File couldn't be opened!";

// Zeroes counts[0..254], then counts the file through the counting rule.
// False (counts all zero) when the file cannot be opened. "-" is NOT special
// here; the CLI handles standard input itself.
bool countFile(const std::string& path, int32_t* counts, bool filterMarkup);

// Resets `profile`, then counts the sample named by `sampleText`: an
// http:// address (exact lower-case prefix) or else a file name, taken as it
// is. On success sets sampleCount to 1 and returns true; on failure returns
// false with the user message ("File couldn't be opened!" or "URL couldn't
// be opened!") in *failure.
bool loadSample(const std::string& sampleText, LetterProfile& profile,
                std::string* failure);

}  // namespace letterfreq
