// Reading a SAMPLE argument of letterfreq-cli: a file name or an http://
// address, counted as the window's "Go" counts it, or "-" for standard input
// read through the same rule. Shared by every command that takes samples.
#pragma once

#include <iosfwd>
#include <string>

#include "app/letter_profile.h"

namespace letterfreq {

class NgramCounter;

inline constexpr const char* STDIN_SAMPLE = "-";
inline constexpr const char* STDIN_READ_FAILED =
    "Standard input couldn't be read!";

// Resets `profile` and counts the sample into it (sampleCount 1 on
// success). On failure the profile is empty and *failure holds the message.
// With `ngrams`, the sample's n-gram counts too, in the same pass (empty on
// failure).
bool loadSampleArg(const std::string& sample, std::istream& in,
                   LetterProfile& profile, std::string* failure,
                   NgramCounter* ngrams = nullptr);

}  // namespace letterfreq
