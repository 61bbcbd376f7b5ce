// The database's alerts in words: what happened, the file and the system's
// reason, and what the user can do. The record engine's "!" lines and the
// load's warnings are terse; the window shows them through these (the "!"
// line itself still goes to standard output).
#pragma once

#include <string>

namespace letterfreq {

// The alert for an error the engine threw (`engineText`, its "!" line) on
// the database file `fileName`.
std::string databaseFailureText(const std::string& engineText,
                                const std::string& fileName);

// A warning of the load (profiles/database_load.h) with what it means for
// what the window shows.
std::string loadWarningText(const std::string& warning);

// Asked before "Open DB" makes a file: the name typed names none.
std::string newDatabaseQuestion(const std::string& fileName);
// The row that says the database shown was just made.
std::string newDatabaseText(const std::string& fileName);

}  // namespace letterfreq
