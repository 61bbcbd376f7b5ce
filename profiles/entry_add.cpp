#include "profiles/entry_add.h"

#include <optional>
#include <stdexcept>

#include "db/record_codec.h"
#include "db/record_file.h"
#include "db/record_format.h"
#include "db/record_texts.h"
#include "profiles/entry_add_survey.h"
#include "profiles/schema.h"

namespace letterfreq {

namespace {

Record linkedRecord(uint32_t id, uint32_t target, uint16_t kind) {
  Record record;
  record.id(id);
  RecordLink link;
  link.target = target;
  link.kind = kind;
  record.add_link(link);
  return record;
}

Record textRecord(uint32_t id, uint32_t target, uint16_t kind,
                  const std::string& text) {
  Record record = linkedRecord(id, target, kind);
  record.set_data(text.c_str());
  return record;
}

Record countArrayRecord(uint32_t id, uint32_t entryId,
                        const LetterProfile& sample) {
  std::vector<uint8_t> bytes;
  bytes.reserve(COUNT_ARRAY_BYTES);
  for (int i = 0; i < PROFILE_SLOTS; ++i) {
    write_u32(bytes, static_cast<uint32_t>(sample.counts[i]));
  }
  Record record = linkedRecord(id, entryId, KIND_COUNT_ARRAY);
  record.set_data(bytes.data(), COUNT_ARRAY_BYTES);
  return record;
}

// The order list before its first 0 (at most all 255 slots).
Record sortArrayRecord(uint32_t id, uint32_t entryId,
                       const LetterProfile& sample) {
  uint32_t n = 0;
  while (n < SORT_ARRAY_MAX_BYTES && sample.order[n] != 0) ++n;
  Record record = linkedRecord(id, entryId, KIND_SORT_ARRAY);
  record.set_data(sample.order.data(), n);
  return record;
}

Record blockRecord(uint32_t id, uint32_t entryId, uint16_t kind,
                  const std::vector<uint8_t>& block) {
  Record record = linkedRecord(id, entryId, kind);
  record.set_data(block.data(), static_cast<uint32_t>(block.size()));
  return record;
}

uint32_t blocksGiven(const FeatureBlocks& features) {
  uint32_t given = 0;
  for (const auto& block : features) given += block.has_value() ? 1 : 0;
  return given;
}

}  // namespace

const char* entryRefusal(bool sampleLoaded, bool databaseLoaded,
                         const std::string& language) {
  if (!databaseLoaded || !sampleLoaded) return NEED_SAMPLE_AND_DATABASE;
  if (language.c_str()[0] == '\0') return NEED_LANGUAGE;
  return nullptr;
}

EntryRecords entryRecords(const std::vector<LetterProfile>& languageProfiles,
                          const EntryToAdd& entry, const LetterProfile& sample,
                          uint32_t firstId, const FeatureBlocks& features) {
  // As the window's fields give them: C texts.
  const std::string language = entry.language.c_str();
  const std::string name = entry.name.c_str();
  const std::string source = entry.source.c_str();

  EntryRecords result;
  for (const LetterProfile& profile : languageProfiles) {
    if (profile.name == language) result.languageId = profile.recordId;
  }
  result.newLanguage = result.languageId == 0;

  // Ids are handed out one after another; none may wrap past the top.
  const std::string code = entry.code.c_str();
  const uint32_t count = (result.newLanguage ? 5 : 4) +
                         blocksGiven(features) + (code.empty() ? 0 : 1);
  if (firstId < FIRST_RECORD_ID || firstId > UINT32_MAX - (count - 1)) {
    throw std::runtime_error(NO_RECORD_ID_LEFT_TEXT);
  }
  uint32_t id = firstId;
  if (result.newLanguage) {
    result.languageId = id;
    result.records.push_back(
        textRecord(id++, LANGUAGE_ROOT, KIND_MEMBER, language));
  }
  result.entryId = id;
  result.records.push_back(textRecord(id++, result.languageId, KIND_MEMBER,
                                      name.empty() ? source : name));
  result.records.push_back(
      textRecord(id++, result.entryId, KIND_SOURCE, source));
  result.records.push_back(countArrayRecord(id++, result.entryId, sample));
  result.records.push_back(sortArrayRecord(id++, result.entryId, sample));
  for (const FeatureSet& set : FEATURE_SETS) {
    const auto& block = features[static_cast<size_t>(set.code)];
    if (!block) continue;
    result.records.push_back(
        blockRecord(id++, result.entryId, set.recordKind, *block));
  }
  if (!code.empty()) {
    result.records.push_back(
        textRecord(id, result.entryId, KIND_LANGUAGE_CODE, code));
  }
  return result;
}

EntryBatch entryBatchRecords(std::vector<LetterProfile> languages,
                             const std::vector<NewEntry>& entries,
                             uint32_t firstId,
                             const FeatureSetFlags& written) {
  EntryBatch batch;
  batch.entries.reserve(entries.size());
  uint32_t nextId = firstId;
  for (const NewEntry& entry : entries) {
    FeatureBlocks blocks;
    for (size_t set = 0; set < FEATURE_SET_COUNT; ++set) {
      if (written[set] && entry.features != nullptr) {
        blocks[set] = (*entry.features)[set];
      }
    }
    EntryRecords one =
        entryRecords(languages, entry.entry, entry.sample, nextId, blocks);
    nextId = one.records.back().id() + 1;
    if (one.newLanguage) {
      // As the reload after the addition would list it: last.
      LetterProfile language;
      language.name = entry.entry.language.c_str();
      language.recordId = one.languageId;
      languages.push_back(language);
    }
    batch.records.insert(batch.records.end(), one.records.begin(),
                         one.records.end());
    batch.entries.push_back(std::move(one));
  }
  return batch;
}

namespace {

// The add itself, under the writer's lock from the pass over the heads to
// the append; nothing when `hooks` asks for a whole load and the file
// would not give one.
std::optional<std::vector<EntryRecords>> addSurveyed(
    RecordFile& database, const std::vector<NewEntry>& entries,
    const FeatureSetFlags& asked, const LoadHooks* hooks) {
  const RecordFile::Writing writing(database);
  const AddSurvey survey =
      surveyForAdd(database.fileName(), hooks ? *hooks : LoadHooks());
  if (hooks != nullptr && !survey.loadsCompletely) return std::nullopt;
  FeatureSetFlags written = asked;
  for (size_t set = 0; set < FEATURE_SET_COUNT; ++set) {
    written[set] = written[set] || survey.hasFeatureRecords[set];
  }
  EntryBatch batch = entryBatchRecords(survey.languages, entries,
                                       survey.pass.next_record_id(), written);
  database.append_records(batch.records, survey.pass);
  return std::move(batch.entries);
}

}  // namespace

std::vector<EntryRecords> storeEntries(RecordFile& database,
                                       const std::vector<NewEntry>& entries,
                                       const FeatureSetFlags& asked) {
  return *addSurveyed(database, entries, asked, nullptr);
}

std::optional<std::vector<EntryRecords>> storeEntriesIfLoadable(
    RecordFile& database, const std::vector<NewEntry>& entries,
    const FeatureSetFlags& asked, const LoadHooks& hooks) {
  return addSurveyed(database, entries, asked, &hooks);
}

EntryRecords storeEntry(RecordFile& database, const EntryToAdd& entry,
                        const LetterProfile& sample,
                        const FeatureBlocks& features,
                        const FeatureSetFlags& asked) {
  return storeEntries(database, {{entry, sample, &features}}, asked).front();
}

FeatureBlocks encodeFeatureBlocks(const SampleFeatures& features) {
  FeatureBlocks blocks;
  for (const FeatureSet& set : FEATURE_SETS) {
    const uint32_t* counted = features.of(set.code).counts;
    if (counted != nullptr) {
      blocks[static_cast<size_t>(set.code)] = set.encodeRecord(counted);
    }
  }
  return blocks;
}

}  // namespace letterfreq
