// letterfreq::Database: a database file of profiled samples, each an entry
// of a language, opened for reading or for adding entries. Opening reads
// the whole file into memory once; a Detector made of it keeps what it
// needs, so it stays usable after the Database goes. Several programs may
// read and add to one file at once: adding locks the file for the moment
// of its write and appends all of an entry's records at once, so a killed
// program never leaves half an entry.
#ifndef LETTERFREQ_DATABASE_H_
#define LETTERFREQ_DATABASE_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "letterfreq/sample.h"

namespace letterfreq {

enum class OpenMode {
  ReadOnly,   // the file must exist; nothing is created or written
  ForAdding,  // created empty when missing; add() writes to it
};

struct OpenOptions {
  OpenMode mode = OpenMode::ReadOnly;
  // Hears each warning about damage the load passed over ("Database
  // missing Count Array information."); empty: they are dropped.
  std::function<void(const std::string& text)> warning;
};

// One language of a database, as `letterfreq-cli languages` lists it.
struct Language {
  std::string name;
  std::string code;     // BCP 47 tag ("en", "zh-Hant"); empty: none known
  std::string iso6393;  // ISO 639-3 code; empty: none known
  int64_t entries = 0;
  int64_t bytes = 0;    // counted in its entries
};

// What add() stores beside the counts.
struct EntryOptions {
  std::string name;  // the entry's name; empty: the sample's source
  std::string code;  // the language's BCP 47 or ISO 639 code; may be empty
};

class Database {
 public:
  // Opens and loads the file `path`. Throws letterfreq::Error (file and
  // reason) when it is missing (read-only), cannot be opened, read or
  // created, or is damaged beyond what a load passes over.
  static Database open(const std::string& path,
                       const OpenOptions& options = OpenOptions());
  // The starter database of 113 languages, installed with the library
  // (or in the checkout it was built from). Throws letterfreq::Error when
  // it is not found.
  static Database starter();
  // The starter database's file name (what starter() opens).
  static std::string starterPath();

  Database(Database&& other) noexcept;
  Database& operator=(Database&& other) noexcept;
  ~Database();

  const std::string& path() const;
  // Every language, in file order.
  std::vector<Language> languages() const;

  // Stores `sample` as a new entry of `language` (made when new), with
  // n-gram data when the file keeps it, and loads the file again. Throws
  // letterfreq::Error when opened read-only, for an empty language name
  // or a malformed code, and when the file cannot be locked or written
  // (it is then as it was).
  void add(const std::string& language, const Sample& sample,
           const EntryOptions& options = EntryOptions());

  struct Data;  // the library's own

 private:
  explicit Database(std::shared_ptr<Data> data);
  std::shared_ptr<Data> data_;
  friend const std::shared_ptr<Data>& databaseData(const Database& database);
};

}  // namespace letterfreq

#endif  // LETTERFREQ_DATABASE_H_
