// The one pass of a database load over any source that answers the
// engine's questions (query_link, get_record): a RecordSnapshot for the
// load itself, a RecordFile for the slow load the tests check it against.
// How the feature sets' models are made from the records found is the
// source's own (makeModels).
#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "app/letter_profile.h"
#include "db/record.h"
#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "profiles/database_load.h"
#include "profiles/feature_sets.h"
#include "profiles/schema.h"

namespace letterfreq {

// A name stored with its NUL; a block without one is read to its end.
std::string storedName(const Record& record);
// Copies the block byte for byte from its start into the little-endian
// counts of a fresh profile; bytes beyond the 1020 that fit are left out.
void readCountArray(const Record& record, LetterProfile& profile);
// Lists the bytes of the Sort Array in the entry's order, summing the
// entry's counts of them into its totalCount.
void listSortArray(const Record& record, LetterProfile& entry);
// Adds the entry's count of each byte it lists, once per listing, to its
// language and the totals.
void addListedCounts(const LetterProfile& entry, LetterProfile& language,
                     LetterProfile& totals);
// Folds the entry's relative frequencies into its language's sums, in
// single precision, up to the first 0 of its order list.
void addFrequencies(const LetterProfile& entry, LetterProfile& language);
// What showing a profile computes in it: deviations when asked, then the
// totals unless they are set. Done here so every caller sees the same.
void completeForDisplay(LetterProfile& profile, bool deviations);
// An entry's profile as shown, from its two arrays.
LetterProfile entryProfile(const Record& countArray, const Record& sortArray);

// Where the record that get_record(id) gives lies.
ArrayPlace placeOf(const RecordSnapshot& source, const Record& record);
ArrayPlace placeOf(const RecordFile& source, const Record& record);

// The profile of an entry, from the source the load read; fresh for the
// entry the load stopped at.
template <class Source>
LetterProfile entryProfile(const Source& source, const LoadedEntry& entry) {
  if (!entry.profileRead) return LetterProfile();
  return entryProfile(source.get_record(entry.countArray.id),
                      source.get_record(entry.sortArray.id));
}

// A record of a feature set and the entry it belongs to, named in what a
// damaged record is refused with.
struct FeatureRecordRef {
  RecordRef record;
  uint32_t entryId = 0;
  std::string entryName;
};

// Per feature set, per language reached, the first record of the set's
// kind of each entry read that has one: what the models are made from.
using FeatureRecordRefs =
    std::array<std::vector<std::vector<FeatureRecordRef>>, FEATURE_SET_COUNT>;

// One element per language record, in file order, whose profile
// (profileOf(element)) has the language's name and recordId. Made in place:
// a profile is kilobytes, and every copy of them faults in fresh pages.
template <class Element, class Source, class ProfileOf>
std::vector<Element> languageElements(const Source& source,
                                      ProfileOf profileOf) {
  const std::vector<RecordRef> refs = source.query_link(LANGUAGE_ROOT, 0);
  std::vector<Element> languages(refs.size());
  for (size_t i = 0; i < refs.size(); ++i) {
    const Record record = source.get_record(refs[i].id);
    LetterProfile& profile = profileOf(languages[i]);
    profile.name = storedName(record);
    profile.recordId = record.id();
  }
  return languages;
}

template <class Source>
std::vector<LetterProfile> languagesOf(const Source& source) {
  return languageElements<LetterProfile>(
      source, [](LetterProfile& profile) -> LetterProfile& { return profile; });
}

template <class Source>
class LoadPass {
 public:
  using MakeModels = FeatureModels (*)(const Source& source,
                                       size_t languageCount,
                                       const FeatureRecordRefs& records);

  LoadPass(const Source& source, const LoadHooks& hooks, MakeModels makeModels)
      : source_(source), hooks_(hooks), makeModels_(makeModels) {}

  DatabaseLoad run() {
    result_.languages = languageElements<LoadedLanguage>(
        source_,
        [](LoadedLanguage& language) -> LetterProfile& {
          return language.profile;
        });
    const size_t n = result_.languages.size();
    for (auto& perLanguage : featureRecords_) perLanguage.reserve(n);
    for (size_t i = 0; i < n; ++i) {
      size_t j = 0;
      const LoadOutcome outcome = loadLanguage(i, j);
      if (outcome != LoadOutcome::Complete) return endAt(outcome, i, j);
    }
    result_.features = makeModels_(source_, n, featureRecords_);
    report(lastValue_, TOTALS_MESSAGE);
    result_.totals.sortOrder();
    completeForDisplay(result_.totals, false);
    return std::move(result_);
  }

