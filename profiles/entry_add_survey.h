// What adding entries needs to know of a database, found from one pass
// over its record heads (db/record_head_pass.h) instead of a load: the
// languages as a load lists them, whether the file keeps n-gram lists, the
// next id and where the file ends, and whether a load would complete, with
// the warnings that load would give, in its order, and its refusal of a
// damaged file. Only the data blocks of the language records are read
// again (their names); no profile is made.
//
// The load's rules, as profiles/load_pass.h applies them: the languages are
// the records with a link to LANGUAGE_ROOT; a language's entries are the
// records with a link to its id (any kind; for id 0, as query_link reads
// target 0, a link of kind 0); an entry with several Count (Sort) Arrays
// gets a warning, one without stops the load there. For files shaped as
// adds leave them this is found on the fly; any other file is walked a
// second time, keeping every record's links (profiles/entry_add_shape.h).
#pragma once

#include <string>
#include <vector>

#include "app/letter_profile.h"
#include "db/record_head_pass.h"
#include "profiles/database_load.h"

namespace letterfreq {

struct AddSurvey {
  // One per language record in file order: name and recordId, as
  // languagesOf gives them.
  std::vector<LetterProfile> languages;
  // Per feature set: some record links by the set's kind.
  FeatureSetFlags hasFeatureRecords = {};
  bool loadsCompletely = true;  // no entry lacks its Count or Sort Array
  HeadPass pass;                // the file's end, size and largest id
  int passes = 1;               // 2 when the file needed the second walk
};

// Gives hooks.warning (when set) the warnings of a load of the same file;
// throws the load's "!" text for a file it refuses, and the engine's for
// one that cannot be read. hooks.progress is not called.
AddSurvey surveyForAdd(const std::string& fileName, const LoadHooks& hooks);

}  // namespace letterfreq
