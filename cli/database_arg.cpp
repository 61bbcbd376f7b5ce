#include "cli/database_arg.h"

#include <errno.h>
#include <sys/stat.h>

#include <new>
#include <ostream>
#include <stdexcept>

#include "cli/output_text.h"
#include "db/record_snapshot.h"
#include "db/record_texts.h"
#include "letterfreq/error.h"
#include "profiles/starter_database.h"

namespace letterfreq {

void printWarning(std::ostream& err, const std::string& text) {
  err << "warning: " << escapedField(text) << "\n";
}

LoadHooks cliLoadHooks(std::ostream& err) {
  LoadHooks hooks;
  hooks.warning = [&err](const std::string& text) { printWarning(err, text); };
  return hooks;
}

bool databaseFound(const std::string& database, std::ostream& err) {
  // Only a name that leads nowhere is missing; any other failure (a link
  // loop, say) is the open's to report with its reason.
  struct stat info;
  if (::stat(database.c_str(), &info) == 0 ||
      (errno != ENOENT && errno != ENOTDIR)) {
    return true;
  }
  err << "letterfreq-cli: " << escapedField(database)
      << ": no such database\n";
  return false;
}

int runOnDatabase(const std::string& database, std::ostream& err,
                  const std::function<int()>& work) {
  try {
    return work();
  } catch (const std::runtime_error& e) {
    err << "letterfreq-cli: " << escapedField(database) << ": "
        << escapedField(e.what()) << "\n";
    return 1;
  } catch (const std::bad_alloc&) {
    // Whatever ran out of memory, nothing was written.
    err << "letterfreq-cli: " << escapedField(database) << ": "
        << NO_MEMORY_TO_READ_TEXT
        << "\n";
    return 1;
  }
}

bool defaultToStarterDatabase(std::string& database, std::ostream& err) {
  if (!database.empty()) return true;
  std::string tried;
  database = findStarterDatabase(tried);
  if (!database.empty()) return true;
  err << "letterfreq-cli: no starter database (looked for "
      << escapedField(tried) << "); name one with --db\n";
  return false;
}

bool loadDatabaseArg(const std::string& database, std::ostream& err,
                     DatabaseLoad& loaded) {
  if (!databaseFound(database, err)) return false;
  return runOnDatabase(database, err, [&] {
           loaded = loadDatabase(RecordSnapshot(database), cliLoadHooks(err));
           return 0;
         }) == 0;
}

bool openDatabaseArg(const std::string& database, std::ostream& err,
                     std::optional<Database>& opened) {
  if (!databaseFound(database, err)) return false;
  try {
    opened = Database::open(
        database, {OpenMode::ReadOnly, [&err](const std::string& text) {
                     printWarning(err, text);
                   }});
    return true;
  } catch (const Error& e) {
    printDatabaseError(e, err);
    return false;
  }
}

void printDatabaseError(const Error& error, std::ostream& err) {
  err << "letterfreq-cli: " << escapedField(error.file()) << ": "
      << escapedField(error.reason()) << "\n";
}

}  // namespace letterfreq
