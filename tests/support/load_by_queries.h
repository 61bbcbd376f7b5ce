// The slow load the tests and the load fuzzer check loadDatabase against:
// the same pass, asking the engine for every record as it goes (one pass
// over the file per question), the feature records read and summed at once.
#pragma once

#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/load_pass.h"
#include "profiles/feature_sets.h"

namespace letterfreq {

// Every feature set's model, its records read at once, one query each.
inline FeatureModels featureModelsByQueries(const RecordFile& source,
                                            size_t languageCount,
                                            const FeatureRecordRefs& records) {
  FeatureModels models;
  for (const FeatureSet& set : FEATURE_SETS) {
    const auto& perLanguage = records[static_cast<size_t>(set.code)];
    std::vector<bool> withData(languageCount, false);
    for (size_t i = 0; i < perLanguage.size(); ++i) {
      withData[i] = !perLanguage[i].empty();
    }
    models.set(set.code,
               set.makeModel(static_cast<int>(languageCount), withData,
                             [&source, &perLanguage](int language,
                                                     const RecordAdder& add) {
                               for (const FeatureRecordRef& ref :
                                    perLanguage[static_cast<size_t>(language)]) {
                                 const Record record =
                                     source.get_record(ref.record.id);
                                 try {
                                   add(record.data(), record.dataLength());
                                 } catch (const FeatureRecordDamage& damage) {
                                   throw std::runtime_error(featureDamageText(
                                       damage, ref.entryName, ref.entryId));
                                 }
                               }
                             }));
    models.of(set.code).makeWeights();
  }
  return models;
}

inline DatabaseLoad loadDatabaseByQueries(const RecordFile& database,
                                          const LoadHooks& hooks) {
  return LoadPass<RecordFile>(database, hooks, featureModelsByQueries).run();
}

}  // namespace letterfreq
