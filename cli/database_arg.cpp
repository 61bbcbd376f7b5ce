#include "cli/database_arg.h"

#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "db/record_snapshot.h"

namespace letterfreq {

void printWarning(std::ostream& err, const std::string& text) {
  err << "warning: " << text << "\n";
}

LoadHooks cliLoadHooks(std::ostream& err) {
  LoadHooks hooks;
  hooks.warning = [&err](const std::string& text) { printWarning(err, text); };
  return hooks;
}

bool databaseFound(const std::string& database, std::ostream& err) {
  std::error_code ignored;
  if (std::filesystem::exists(database, ignored)) return true;
  err << "letterfreq-cli: " << database << ": no such database\n";
  return false;
}

int runOnDatabase(const std::string& database, std::ostream& err,
                  const std::function<int()>& work) {
  try {
    return work();
  } catch (const std::runtime_error& e) {
    err << "letterfreq-cli: " << database << ": " << e.what() << "\n";
    return 1;
  }
}

bool loadDatabaseArg(const std::string& database, std::ostream& err,
                     DatabaseLoad& loaded) {
  if (!databaseFound(database, err)) return false;
  return runOnDatabase(database, err, [&] {
           loaded = loadDatabase(RecordSnapshot(database), cliLoadHooks(err));
           return 0;
         }) == 0;
}

}  // namespace letterfreq
