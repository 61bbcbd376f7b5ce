// The pass over the record heads that adding runs, against the whole load
// it stands for (and the plain add, profiles/entry_add_plain.h), on
// generated databases shaped like the application's, many of them damaged:
// missing and doubled arrays, duplicate ids, id 0, links ahead of their
// targets, kind-0 links, n-gram lists, cut and broken tails.
#include "profiles/entry_add_survey.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "db/record_codec.h"
#include "db/record_file.h"
#include "db/record_heads.h"
#include "db/record_snapshot.h"
#include "profiles/entry_add.h"
#include "profiles/entry_add_plain.h"
#include "profiles/entry_add_shape.h"
#include "profiles/load_pass.h"
#include "profiles/schema.h"
#include "tests/support/temp_dir.h"
#include "tests/support/feature_samples.h"

namespace letterfreq {
namespace {

using Links = std::vector<std::pair<uint32_t, uint16_t>>;

Record makeRecord(uint32_t id, const Links& links, const std::string& data) {
  Record record;
  record.id(id);
  for (const auto& [target, kind] : links) record.add_link({target, kind});
  record.set_data(reinterpret_cast<const uint8_t*>(data.data()),
                  static_cast<uint32_t>(data.size()));
  return record;
}

// A database of languages and entries, with the faults a damaged or
// hand-made file can have, each now and then.
class RandomDatabase {
 public:
  // About half the databases are shaped as adds leave them, apart from
  // missing or doubled arrays and their tails.
  explicit RandomDatabase(std::mt19937& random)
      : random_(random), odd_(random() % 2 == 0) {}

  std::vector<uint8_t> make() {
    const int languages = 1 + static_cast<int>(random_() % 4);
    for (int k = 0; k < languages; ++k) addLanguage();
    const int entries = static_cast<int>(random_() % 14);
    for (int k = 0; k < entries; ++k) {
      if (chance(8)) addLanguage();
      addEntry(languageIds_[random_() % languageIds_.size()]);
      if (oddChance(6)) addNoise();
    }
    if (oddChance(6))
      std::swap(records_[random_() % records_.size()],
                records_[random_() % records_.size()]);
    std::vector<uint8_t> bytes;
    for (const Record& record : records_) appendEncodedRecord(bytes, record);
    damageTail(bytes);
    return bytes;
  }

 private:
  bool chance(unsigned in) { return random_() % in == 0; }
  bool oddChance(unsigned in) { return odd_ && chance(in); }

  uint32_t newId() {
    if (oddChance(25)) return 0;
    if (oddChance(30)) nextId_ += 3000000;  // ids too far apart for a table
    if (oddChance(15) && nextId_ > 257) {
      return 257 + random_() % (nextId_ - 257);
    }
    return nextId_++;
  }

  void addLanguage() {
    static const char* const NAMES[] = {"Latin", "Greek", "latin", "Latin"};
    std::string name = NAMES[random_() % 4];
    if (!chance(8)) name.push_back('\0');
    const uint32_t id = newId();
    const uint16_t kind = chance(10) ? KIND_SOURCE : KIND_MEMBER;
    records_.push_back(makeRecord(id, {{LANGUAGE_ROOT, kind}}, name));
    languageIds_.push_back(id);
  }

  // 1 mostly; sometimes none, sometimes two.
  int arrayCount() { return chance(12) ? 0 : chance(10) ? 2 : 1; }

  void addEntry(uint32_t language) {
    const uint32_t entry = newId();
    Links entryLinks = {{language, KIND_MEMBER}};
    if (oddChance(12)) entryLinks.push_back({language, KIND_SOURCE});
    // Arrays now and then ahead of their entry.
    const bool ahead = oddChance(10);
    std::vector<Record> parts;
    parts.push_back(makeRecord(entry, entryLinks, "entry"));
    parts.push_back(makeRecord(newId(), {{entry, KIND_SOURCE}}, "src"));
    for (int k = arrayCount(); k > 0; --k) {
      Links links = {{entry, KIND_COUNT_ARRAY}};
      if (oddChance(8)) links.push_back({entry, KIND_COUNT_ARRAY});
      parts.push_back(makeRecord(newId(), links, std::string(1020, '\1')));
    }
    for (int k = arrayCount(); k > 0; --k) {
      parts.push_back(makeRecord(newId(), {{entry, KIND_SORT_ARRAY}}, "ab"));
    }
    if (chance(5)) {
      parts.push_back(makeRecord(newId(), {{entry, KIND_NGRAM_LIST}}, "ng"));
    }
    if (ahead) std::swap(parts.front(), parts.back());
    records_.insert(records_.end(), parts.begin(), parts.end());
  }

