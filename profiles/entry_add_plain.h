// The plain way of adding entries, kept as the oracle of the one pass over
// the record heads (profiles/entry_add_survey.h) and as the benchmark's
// earlier figure: a whole load of the file for its warnings, then a
// snapshot read under the writer's lock for the languages and the next id,
// and the append reading the file a third time. Same results, files and
// texts as storeEntriesIfLoadable, at the cost of those reads and of
// every profile.
#pragma once

#include <optional>
#include <vector>

#include "profiles/entry_add.h"

namespace letterfreq {
namespace plain {

std::optional<std::vector<EntryRecords>> storeEntriesIfLoadable(
    RecordFile& database, const std::vector<NewEntry>& entries,
    const FeatureSetFlags& asked, const LoadHooks& hooks);

}  // namespace plain
}  // namespace letterfreq
