// Loading a profile database: reads the record tree of languages, entries
// and the entries' Count and Sort Arrays, and sums the entries into one
// profile per language and a totals profile. No toolkit here: the window,
// the CLI and the tests share it, and each shows the result its own way.
//
// Progress and cancelling go through LoadHooks::progress (the window sets
// its meter and lets the toolkit run, the CLI just goes on); damage found
// while loading goes to LoadHooks::warning with one of the texts below
// (the window asks a question box, the CLI prints "warning: ").
//
// Data read from the file is untrusted. The choices made here:
// - A name (language or entry) is read up to its first NUL or, when its
//   data block has none, up to the block's end.
// - A Count Array is copied byte for byte from its start into the 255
//   little-endian counts: a longer block gives only its first 1020 bytes, a
//   shorter one fills the counts it reaches (the rest stay 0).
// - A Sort Array byte 255 has no counter and is skipped. Of the other bytes
//   at most 255 are used (one per slot of the order list); any beyond are
//   ignored.
// - Counts are summed without wrapping (held at the int32 limits).
// - An entry whose listed counts sum to 0 gives relative frequencies of
//   0/0 (not a number) as the arithmetic says; only a damaged file has one.
// - A damaged or unopenable file throws the engine's std::runtime_error
//   ("!" text) out of loadDatabase; nothing is half returned. So does too
//   little memory for the load (NO_MEMORY_TO_READ_TEXT).
// - An entry's record of a feature set (the n-gram list, KIND_NGRAM_LIST,
//   and any other row of profiles/feature_sets.h) is optional: the first
//   one in file order is used, more are not reported, none adds nothing.
//   Its block is read by the set's codec (profiles/ngram_record.h; damage
//   is skipped).
// - An entry's code record (KIND_LANGUAGE_CODE) is read as a name is; the
//   language keeps the one of its last entry that has one.
// - The load only notes where those records lie; their bytes, most of a
//   file that has them, are summed when the weights are first needed (the
//   first match by the set), from the bytes read by the load: what was
//   changed or appended since is not in them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/letter_profile.h"
#include "profiles/feature_sets.h"

namespace letterfreq {

class RecordFile;
class RecordSnapshot;

// The warnings of a load, in the words the user sees.
inline constexpr const char* TOO_MANY_COUNT_ARRAYS =
    "Database has too many Count Arrays for its own good.";
inline constexpr const char* MISSING_COUNT_ARRAY =
    "Database missing Count Array information.";
inline constexpr const char* TOO_MANY_SORT_ARRAYS =
    "Database has too many Sort Arrays for its own good.";
inline constexpr const char* MISSING_SORT_ARRAY =
    "Database missing Sort Array information.";
// "Database damaged: the file ends inside the record at 23.": its last
// record runs past the end of the file, and no add that was cut short
// explains it (db/append_journal.h). What lies before it is loaded.
std::string cutEndWarning(uint32_t offset);
// The name of the totals: the progress message before they are made, and
// their branch in the window's tree.
inline constexpr const char* TOTALS_MESSAGE = "Totals";

struct LoadHooks {
  // Called with (i / N, language name) when language i starts, with
  // ((i + j / M) / N, language name) before entry j is read, and with (the
  // last value, "Totals") before the totals. Its latest answer is looked at
  // before every entry: false there cancels the load, as the meter's
  // "Cancel" does. So a load with no entries left to read still completes.
  // Empty: never cancels.
  std::function<bool(float value, const std::string& message)> progress;
  // One of the warning texts above. Empty: warnings are dropped.
  std::function<void(const std::string& text)> warning;
};

// Where one of an entry's arrays lay in the file the load read: enough to
// read it again without keeping its bytes.
struct ArrayPlace {
  uint32_t id = 0;          // its record's id
  uint32_t offset = 0;      // of its record's delimiter byte
  uint32_t bodyLength = 0;  // its record's length word
};

// What is kept of an entry: its names and figures, not its profile, which
// would be most of a load's memory and is made only when wanted
// (entryProfile, readEntryProfile) from the arrays it lists.
struct LoadedEntry {
  uint32_t id = 0;    // the entry record's id
  std::string name;   // as stored (see above), never changed for display
  // totalCount and usedCount of its profile as shown.
  int32_t totalCount = 0;
  int32_t usedCount = 0;
  ArrayPlace countArray;
  ArrayPlace sortArray;
  bool profileRead = false;  // false only for the entry the load stopped at
};

// One language record, owning what the load made of it.
struct LoadedLanguage {
  // Its name and recordId; then, once the load finished the language,
  // counts summed over the entries (over the bytes of each Sort Array),
  // order, sums, sumSquares, sampleCount = M, stdDevs, totalCount and
  // usedCount. The language the load ended in holds what was summed so
  // far (sampleCount = M, not ordered); later ones are fresh.
  LetterProfile profile;
  // The entries read, in file order; all of them unless the load ended in
  // this language, none in a language it never reached.
  std::vector<LoadedEntry> entries;
  int32_t entryCount = 0;     // M, the number of entry records
  // The code stored with its latest entry that has one (add --code); empty
  // when none has (profiles/language_codes.h).
  std::string code;
  bool profileDone = false;   // its profile was completed (shown in a tree)
};

enum class LoadOutcome {
  Complete,   // every language and entry was loaded
  Cancelled,  // progress answered false; ended before entry (i, j)
  Stopped,    // entry (i, j) lacks its Count or Sort Array
};

// What a load made of a database: its languages, the totals, the feature
// sets' models and how the load ended. A plain value that owns all of it; views
// of it (languageProfiles(), a window's trees) borrow from it.
struct DatabaseLoad {
  // One per language record, in file order, always all of them.
  std::vector<LoadedLanguage> languages;
  // The totals over every entry, ordered and totalled; complete loads only.
  LetterProfile totals;
  // One model per feature set (profiles/feature_sets.h), of every
  // language (the same positions), from the records of the set's kind of
  // the entries read; a language none of whose read entries has one has
  // no data of the set. The weights are made when first needed, from the
  // bytes the load read (the file itself is not kept open).
  FeatureModels features;
  LoadOutcome outcome = LoadOutcome::Complete;
  size_t endLanguage = 0;  // i and j where a cancelled or stopped load ended
  size_t endEntry = 0;

  // The languages' profiles, in the same order: what the methods score.
  ProfileList languageProfiles() const {
    return ProfileList(languages, &LoadedLanguage::profile);
  }
  // The languages the load reached: all of them after a complete load, up
  // to and including language endLanguage else.
  size_t languagesReached() const {
    return outcome == LoadOutcome::Complete
               ? languages.size()
               : std::min(endLanguage + 1, languages.size());
  }
};

// Loads the whole database. The file is read once, then answered from
// memory with exactly the engine's results. Throws the engine's
// std::runtime_error on a damaged or unopenable file.
DatabaseLoad loadDatabase(const RecordFile& database, const LoadHooks& hooks);
// The same over a file read already (RecordSnapshot reads a file without
// creating it, so this also loads read-only files).
DatabaseLoad loadDatabase(const RecordSnapshot& snapshot,
                          const LoadHooks& hooks);

// The profile of an entry as shown: counts from its Count Array, order from
// its Sort Array, totalCount and usedCount, read again from the file (a
// fresh profile for the entry the load stopped at). Where the file no longer holds an array where the
// load found it, the record of its id is looked up in the file as it is
// now. Throws the engine's std::runtime_error when the file cannot be read.
LetterProfile readEntryProfile(const std::string& fileName,
                               const LoadedEntry& entry);

}  // namespace letterfreq
