// The shape of a database that adding needs, as a load would find it: the
// language records, and the entries of each language whose Count or Sort
// Arrays are not exactly one each (the ones a load warns of or stops at).
// Found in one of two ways from a pass over the record heads:
//
// - canonicalShape, on the fly with little memory, for files shaped as
//   adds leave them: ids rise, no id at or below LANGUAGE_ROOT, at most
//   one link per record, every link to an earlier record, and each entry's
//   arrays after it and before the next entry. It gives up (false) at the
//   first record that breaks this.
// - generalShape, for any file, from every record's links kept in memory
//   (RecordHeads): the load's rules applied to the whole file.
//
// profiles/entry_add_survey.h uses the first and falls back to the second;
// the tests hold both to the whole load.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/record_head_pass.h"
#include "db/record_heads.h"
#include "profiles/feature_sets.h"

namespace letterfreq {

// The distinct language ids, each with a slot; asked about for every link
// of a file. A bit per value of an id's low 16 bits answers most questions
// from the first-level cache, the map the rest.
class IdSlots {
 public:
  uint32_t add(uint32_t id);     // its slot, new or found
  long find(uint32_t id) const;  // its slot, or -1
  size_t size() const { return slots_.size(); }

 private:
  std::vector<uint64_t> filter_ = std::vector<uint64_t>(1024);
  std::unordered_map<uint32_t, uint32_t> slots_;
};

// How many records link to an entry as its Count Array ([0]) and as its
// Sort Array ([1]), up to 2 for "several".
using ArrayCount = std::array<uint8_t, 2>;

struct AddShape {
  IdSlots slots;                      // the language ids
  std::vector<uint32_t> languageIds;  // per language record, in file order
  std::vector<RecordLayout>
      nameRecords;  // per slot: the first record with the id
  // Per slot, in file order: the counts of the entries that do not have
  // exactly one of each array.
  std::vector<std::vector<ArrayCount>> unusualEntries;
  FeatureSetFlags hasFeatureRecords = {};  // per feature set: a record
};

// Notes in `shape` a link of `kind` when it is a feature set's.
void noteFeatureKind(uint16_t kind, AddShape& shape);

bool canonicalShape(const std::string& fileName, AddShape& shape,
                    HeadPass& pass);
AddShape generalShape(const RecordHeads& heads);

}  // namespace letterfreq
