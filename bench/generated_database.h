// Benchmark helper: writes a database of generated entries spread over 25
// languages, each a sample of some 60 to 100 distinct byte values with
// text-like counts, in one append (as a run of "Add entry" would leave it).
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <system_error>
#include <vector>

#include "db/record_file.h"
#include "profiles/entry_add.h"

namespace letterfreq {
namespace bench {

constexpr int GENERATED_LANGUAGES = 25;

inline uint32_t nextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

inline LetterProfile generatedSample(uint32_t& state) {
  LetterProfile sample;
  const int distinct = 60 + static_cast<int>(nextRandom(state) % 40);
  for (int k = 0; k < distinct; ++k) {
    const int b = 9 + static_cast<int>(nextRandom(state) % 246);
    sample.counts[b] += 1 + static_cast<int32_t>(nextRandom(state) % 3000);
  }
  sample.sampleCount = 1;
  sample.sortOrder();
  return sample;
}

// Replaces `path` with a database of `entries` entries. Written in batches
// of 10,000 entries, each numbered on from the last and reusing the
// languages made before it: the bytes of one append of them all, without
// holding every profile at once (a million take gigabytes).
inline void writeGeneratedDatabase(const std::string& path, int entries) {
  std::filesystem::remove(path);
  RecordFile database(path);
  uint32_t state = 2024;
  uint32_t nextId = database.next_record_id();
  std::vector<LetterProfile> languages;
  constexpr int BATCH = 10000;
  for (int first = 0; first < entries; first += BATCH) {
    const int count = std::min(BATCH, entries - first);
    std::vector<LetterProfile> samples;
    samples.reserve(count);
    std::vector<NewEntry> batch;
    for (int e = first; e < first + count; ++e) {
      samples.push_back(generatedSample(state));
      batch.push_back({{"Language " + std::to_string(e % GENERATED_LANGUAGES),
                        "", "samples/text-" + std::to_string(e) + ".txt"},
                       samples.back()});
    }
    const EntryBatch made = entryBatchRecords(languages, batch, nextId, {});
    for (const EntryRecords& entry : made.entries) {
      if (!entry.newLanguage) continue;
      LetterProfile language;
      language.name =
          reinterpret_cast<const char*>(entry.records.front().data());
      language.recordId = entry.languageId;
      languages.push_back(language);
    }
    nextId = made.records.back().id() + 1;
    database.append_records(made.records);
  }
}

// Removes a database and the companions its writers leave beside it (the
// lock file, a journal).
inline void removeDatabaseFiles(const std::string& path) {
  for (const char* suffix : {"", ".lock", ".journal"}) {
    std::error_code ignored;
    std::filesystem::remove(path + suffix, ignored);
  }
}

// The name generatedDatabaseFile gives the database of `stem` and
// `entries` in this process.
inline std::string generatedDatabaseName(const std::string& stem, int entries) {
  return (std::filesystem::temp_directory_path() /
          (stem + "-" + std::to_string(entries) + "-" +
           std::to_string(getpid()) + ".db"))
      .string();
}

// Removes the databases of `stem` that this process generated at each of
// `sizes` entries, with their companions (a benchmark's last step).
inline void removeGeneratedDatabases(const std::string& stem,
                                     std::initializer_list<int> sizes) {
  for (int entries : sizes) {
    removeDatabaseFiles(generatedDatabaseName(stem, entries));
  }
}

// The generated database of `entries` entries in the temporary folder,
// named by `stem` and this process, made once per size by a child process so
// that building it does not count in the benchmark's peak memory. Empty when
// it could not be made.
inline std::string generatedDatabaseFile(const std::string& stem,
                                         int entries) {
  const std::string path = generatedDatabaseName(stem, entries);
  if (std::filesystem::exists(path)) return path;
  const pid_t pid = fork();
  if (pid == 0) {
    try {
      writeGeneratedDatabase(path, entries);
      _exit(0);
    } catch (...) {
      _exit(1);
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? path : std::string();
}

}  // namespace bench
}  // namespace letterfreq
