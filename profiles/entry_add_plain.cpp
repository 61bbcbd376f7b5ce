#include "profiles/entry_add_plain.h"

#include <utility>

#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "profiles/load_pass.h"
#include "profiles/schema.h"

namespace letterfreq {
namespace plain {

std::optional<std::vector<EntryRecords>> storeEntriesIfLoadable(
    RecordFile& database, const std::vector<NewEntry>& entries,
    const FeatureSetFlags& asked, const LoadHooks& hooks) {
  const DatabaseLoad loaded = loadDatabase(database, hooks);
  if (loaded.outcome != LoadOutcome::Complete) return std::nullopt;
  const RecordFile::Writing writing(database);
  const RecordSnapshot file = database.snapshot();
  FeatureSetFlags written = asked;
  for (const FeatureSet& set : FEATURE_SETS) {
    const auto row = static_cast<size_t>(set.code);
    written[row] = written[row] || !file.query_link(0, set.recordKind).empty();
  }
  std::vector<LetterProfile> languages = languagesOf(file);
  const uint32_t firstId = file.next_record_id();
  EntryBatch batch =
      entryBatchRecords(std::move(languages), entries, firstId, written);
  database.append_records(batch.records);
  return std::move(batch.entries);
}

}  // namespace plain
}  // namespace letterfreq
