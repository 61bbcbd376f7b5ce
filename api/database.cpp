#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>

#include "api/library_data.h"
#include "api/library_files.h"
#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "db/record_texts.h"
#include "letterfreq/error.h"
#include "profiles/candidates.h"
#include "profiles/entry_add.h"

namespace letterfreq {

namespace {

constexpr const char* NO_SUCH_DATABASE = "no such database";
constexpr const char* OPENED_READ_ONLY =
    "the database was opened read-only; open it for adding";
constexpr const char* NOT_ALL_LOADED =
    "the database did not load completely; nothing was added";

// Runs `work`, giving what the engine throws as an Error on `path`.
template <class Work>
auto onFile(const std::string& path, const Work& work) -> decltype(work()) {
  try {
    return work();
  } catch (const Error&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw Error(path, NO_MEMORY_TO_READ_TEXT);
  } catch (const std::runtime_error& e) {
    throw Error(path, e.what());
  }
}

std::shared_ptr<const DatabaseLoad> loadFile(const Database::Data& data) {
  LoadHooks hooks;
  hooks.warning = data.options.warning;
  return onFile(data.path, [&] {
    return std::make_shared<const DatabaseLoad>(
        loadDatabase(RecordSnapshot(data.path), hooks));
  });
}

int64_t countedBytes(const LoadedLanguage& language) {
  int64_t bytes = 0;
  for (const LoadedEntry& entry : language.entries) bytes += entry.totalCount;
  return bytes;
}

}  // namespace

void makeWeightsFor(const MatchMethod& method, const DatabaseLoad& loaded,
                    const std::string& path) {
  if (method.features == NO_FEATURES) return;
  const FeatureModel& model = loaded.features.of(method.features);
  if (!model.carriesData()) return;
  // One load may serve detectors on many threads: its weights are made
  // once, by one of them, and only read afterwards.
  static std::mutex making;
  const std::lock_guard<std::mutex> one(making);
  onFile(path, [&] { model.makeWeights(); });
}

Guess guessOf(const std::string& language, const LanguageCodes& codes,
              double confidence) {
  return {language, codes.tag, codes.iso6393, confidence};
}

Database::Database(std::shared_ptr<Data> data) : data_(std::move(data)) {}
Database::Database(Database&& other) noexcept = default;
Database& Database::operator=(Database&& other) noexcept = default;
Database::~Database() = default;

const std::shared_ptr<Database::Data>& databaseData(const Database& database) {
  return database.data_;
}

Database Database::open(const std::string& path, const OpenOptions& options) {
  auto data = std::make_shared<Data>();
  data->path = path;
  data->options = options;
  if (options.mode == OpenMode::ForAdding) {
    onFile(path, [&] { RecordFile created(path); });  // made when missing
  } else if (!fileExists(path)) {
    throw Error(path, NO_SUCH_DATABASE);
  }
  data->loaded = loadFile(*data);
  return Database(std::move(data));
}

std::string Database::starterPath() {
  std::string tried;
  const std::string path = findLibraryStarterDatabase(tried);
  if (path.empty()) {
    throw Error("", "no starter database (looked for " + tried + ")");
  }
  return path;
}

Database Database::starter() { return open(starterPath()); }

const std::string& Database::path() const { return data_->path; }

std::vector<Language> Database::languages() const {
  const DatabaseLoad& loaded = *data_->loaded;
  const std::vector<LanguageCodes> codes = codesOfLanguages(loaded);
  std::vector<Language> result;
  for (size_t i = 0; i < loaded.languagesReached(); ++i) {
    const LoadedLanguage& language = loaded.languages[i];
    result.push_back({language.profile.name, codes[i].tag, codes[i].iso6393,
                      language.entryCount, countedBytes(language)});
  }
  return result;
}

void Database::add(const std::string& language, const Sample& sample,
                   const EntryOptions& options) {
  if (data_->options.mode != OpenMode::ForAdding) {
    throw Error(data_->path, OPENED_READ_ONLY);
  }
  if (const char* refusal = entryRefusal(true, true, language)) {
    throw Error(data_->path, refusal);
  }
  if (!options.code.empty() && !isLanguageTag(options.code)) {
    throw Error(data_->path, "not a language code: \"" + options.code + "\"");
  }
  const Sample::Data& counted = sampleData(sample);
  const FeatureBlocks blocks = encodeFeatureBlocks(counted.features);
  onFile(data_->path, [&] {
    RecordFile database(data_->path);
    const std::vector<NewEntry> entries = {
        {{language, options.name, counted.source, options.code},
         counted.profile,
         &blocks}};
    LoadHooks hooks;
    hooks.warning = data_->options.warning;
    if (!storeEntriesIfLoadable(database, entries, {}, hooks)) {
      throw Error(data_->path, NOT_ALL_LOADED);
    }
  });
  data_->loaded = loadFile(*data_);
}

}  // namespace letterfreq
