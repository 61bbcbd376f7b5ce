// Adding a sample to a profile database as a new entry of a language: the
// records of one entry (the language record first when the language is new,
// then entry, source, Count Array and Sort Array, and the n-gram list when
// the database keeps n-grams), with the ids and bytes that storing them one
// by one would give, written with one append.
//
// All or nothing: the records of the entries go to the file in one
// journalled write that is flushed (db/file_io.h); when it fails, or the
// program is killed half way, nothing of it stays, so no entry is ever
// left without its arrays.
//
// Texts are taken as the window's fields give them: up to a first NUL.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/letter_profile.h"
#include "db/record.h"
#include "profiles/database_load.h"

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

struct EntryRecords {
  // language (only when new), entry, source, Count Array, Sort Array, then
  // the n-gram list when one was asked for and the code when given.
  std::vector<Record> records;
  uint32_t languageId = 0;  // found or new
  uint32_t entryId = 0;
  bool newLanguage = false;
};

// The records of one entry, numbered from firstId on as successive stores
// would number them. The language is looked up in languageProfiles by
// exact, case-sensitive name; when several match, the last one wins.
// With ngramList (the sample's n-gram list block, encodeNgramRecord) the
// entry's n-gram list record follows the Sort Array.
// Throws the engine's "!no record id left" when the ids would run past
// 4294967295 (only a file with such ids gets there), as a store would.
EntryRecords entryRecords(const std::vector<LetterProfile>& languageProfiles,
                          const EntryToAdd& entry, const LetterProfile& sample,
                          uint32_t firstId,
                          const std::vector<uint8_t>* ngramList = nullptr);

// When an entry gets its n-gram list. (Not "Always": X11 defines that.)
enum class NgramList {
  IfDatabaseHasThem,      // only when some record of the file is one already
  EvenIfDatabaseHasNone,  // also the first of a database (add --ngrams)
};

// One sample to add as an entry: its texts, its counted profile and, when
// its n-grams were counted, its n-gram list block (encodeNgramRecord).
struct NewEntry {
  EntryToAdd entry;
  const LetterProfile& sample;
  const std::vector<uint8_t>* ngramList = nullptr;
};

// The records of many entries, numbered from firstId on as storing them
// one after another would number them. Each entry's language is looked up
// as entryRecords does among `languages` and the languages that the
// entries before it made new. With withLists, an entry that has an n-gram
// list gets its list record. Throws as entryRecords does.
struct EntryBatch {
  std::vector<EntryRecords> entries;  // one per entry, in order
  std::vector<Record> records;        // all their records, in order
};
EntryBatch entryBatchRecords(std::vector<LetterProfile> languages,
                             const std::vector<NewEntry>& entries,
                             uint32_t firstId, bool withLists);

// Appends the records of the entries, in order, with one write. Holds the
// database's writer lock from the one pass over the file's record heads
// that finds the languages (by name, in the file as it is then: an
// earlier entry's new language is reused by the later ones) and the next
// id (profiles/entry_add_survey.h) until the append is on disk, so that
// other programs adding at the same time neither share ids nor make a
// language twice. N-gram lists are written as `ngramList` says, for the
// entries that have one; so a database without n-gram lists gains exactly
// the five (or four) records per entry. All or nothing: throws the
// engine's std::runtime_error when the file cannot be locked, read or
// written, and the file is then as it was.
std::vector<EntryRecords> storeEntries(RecordFile& database,
                                       const std::vector<NewEntry>& entries,
                                       NgramList ngramList);

// storeEntries as `letterfreq-cli add` runs it: in the same pass, first
// the warnings a load of the file would give (to hooks.warning) and its
// refusal of a damaged file (thrown); nothing is added, and nullopt
// returned, when that load would stop at an entry without its arrays.
std::optional<std::vector<EntryRecords>> storeEntriesIfLoadable(
    RecordFile& database, const std::vector<NewEntry>& entries,
    NgramList ngramList, const LoadHooks& hooks);

// storeEntries with one entry whose n-grams, when given, are sampleNgrams.
EntryRecords storeEntry(RecordFile& database, const EntryToAdd& entry,
                        const LetterProfile& sample,
                        const uint32_t* sampleNgrams = nullptr,
                        NgramList ngramList = NgramList::IfDatabaseHasThem);

}  // namespace letterfreq
