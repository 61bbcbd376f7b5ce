// Loading a sample: the decision between a file, an http:// and an
// https:// address, and counting a file through the counting rule.
// Failures are reported by their fixed message text; showing it is the
// caller's job.
#pragma once

#include <fcntl.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

#include "app/letter_profile.h"
#include "sample/sample_limits.h"

namespace letterfreq {

class CountingPass;

inline constexpr const char* FILE_OPEN_FAILED = "File couldn't be opened!";
// The failure of a load stopped through SampleLimits::cancel.
inline constexpr const char* LOAD_CANCELLED = "The sample's loading was cancelled.";

// Receives the next block of a source; the bytes live only during the call.
using BlockSink = std::function<void(const uint8_t* bytes, size_t length)>;

// How a sample file is opened: never waiting (a FIFO would otherwise
// block in open() until a writer comes).
inline constexpr int SAMPLE_OPEN_FLAGS = O_RDONLY | O_CLOEXEC | O_NONBLOCK;

// True when loadSample takes `sampleText` as a file name: it is neither an
// http:// nor an https:// address.
bool isFileSample(const std::string& sampleText);

// Reads the file in large blocks (memory does not grow with the file) and
// hands each to `onBlock`. False when the file cannot be opened, or when
// reading fails part way (a folder, an I/O error): a partial count is not
// a sample. Opening never waits (a FIFO nobody writes); a FIFO or a device
// is then read to its end as it delivers, waiting for data in slices so
// that limits.cancel is seen within CANCEL_POLL_MS. A cancelled read is
// false too. *outcome (when not null) tells how it ended and how many
// bytes were read; `progress` (may be empty) hears of every block.
bool readFileBlocks(const std::string& path, const BlockSink& onBlock,
                    const SampleLimits& limits,
                    const SampleProgress& progress = nullptr,
                    SampleOutcome* outcome = nullptr);
bool readFileBlocks(const std::string& path, const BlockSink& onBlock);

// The same for a stream (standard input); false when it reports an error.
bool readStreamBlocks(std::istream& in, const BlockSink& onBlock);

// Zeroes counts[0..254], then counts the file through `pass` (started
// first, then finished, or discarded on failure). False (counts all zero)
// when the file cannot be opened. "-" is NOT special here; the CLI handles
// standard input itself. The read is readFileBlocks' within `limits`.
bool countFile(const std::string& path, int32_t* counts, CountingPass& pass,
               const SampleLimits& limits = SampleLimits(),
               const SampleProgress& progress = nullptr,
               SampleOutcome* outcome = nullptr);
// The same through a pass of its own, with nothing attached.
bool countFile(const std::string& path, int32_t* counts, bool filterMarkup);

// The same for a stream read to its end.
bool countStream(std::istream& in, int32_t* counts, CountingPass& pass);
bool countStream(std::istream& in, int32_t* counts, bool filterMarkup);

// Resets `profile`, then counts the sample named by `sampleText`: an
// http:// or https:// address (exact lower-case prefix) or else a file
// name, taken as it is. On success sets sampleCount to 1 and returns true; on
// failure returns false with the profile empty and the user message ("File
// couldn't be opened!" or "URL couldn't be opened!") in *failure (unless it is
// null). Counted through `pass` (markup filtered unless the pass says
// otherwise); its attachments are left empty on failure.
bool loadSample(const std::string& sampleText, LetterProfile& profile,
                std::string* failure);

// The same within `limits`, telling how the data ended in *outcome (when
// not null; see countUrl and countHttpsUrl for addresses). A load stopped
// through limits.cancel fails with LOAD_CANCELLED; one cut short otherwise
// still counts what arrived, as the outcome tells.
bool loadSample(const std::string& sampleText, LetterProfile& profile,
                std::string* failure, CountingPass& pass,
                const SampleLimits& limits = SampleLimits(),
                const SampleProgress& progress = nullptr,
                SampleOutcome* outcome = nullptr);

}  // namespace letterfreq
