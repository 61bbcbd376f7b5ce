#include "profiles/database_load.h"

#include <memory>
#include <new>
#include <stdexcept>

#include "db/file_io.h"
#include "db/record_snapshot.h"
#include "db/record_texts.h"
#include "db/record_walk.h"
#include "profiles/load_pass.h"

namespace letterfreq {

namespace {

// A snapshot's feature records are read when a model first needs them,
// again through the snapshot's rereader: the load itself reads none of
// their bytes, which make up most of a file that has them.
FeatureModels featureModelsOf(const RecordSnapshot& source,
                              size_t languageCount,
                              const FeatureRecordRefs& records) {
  FeatureModels models;
  const RecordRereader rereader = source.rereader();
  for (const FeatureSet& set : FEATURE_SETS) {
    const auto& perLanguage = records[static_cast<size_t>(set.code)];
    using Placed = std::pair<RecordLayout, const FeatureRecordRef*>;
    auto layouts =
        std::make_shared<std::vector<std::vector<Placed>>>(perLanguage.size());
    auto refs = std::make_shared<FeatureRecordRefs>(records);
    std::vector<bool> withData(languageCount, false);
    for (size_t i = 0; i < perLanguage.size(); ++i) {
      for (const FeatureRecordRef& ref :
           (*refs)[static_cast<size_t>(set.code)][i]) {
        // The record get_record gives for its id, as for the arrays.
        const RecordLayout* record = source.layoutOf(ref.record.id);
        if (record == nullptr) continue;
        (*layouts)[i].push_back({*record, &ref});
        withData[i] = true;
      }
    }
    auto read = [layouts, refs, rereader](int language,
                                          const RecordAdder& add) {
      // One the file no longer holds adds nothing.
      for (const Placed& placed : (*layouts)[static_cast<size_t>(language)]) {
        try {
          rereader.readData(placed.first, add);
        } catch (const FeatureRecordDamage& damage) {
          throw std::runtime_error(featureDamageText(
              damage, placed.second->entryName, placed.second->entryId));
        }
      }
    };
    models.set(set.code, set.makeModel(static_cast<int>(languageCount),
                                       withData, std::move(read)));
  }
  return models;
}

// The snapshot's last record runs past the end of the file: damage.
void warnOfCutEnd(const RecordSnapshot& snapshot, const LoadHooks& hooks) {
  const WalkStop& stop = snapshot.stop();
  if ((stop.kind == WalkEnd::CutHead || stop.kind == WalkEnd::PastEnd) &&
      hooks.warning) {
    hooks.warning(cutEndWarning(stop.offset));
  }
}

// A journal beside the file that is not the file's own cut nothing.
void warnOfForeignJournal(const RecordSnapshot& snapshot,
                          const LoadHooks& hooks) {
  if (!snapshot.journalNote().empty() && hooks.warning) {
    hooks.warning(snapshot.journalNote());
  }
}

// An array read again where the load found it; when the file holds
// something else there now, the record of its id as get_record finds it.
Record rereadArray(const std::string& fileName, const ArrayPlace& place) {
  if (place.bodyLength != 0) {
    const std::vector<uint8_t> bytes = readDatabaseRange(
        fileName, place.offset, RECORD_HEAD_SIZE + size_t{place.bodyLength});
    RecordWalk walk(bytes.data(), bytes.size());
    RecordLayout layout;
    if (walk.next(layout) && layout.id == place.id &&
        layout.bodyLength == place.bodyLength) {
      return decodeRecord(bytes.data(), layout);
    }
  }
  Record record = RecordSnapshot(fileName).get_record(place.id);
  if (record.id() != place.id) throw std::runtime_error(NO_MATCH_TEXT);
  return record;
}

}  // namespace

LetterProfile readEntryProfile(const std::string& fileName,
                               const LoadedEntry& entry) {
  if (!entry.profileRead) return LetterProfile();
  return entryProfile(rereadArray(fileName, entry.countArray),
                      rereadArray(fileName, entry.sortArray));
}

std::string cutEndWarning(uint32_t offset) {
  return "Database damaged: the file ends inside the record at " +
         std::to_string(offset) + ".";
}

DatabaseLoad loadDatabase(const RecordFile& database, const LoadHooks& hooks) {
  return loadDatabase(database.snapshot(), hooks);
}

DatabaseLoad loadDatabase(const RecordSnapshot& snapshot,
                          const LoadHooks& hooks) {
  warnOfForeignJournal(snapshot, hooks);
  warnOfCutEnd(snapshot, hooks);
  try {
    return LoadPass<RecordSnapshot>(snapshot, hooks, featureModelsOf).run();
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(NO_MEMORY_TO_READ_TEXT);
  }
}

}  // namespace letterfreq
