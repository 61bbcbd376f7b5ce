// The slow load the tests and the load fuzzer check loadDatabase against:
// the same pass, asking the engine for every record as it goes (one pass
// over the file per question), the n-gram lists read and summed at once.
#pragma once

#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/load_pass.h"
#include "profiles/ngram_model.h"

namespace letterfreq {

inline NgramModel ngramModelByQueries(const RecordFile& source,
                                      size_t languageCount,
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

inline DatabaseLoad loadDatabaseByQueries(const RecordFile& database,
                                          const LoadHooks& hooks) {
  return LoadPass<RecordFile>(database, hooks, ngramModelByQueries).run();
}

}  // namespace letterfreq
