// The --db argument of letterfreq-cli: the handling every command that
// names a database shares, so that they all report alike. A missing file
// is "letterfreq-cli: FILE: no such database", a load warning is
// "warning: TEXT" on standard error, and an engine error is
// "letterfreq-cli: FILE: TEXT" with exit status 1 (also when memory runs
// out). Holds nothing.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "letterfreq/database.h"
#include "letterfreq/error.h"
#include "profiles/database_load.h"

namespace letterfreq {

// Prints "warning: TEXT" on `err`.
void printWarning(std::ostream& err, const std::string& text);

// Load hooks whose warnings are printed on `err`; no progress, no cancel.
LoadHooks cliLoadHooks(std::ostream& err);

// True when `database` exists. Else prints "no such database" on `err`
// and returns false: a command that only reads never creates the file.
bool databaseFound(const std::string& database, std::ostream& err);

// Runs `work` and returns its status; a std::runtime_error it throws (the
// engine's "!" line, say) is printed on `err` with the file's name and
// gives status 1.
int runOnDatabase(const std::string& database, std::ostream& err,
                  const std::function<int()>& work);

// An empty `database` becomes the starter database
// (profiles/starter_database.h); false, after saying where it was looked
// for, when there is none.
bool defaultToStarterDatabase(std::string& database, std::ostream& err);

// Loads `database` as "Open DB" does, reading only: the file is neither
// created nor opened for writing, so a read-only file loads too. False,
// after the message on `err`, when it is missing or cannot be loaded.
bool loadDatabaseArg(const std::string& database, std::ostream& err,
                     DatabaseLoad& loaded);

// loadDatabaseArg through the library (include/letterfreq/database.h),
// with the same messages: the database opened read-only into `opened`.
bool openDatabaseArg(const std::string& database, std::ostream& err,
                     std::optional<Database>& opened);

// "letterfreq-cli: FILE: REASON" for an error of the library.
void printDatabaseError(const Error& error, std::ostream& err);

}  // namespace letterfreq
