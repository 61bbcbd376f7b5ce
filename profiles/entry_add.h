// Adding a sample to a profile database as a new entry of a language: the
// records of one entry (the language record first when the language is new,
// then entry, source, Count Array and Sort Array, and a record of each
// feature set the database keeps, such as the n-gram list), with the ids
// and bytes that storing them one by one would give, written with one
// append.
//
// All or nothing: the records of the entries go to the file in one
// journalled write that is flushed (db/file_io.h); when it fails, or the
// program is killed half way, nothing of it stays, so no entry is ever
// left without its arrays.
//
// Texts are taken as the window's fields give them: up to a first NUL.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/letter_profile.h"
#include "db/record.h"
#include "profiles/database_load.h"
#include "profiles/feature_sets.h"
#include "profiles/sample_features.h"

namespace letterfreq {

class RecordFile;

// The refusals of "Add entry", in the words the user sees.
inline constexpr const char* NEED_SAMPLE_AND_DATABASE =
    "You must have a sample and a database open.";
inline constexpr const char* NEED_LANGUAGE =
    "You must type in or select a language.";

// The refusal text for these inputs, or nullptr when the entry may be added.
const char* entryRefusal(bool sampleLoaded, bool databaseLoaded,
                         const std::string& language);

struct EntryToAdd {
  std::string language;  // the language text, typed or picked
  std::string name;      // the entry's name; empty: the source is used
  std::string source;    // the sample text (file name or http:// address)
  // The language's code (profiles/language_codes.h), stored in a record
  // after the others; empty: none is stored.
  std::string code = {};
};

// An entry's records of the feature sets, one slot per row of
// profiles/feature_sets.h: the data block (the set's encodeRecord), or none
// when the set was not counted.
using FeatureBlocks =
    std::array<std::optional<std::vector<uint8_t>>, FEATURE_SET_COUNT>;

struct EntryRecords {
  // language (only when new), entry, source, Count Array, Sort Array, then
  // a record per feature set block given, in row order, and the code when
  // given.
  std::vector<Record> records;
  uint32_t languageId = 0;  // found or new
  uint32_t entryId = 0;
  bool newLanguage = false;
};

// The records of one entry, numbered from firstId on as successive stores
// would number them. The language is looked up in languageProfiles by
// exact, case-sensitive name; when several match, the last one wins.
// Each block of `features` becomes a record of its set's kind after the
// Sort Array.
// Throws the engine's "!no record id left" when the ids would run past
// 4294967295 (only a file with such ids gets there), as a store would.
EntryRecords entryRecords(const std::vector<LetterProfile>& languageProfiles,
                          const EntryToAdd& entry, const LetterProfile& sample,
                          uint32_t firstId,
                          const FeatureBlocks& features = {});

// One sample to add as an entry: its texts, its counted profile and the
// blocks of the feature sets counted with it (null: none).
struct NewEntry {
  EntryToAdd entry;
  const LetterProfile& sample;
  const FeatureBlocks* features = nullptr;
};

// The records of many entries, numbered from firstId on as storing them
// one after another would number them. Each entry's language is looked up
// as entryRecords does among `languages` and the languages that the
// entries before it made new. Of each entry's feature blocks, those of
// the sets flagged in `written` become records. Throws as entryRecords
// does.
struct EntryBatch {
  std::vector<EntryRecords> entries;  // one per entry, in order
  std::vector<Record> records;        // all their records, in order
};
EntryBatch entryBatchRecords(std::vector<LetterProfile> languages,
                             const std::vector<NewEntry>& entries,
                             uint32_t firstId,
                             const FeatureSetFlags& written);

// Appends the records of the entries, in order, with one write. Holds the
// database's writer lock from the one pass over the file's record heads
// that finds the languages (by name, in the file as it is then: an
// earlier entry's new language is reused by the later ones) and the next
// id (profiles/entry_add_survey.h) until the append is on disk, so that
// other programs adding at the same time neither share ids nor make a
// language twice. An entry's record of a feature set is written when the
// file has one of that kind already or `asked` flags the set (add
// --ngrams), and the entry has its block; so a database without them gains
// exactly the five (or four) records per entry. All or nothing: throws the
// engine's std::runtime_error when the file cannot be locked, read or
// written, and the file is then as it was.
std::vector<EntryRecords> storeEntries(RecordFile& database,
                                       const std::vector<NewEntry>& entries,
                                       const FeatureSetFlags& asked = {});

// storeEntries as `letterfreq-cli add` runs it: in the same pass, first
// the warnings a load of the file would give (to hooks.warning) and its
// refusal of a damaged file (thrown); nothing is added, and nullopt
// returned, when that load would stop at an entry without its arrays.
std::optional<std::vector<EntryRecords>> storeEntriesIfLoadable(
    RecordFile& database, const std::vector<NewEntry>& entries,
    const FeatureSetFlags& asked, const LoadHooks& hooks);

// storeEntries with one entry.
EntryRecords storeEntry(RecordFile& database, const EntryToAdd& entry,
                        const LetterProfile& sample,
                        const FeatureBlocks& features = {},
                        const FeatureSetFlags& asked = {});

// The blocks of the feature sets counted in `features`.
FeatureBlocks encodeFeatureBlocks(const SampleFeatures& features);

}  // namespace letterfreq
