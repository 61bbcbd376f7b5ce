#include "profiles/database_load.h"

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>

#include "db/record.h"
#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "db/record_texts.h"
#include "db/record_walk.h"
#include "profiles/schema.h"

namespace letterfreq {

namespace {

// A name stored with its NUL; a block without one is read to its end.
std::string storedName(const Record& record) {
  const char* text = reinterpret_cast<const char*>(record.data());
  const uint32_t length = record.dataLength();
  if (text == nullptr || length == 0) return std::string();
  return std::string(text, std::find(text, text + length, '\0'));
}

// Copies the block byte for byte from its start into the little-endian
// counts; bytes beyond the 1020 that fit are left out.
void readCountArray(const Record& record, LetterProfile& profile) {
  const uint8_t* bytes = record.data();
  const uint32_t length = std::min(record.dataLength(), COUNT_ARRAY_BYTES);
  for (uint32_t k = 0; k < length; ++k) {
    uint32_t& count = reinterpret_cast<uint32_t&>(profile.counts[k / 4]);
    count |= uint32_t{bytes[k]} << (8 * (k % 4));
  }
}

// Lists the bytes of the Sort Array in the entry's order, summing the
// entry's counts of them into its total, its language and the totals.
void readSortArray(const Record& record, LetterProfile& entry,
                   LetterProfile& language, LetterProfile& totals) {
  const uint8_t* bytes = record.data();
  int used = 0;
  for (uint32_t k = 0; k < record.dataLength(); ++k) {
    const uint8_t b = bytes[k];
    if (b >= PROFILE_SLOTS) continue;  // byte 255 has no counter
    if (used == PROFILE_SLOTS) break;  // no slot left in the order list
    entry.order[used++] = b;
    const int32_t count = entry.counts[b];
    totals.counts[b] = saturatingAdd(totals.counts[b], count);
    language.counts[b] = saturatingAdd(language.counts[b], count);
    entry.totalCount = saturatingAdd(entry.totalCount, count);
  }
  entry.usedCount = used;
}

// Folds the entry's relative frequencies into its language's sums, in
// single precision, up to the first 0 of its order list.
void addFrequencies(const LetterProfile& entry, LetterProfile& language) {
  for (int k = 0; k < PROFILE_SLOTS && entry.order[k] != 0; ++k) {
    const uint8_t b = entry.order[k];
    const float f = static_cast<float>(entry.counts[b]) /
                    static_cast<float>(entry.totalCount);
    language.sumSquares[b] += f * f;
    language.sums[b] += f;
  }
}

// What showing a profile computes in it: deviations when asked, then the
// totals unless they are set. Done here so every caller sees the same.
void completeForDisplay(LetterProfile& profile, bool deviations) {
  if (deviations) profile.computeStdDevs();
  if (profile.totalCount == 0) profile.computeTotals();
}

template <class Source>
std::vector<LetterProfile> languagesOf(const Source& source) {
  std::vector<LetterProfile> languages;
  for (const RecordRef& ref : source.query_link(LANGUAGE_ROOT, 0)) {
    const Record record = source.get_record(ref.id);
    LetterProfile profile;
    profile.name = storedName(record);
    profile.recordId = record.id();
    languages.push_back(std::move(profile));
  }
  return languages;
}

// The first array of that kind, after a warning when there are several;
// false (after a warning) when there is none.
template <class Source>
bool firstArray(const Source& source, uint32_t entryId, uint16_t kind,
                const char* tooMany, const char* missing,
                const LoadHooks& hooks, Record& array) {
  const std::vector<RecordRef> refs = source.query_link(entryId, kind);
  if (refs.size() > 1 && hooks.warning) hooks.warning(tooMany);
  if (refs.empty()) {
    if (hooks.warning) hooks.warning(missing);
    return false;
  }
  array = source.get_record(refs.front().id);
  return true;
}

// The first n-gram list of each entry read that has one, per language
// reached: what the weights are made from.
using NgramListRefs = std::vector<std::vector<RecordRef>>;

// A snapshot's lists are summed when the weights are first needed, read
// again through the snapshot's rereader: the load itself reads none of
// their bytes, which make up most of a file that has them.
NgramModel ngramModelOf(const RecordSnapshot& source, size_t languageCount,
                        const NgramListRefs& lists) {
  NgramModel model(static_cast<int>(languageCount));
  auto layouts =
      std::make_shared<std::vector<std::vector<RecordLayout>>>(lists.size());
  std::vector<bool> withData(languageCount, false);
  for (size_t i = 0; i < lists.size(); ++i) {
    for (const RecordRef& list : lists[i]) {
      // The record get_record gives for the list's id, as for the arrays.
      const RecordLayout* record = source.layoutOf(list.id);
      if (record != nullptr) {
        (*layouts)[i].push_back(*record);
        withData[i] = true;
      }
    }
  }
  const RecordRereader rereader = source.rereader();
  model.setLanguagesLater(
      withData, [layouts, rereader](int language, NgramLanguageCounts& counts) {
        auto add = [&counts](const uint8_t* data, size_t length) {
          counts.addRecord(data, length);
        };
        // A list the file no longer holds counts as an empty one.
        for (const RecordLayout& list :
             (*layouts)[static_cast<size_t>(language)]) {
          rereader.readData(list, add);
        }
      });
  return model;
}

// Asking the engine, the lists are read and summed at once.
NgramModel ngramModelOf(const RecordFile& source, size_t languageCount,
                        const NgramListRefs& lists) {
  NgramModel model(static_cast<int>(languageCount));
  NgramLanguageCounts counts;
  for (size_t i = 0; i < lists.size(); ++i) {
    counts.clear();
    for (const RecordRef& list : lists[i]) {
      const Record record = source.get_record(list.id);
      counts.addRecord(record.data(), record.dataLength());
    }
    model.setLanguage(static_cast<int>(i), counts);
  }
  return model;
}

template <class Source>
DatabaseLoad load(const Source& source, const LoadHooks& hooks) {
  DatabaseLoad result;
  bool goOn = true;
  float lastValue = 0.0f;
  auto report = [&](float value, const std::string& message) {
    lastValue = value;
    if (hooks.progress) goOn = hooks.progress(value, message);
  };
  NgramListRefs ngramLists;
  auto endAt = [&](LoadOutcome outcome, size_t i, size_t j) {
    result.ngrams =
        ngramModelOf(source, result.languageProfiles.size(), ngramLists);
    result.outcome = outcome;
    result.endLanguage = i;
    result.endEntry = j;
    return result;
  };

  result.languageProfiles = languagesOf(source);
  const size_t n = result.languageProfiles.size();
  ngramLists.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    LetterProfile& language = result.languageProfiles[i];
    report(static_cast<float>(i) / static_cast<float>(n), language.name);
    result.languages.emplace_back();
    LoadedLanguage& loaded = result.languages.back();

    const std::vector<RecordRef> entries =
        source.query_link(language.recordId, 0);
    const size_t m = entries.size();
    language.sampleCount = static_cast<int32_t>(m);
    loaded.entryCount = language.sampleCount;
    loaded.entries.reserve(m);
    ngramLists.emplace_back();
    for (size_t j = 0; j < m; ++j) {
      if (!goOn) return endAt(LoadOutcome::Cancelled, i, j);
      report((static_cast<float>(i) +
              static_cast<float>(j) / static_cast<float>(m)) /
                 static_cast<float>(n),
             language.name);

      const Record entryRecord = source.get_record(entries[j].id);
      loaded.entries.emplace_back();
      LoadedEntry& entry = loaded.entries.back();
      entry.id = entryRecord.id();
      entry.name = storedName(entryRecord);

      Record array;
      if (!firstArray(source, entryRecord.id(), KIND_COUNT_ARRAY,
                      TOO_MANY_COUNT_ARRAYS, MISSING_COUNT_ARRAY, hooks,
                      array)) {
        return endAt(LoadOutcome::Stopped, i, j);
      }
      LetterProfile profile;
      readCountArray(array, profile);
      if (!firstArray(source, entryRecord.id(), KIND_SORT_ARRAY,
                      TOO_MANY_SORT_ARRAYS, MISSING_SORT_ARRAY, hooks, array)) {
        return endAt(LoadOutcome::Stopped, i, j);
      }
      readSortArray(array, profile, language, result.totals);
      const std::vector<RecordRef> lists =
          source.query_link(entryRecord.id(), KIND_NGRAM_LIST);
      if (!lists.empty()) ngramLists.back().push_back(lists.front());
      addFrequencies(profile, language);
      completeForDisplay(profile, false);
      entry.profile = std::move(profile);
      entry.profileRead = true;
    }
    language.sortOrder();
    completeForDisplay(language, true);
    loaded.profileDone = true;
  }
  result.ngrams = ngramModelOf(source, n, ngramLists);
  report(lastValue, TOTALS_MESSAGE);
  result.totals.sortOrder();
  completeForDisplay(result.totals, false);
  return result;
}

// The snapshot's last record runs past the end of the file: damage.
void warnOfCutEnd(const RecordSnapshot& snapshot, const LoadHooks& hooks) {
  const WalkStop& stop = snapshot.stop();
  if ((stop.kind == WalkEnd::CutHead || stop.kind == WalkEnd::PastEnd) &&
      hooks.warning) {
    hooks.warning(cutEndWarning(stop.offset));
  }
}

}  // namespace

std::string cutEndWarning(uint32_t offset) {
  return "Database damaged: the file ends inside the record at " +
         std::to_string(offset) + ".";
}

std::vector<LetterProfile> reloadLanguages(const RecordFile& database) {
  return languagesOf(database.snapshot());
}

std::vector<LetterProfile> reloadLanguages(const RecordSnapshot& snapshot) {
  return languagesOf(snapshot);
}

DatabaseLoad loadDatabase(const RecordFile& database, const LoadHooks& hooks) {
  return loadDatabase(database.snapshot(), hooks);
}

DatabaseLoad loadDatabase(const RecordSnapshot& snapshot,
                          const LoadHooks& hooks) {
  warnOfCutEnd(snapshot, hooks);
  try {
    return load(snapshot, hooks);
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(NO_MEMORY_TO_READ_TEXT);
  }
}

DatabaseLoad loadDatabaseByQueries(const RecordFile& database,
                                   const LoadHooks& hooks) {
  return load(database, hooks);
}

}  // namespace letterfreq