 private:
  void report(float value, const std::string& message) {
    lastValue_ = value;
    if (hooks_.progress) goOn_ = hooks_.progress(value, message);
  }

  DatabaseLoad endAt(LoadOutcome outcome, size_t i, size_t j) {
    result_.features =
        makeModels_(source_, result_.languages.size(), featureRecords_);
    result_.outcome = outcome;
    result_.endLanguage = i;
    result_.endEntry = j;
    return std::move(result_);
  }

  // Language i, entry by entry; what ended it, and at which entry `j`.
  LoadOutcome loadLanguage(size_t i, size_t& j) {
    const float n = static_cast<float>(result_.languages.size());
    LoadedLanguage& loaded = result_.languages[i];
    LetterProfile& language = loaded.profile;
    report(static_cast<float>(i) / n, language.name);

    const std::vector<RecordRef> entries =
        source_.query_link(language.recordId, 0);
    const size_t m = entries.size();
    language.sampleCount = static_cast<int32_t>(m);
    loaded.entryCount = language.sampleCount;
    loaded.entries.reserve(m);
    for (auto& perLanguage : featureRecords_) perLanguage.emplace_back();
    for (j = 0; j < m; ++j) {
      if (!goOn_) return LoadOutcome::Cancelled;
      report((static_cast<float>(i) +
              static_cast<float>(j) / static_cast<float>(m)) / n,
             language.name);
      loaded.entries.emplace_back();
      if (!readEntry(entries[j], language, loaded.entries.back())) {
        return LoadOutcome::Stopped;
      }
      noteCode(loaded.entries.back().id, loaded);
    }
    language.sortOrder();
    completeForDisplay(language, true);
    loaded.profileDone = true;
    return LoadOutcome::Complete;
  }

  // False when the entry lacks its Count or Sort Array.
  bool readEntry(const RecordRef& ref, LetterProfile& language,
                 LoadedEntry& entry) {
    const Record entryRecord = source_.get_record(ref.id);
    entry.id = entryRecord.id();
    entry.name = storedName(entryRecord);

    Record countArray, sortArray;
    if (!firstArray(entryRecord.id(), KIND_COUNT_ARRAY, TOO_MANY_COUNT_ARRAYS,
                    MISSING_COUNT_ARRAY, countArray) ||
        !firstArray(entryRecord.id(), KIND_SORT_ARRAY, TOO_MANY_SORT_ARRAYS,
                    MISSING_SORT_ARRAY, sortArray)) {
      return false;
    }
    LetterProfile profile;
    readCountArray(countArray, profile);
    listSortArray(sortArray, profile);
    addListedCounts(profile, language, result_.totals);
    for (const FeatureSet& set : FEATURE_SETS) {
      const std::vector<RecordRef> records =
          source_.query_link(entryRecord.id(), set.recordKind);
      if (records.empty()) continue;
      featureRecords_[static_cast<size_t>(set.code)].back().push_back(
          {records.front(), entryRecord.id(), entry.name});
    }
    // The sums take the total as listed, before it is completed for show.
    addFrequencies(profile, language);
    completeForDisplay(profile, false);
    entry.totalCount = profile.totalCount;
    entry.usedCount = profile.usedCount;
    entry.countArray = placeOf(source_, countArray);
    entry.sortArray = placeOf(source_, sortArray);
    entry.profileRead = true;
    return true;
  }

  // The language takes the code of its latest entry that has one.
  void noteCode(uint32_t entryId, LoadedLanguage& language) {
    const std::vector<RecordRef> codes =
        source_.query_link(entryId, KIND_LANGUAGE_CODE);
    if (!codes.empty()) {
      language.code = storedName(source_.get_record(codes.back().id));
    }
  }

  // The first array of that kind, after a warning when there are several;
  // false (after a warning) when there is none.
  bool firstArray(uint32_t entryId, uint16_t kind, const char* tooMany,
                  const char* missing, Record& array) {
    const std::vector<RecordRef> refs = source_.query_link(entryId, kind);
    if (refs.size() > 1 && hooks_.warning) hooks_.warning(tooMany);
    if (refs.empty()) {
      if (hooks_.warning) hooks_.warning(missing);
      return false;
    }
    array = source_.get_record(refs.front().id);
    return true;
  }

  const Source& source_;
  const LoadHooks& hooks_;
  const MakeModels makeModels_;
  DatabaseLoad result_;
  FeatureRecordRefs featureRecords_;
  bool goOn_ = true;
  float lastValue_ = 0.0f;
};

}  // namespace letterfreq
