// Text given to the window directly, not named in the sample field:
// pasted, or dropped as a selection. It is counted exactly as a file
// holding the same bytes would be, and named by what it was. A drop or a
// paste may also deliver a file's URI or an address, told apart here.
#pragma once

#include <cstddef>
#include <string>

#include "app/sample_load_job.h"

namespace letterfreq {

enum class GivenBy { Paste, Drop };

// The sample counted from `text`: the counts and n-grams of a file of
// these bytes, sampleCount 1. Never fails.
LoadedSample countGivenText(const std::string& text);

// The source name of such a sample: "pasted text, 213 bytes".
std::string givenTextName(GivenBy by, size_t bytes);

// What a drop or a paste delivered: a file manager's URI list gives the
// first file:// entry as a file name (its %XX escapes decoded), one line
// holding only an http:// or https:// address gives the address, anything
// else is text to count.
struct DeliveredText {
  enum class Kind { FileName, Address, Text };
  Kind kind = Kind::Text;
  std::string name;  // FileName and Address
};
DeliveredText classifyDelivered(const std::string& text);

}  // namespace letterfreq