  // A record with links of any kind to any id seen, 0 and kind 0 included.
  void addNoise() {
    Links links;
    for (int k = static_cast<int>(random_() % 4); k > 0; --k) {
      const uint32_t target = chance(4) ? 0 : 250 + random_() % (nextId_ - 249);
      links.push_back({target, static_cast<uint16_t>(random_() % 9)});
    }
    records_.push_back(makeRecord(newId(), links, "noise"));
  }

  void damageTail(std::vector<uint8_t>& bytes) {
    switch (random_() % 10) {
      case 0:
        bytes.resize(bytes.size() - 1 -
                     random_() % std::min<size_t>(bytes.size(), 40));
        break;
      case 1:
        bytes.insert(
            bytes.end() - random_() % std::min<size_t>(bytes.size(), 30), 0);
        break;
      case 2:
        bytes.insert(
            bytes.end() - random_() % std::min<size_t>(bytes.size(), 30), 'x');
        break;
      case 3:  // a record too short for its links
        bytes.insert(bytes.end(),
                     {0x72, 0x10, 0x27, 0, 0, 3, 0, 0, 0, 0, 9, 0});
        break;
      default:
        break;
    }
  }

  std::mt19937& random_;
  bool odd_;
  std::vector<Record> records_;
  std::vector<uint32_t> languageIds_;
  uint32_t nextId_ = 257;
};

// What adding is told of a file, the load's way or the pass's.
struct Told {
  std::vector<std::string> warnings;
  std::string thrown;
  bool complete = false;
  std::vector<std::pair<std::string, uint32_t>> languages;
  bool ngrams = false;
  std::string nextId;
};

template <class Source>
std::string nextIdOrText(const Source& source) {
  try {
    return std::to_string(source.next_record_id());
  } catch (const std::runtime_error& e) {
    return e.what();
  }
}

LoadHooks collecting(std::vector<std::string>& warnings) {
  LoadHooks hooks;
  hooks.warning = [&warnings](const std::string& text) {
    warnings.push_back(text);
  };
  return hooks;
}

Told byLoad(const std::string& path) {
  Told told;
  try {
    const RecordSnapshot snapshot(path);
    const DatabaseLoad load = loadDatabase(snapshot, collecting(told.warnings));
    told.complete = load.outcome == LoadOutcome::Complete;
    for (const LetterProfile& language : languagesOf(snapshot)) {
      told.languages.push_back({language.name, language.recordId});
    }
    told.ngrams = !snapshot.query_link(0, KIND_NGRAM_LIST).empty();
    told.nextId = nextIdOrText(snapshot);
  } catch (const std::runtime_error& e) {
    told.thrown = e.what();
  }
  return told;
}

Told bySurvey(const std::string& path, int& passes) {
  Told told;
  try {
    const AddSurvey survey = surveyForAdd(path, collecting(told.warnings));
    told.complete = survey.loadsCompletely;
    for (const LetterProfile& language : survey.languages) {
      told.languages.push_back({language.name, language.recordId});
    }
    told.ngrams = survey.hasFeatureRecords[NGRAM_FEATURES];
    told.nextId = nextIdOrText(survey.pass);
    passes = survey.passes;
  } catch (const std::runtime_error& e) {
    told.thrown = e.what();
  }
  return told;
}

// Where the on-the-fly way reads a file to its end, the general way finds
// the same shape.
void expectSameShapes(const std::string& path) {
  AddShape fast;
  HeadPass pass;
  try {
    if (!canonicalShape(path, fast, pass)) return;
  } catch (const std::runtime_error&) {
    return;
  }
  const AddShape general = generalShape(RecordHeads(path));
  EXPECT_EQ(fast.languageIds, general.languageIds);
  EXPECT_EQ(fast.unusualEntries, general.unusualEntries);
  EXPECT_EQ(fast.hasFeatureRecords, general.hasFeatureRecords);
  ASSERT_EQ(fast.nameRecords.size(), general.nameRecords.size());
  for (size_t k = 0; k < fast.nameRecords.size(); ++k) {
    EXPECT_EQ(fast.nameRecords[k].offset, general.nameRecords[k].offset);
  }
}

// What an add did: its warnings, its refusal or failure, the entries it
// made and the file it left.
struct Added {
  std::vector<std::string> warnings;
  std::string outcome;
  std::string file;
};

template <class Store>
Added addWith(const std::string& path, Store store) {
  Added added;
  const LetterProfile sample = [] {
    LetterProfile p;
    p.counts['a'] = 3;
    p.counts['q'] = 1;
    p.sortOrder();
    return p;
  }();
  const std::vector<uint8_t> list(40, 3);
  const FeatureBlocks blocks = ngramBlock(&list);
  const std::vector<NewEntry> entries = {{{"Latin", "n", "s"}, sample, &blocks},
                                         {{"Zulu", "", "z"}, sample, &blocks}};
  try {
    RecordFile database(path);
    const auto result = store(database, entries, FeatureSetFlags{},
                              collecting(added.warnings));
    if (!result) added.outcome = "not loaded";
    for (const EntryRecords& entry :
         result.value_or(std::vector<EntryRecords>{})) {
      added.outcome += std::to_string(entry.entryId) + "/" +
                       std::to_string(entry.languageId) +
                       (entry.newLanguage ? "+ " : " ");
    }
  } catch (const std::runtime_error& e) {
    added.outcome = e.what();
  }
  added.file = testing::readFile(path);
  return added;
}

TEST(EntryAddSurveyTest, TellsWhatAWholeLoadTellsOfRandomDatabases) {
  testing::TempDir dir;
  const std::string path = dir.file("random.db");
  std::mt19937 random(4242);
  int refused = 0, stopped = 0, warned = 0, onePass = 0;
  for (int round = 0; round < 1500; ++round) {
    SCOPED_TRACE(round);
    const std::vector<uint8_t> bytes = RandomDatabase(random).make();
    testing::writeFile(path, std::string(bytes.begin(), bytes.end()));
    const Told expected = byLoad(path);
    int passes = 0;
    const Told told = bySurvey(path, passes);
    ASSERT_EQ(told.thrown, expected.thrown);
    ASSERT_EQ(told.warnings, expected.warnings);
    ASSERT_EQ(told.complete, expected.complete);
    ASSERT_EQ(told.languages, expected.languages);
    ASSERT_EQ(told.ngrams, expected.ngrams);
    ASSERT_EQ(told.nextId, expected.nextId);
    refused += !expected.thrown.empty();
    stopped += expected.thrown.empty() && !expected.complete;
    warned += !expected.warnings.empty();
    onePass += passes == 1;
    expectSameShapes(path);
  }
  // The generator reaches every outcome often.
  EXPECT_GT(refused, 100);
  EXPECT_GT(stopped, 100);
  EXPECT_GT(warned, 300);
  EXPECT_GT(onePass, 500);
}

TEST(EntryAddSurveyTest, AddsWhatThePlainAddAdds) {
  testing::TempDir dir;
  const std::string fast = dir.file("fast.db");
  const std::string slow = dir.file("slow.db");
  std::mt19937 random(77);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    const std::vector<uint8_t> bytes = RandomDatabase(random).make();
    testing::writeFile(fast, std::string(bytes.begin(), bytes.end()));
    testing::writeFile(slow, std::string(bytes.begin(), bytes.end()));
    const Added a = addWith(fast, storeEntriesIfLoadable);
    const Added b = addWith(slow, plain::storeEntriesIfLoadable);
    ASSERT_EQ(a.warnings, b.warnings);
    ASSERT_EQ(a.outcome, b.outcome);
    ASSERT_EQ(a.file, b.file);
  }
}

}  // namespace
}  // namespace letterfreq
