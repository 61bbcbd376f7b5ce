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
      withData, [layouts, rereader](int language,
                                    const NgramModel::ListAdder& add) {
        // A list the file no longer holds counts as an empty one.
        for (const RecordLayout& list :
             (*layouts)[static_cast<size_t>(language)]) {
          rereader.readData(list, add);
        }
      });
  return model;
}

// The snapshot's last record runs past the end of the file: damage.
void warnOfCutEnd(const RecordSnapshot& snapshot, const LoadHooks& hooks) {
  const WalkStop& stop = snapshot.stop();
  if ((stop.kind == WalkEnd::CutHead || stop.kind == WalkEnd::PastEnd) &&
      hooks.warning) {
    hooks.warning(cutEndWarning(stop.offset));
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
  warnOfCutEnd(snapshot, hooks);
  try {
    return LoadPass<RecordSnapshot>(snapshot, hooks, ngramModelOf).run();
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(NO_MEMORY_TO_READ_TEXT);
  }
}

}  // namespace letterfreq
