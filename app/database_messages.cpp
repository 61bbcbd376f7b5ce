#include "app/database_messages.h"

#include <filesystem>
#include <system_error>

#include "app/file_cause.h"
#include "db/record_texts.h"
#include "profiles/database_load.h"
#include "widgets/shown_text.h"

namespace letterfreq {
namespace {

bool startsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// The full name, so that the user sees in which folder it was looked for.
std::string fullName(const std::string& fileName) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(fileName, error);
  return shownText(error ? fileName : full.lexically_normal().string());
}

}  // namespace

std::string databaseFailureText(const std::string& engineText,
                                const std::string& fileName) {
  std::string what, advice;
  if (startsWith(engineText, NO_FILE_OPEN_TEXT)) {
    what = "The database could not be opened for reading and writing.";
    advice =
        "Type the name of a database file you may change (a file, not a "
        "folder), or a new name to make a new database.";
  } else if (startsWith(engineText, NO_MEMORY_TEXT) ||
             startsWith(engineText, NO_MEMORY_TO_READ_TEXT)) {
    what = "There was not enough memory for the database.";
    advice = "Close other programs, then try again.";
  } else if (startsWith(engineText, FILE_TOO_LARGE_TEXT)) {
    what = "The database is larger than this program can read (2 GB).";
    advice = "Open another database.";
  } else if (startsWith(engineText, "!") &&
             startsWith(engineText.c_str() + 1, FOREIGN_JOURNAL_TEXT)) {
    // Most often a backup restored over the database after an add was
    // stopped: the old journal would cut the restored file.
    what = "A journal beside the database was written for another file: "
           "it was left alone and the database was not changed.";
    advice =
        "If the database holds what you expect, move its .journal file "
        "away, then add again.";
  } else {
    what = "The database is damaged and could not be read.";
    advice = "Open a copy saved before it was damaged, or another database.";
  }
  // The file's name and the system's reason on the line after the words.
  std::string text = withFileCause(what, fileName, FileUse::ReadWrite);
  if (text == what) text += "\n" + shownText(fileName);
  return text + "\n" + advice + "\n(" + engineText + ")";
}

std::string loadWarningText(const std::string& warning) {
  std::string meaning;
  if (warning == TOO_MANY_COUNT_ARRAYS || warning == TOO_MANY_SORT_ARRAYS) {
    meaning = "An entry has more than one; the first is used.";
  } else if (warning == MISSING_COUNT_ARRAY || warning == MISSING_SORT_ARRAY) {
    meaning =
        "The load stopped at an entry without it: the tree shows what was "
        "read before. Open a copy saved before the damage to see the rest.";
  } else {
    meaning =
        "What lies before that record is loaded. Open a copy saved before "
        "the damage to see the rest.";
  }
  return warning + "\n" + meaning;
}

std::string newDatabaseQuestion(const std::string& fileName) {
  return "There is no database " + fullName(fileName) +
         ".\nMake a new, empty database of that name?";
}

std::string newDatabaseText(const std::string& fileName) {
  return "(new empty database " + fullName(fileName) + ")";
}

}  // namespace letterfreq
