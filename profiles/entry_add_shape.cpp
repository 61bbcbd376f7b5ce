#include "profiles/entry_add_shape.h"

#include <algorithm>
#include <utility>

#include "db/record_codec.h"
#include "profiles/schema.h"

namespace letterfreq {

uint32_t IdSlots::add(uint32_t id) {
  const auto found = slots_.emplace(id, static_cast<uint32_t>(slots_.size()));
  filter_[(id & 0xFFFF) >> 6] |= uint64_t{1} << (id & 63);
  return found.first->second;
}

long IdSlots::find(uint32_t id) const {
  if (((filter_[(id & 0xFFFF) >> 6] >> (id & 63)) & 1) == 0) return -1;
  const auto found = slots_.find(id);
  return found == slots_.end() ? -1 : static_cast<long>(found->second);
}

namespace {

// Saturating at 2: the load tells one from several, no more.
void countOne(uint8_t& count) {
  if (count < 2) ++count;
}

// 0 for a Count Array link, 1 for a Sort Array link, -1 for another.
int arrayOf(uint16_t kind) {
  return kind == KIND_COUNT_ARRAY ? 0 : kind == KIND_SORT_ARRAY ? 1 : -1;
}

bool usual(const ArrayCount& count) { return count[0] == 1 && count[1] == 1; }

void addLanguage(AddShape& shape, const RecordLayout& record) {
  shape.languageIds.push_back(record.id);
  if (shape.slots.add(record.id) == shape.nameRecords.size()) {
    shape.nameRecords.push_back(record);
    shape.unusualEntries.emplace_back();
  }
}

// The on-the-fly way: the entry being read and its counts; earlier entries
// only as one bit each (to notice an array that comes back to one).
class CanonicalShape : public HeadVisitor {
 public:
  explicit CanonicalShape(AddShape& shape) : shape_(shape) {}

  bool record(const RecordLayout& record, const uint8_t* head) override {
    if (record.id <= lastId_ || record.id <= LANGUAGE_ROOT ||
        record.linkCount > 1) {
      return false;
    }
    lastId_ = record.id;
    ++seen_;
    if (record.linkCount == 0) return true;
    const uint8_t* link = head + (record.linksOffset() - record.offset);
    const uint32_t target = read_u32(link);
    const uint16_t kind = read_u16(link + 4);
    noteFeatureKind(kind, shape_);
    if (target >= record.id) return false;  // ahead of its target
    if (target == LANGUAGE_ROOT) {
      addLanguage(shape_, record);
      return true;
    }
    const int array = arrayOf(kind);
    // Most records belong to the entry just read (which is no language).
    if (entry_ && target == entryId_) {
      if (array >= 0) countOne(count_[array]);
      return true;
    }
    const long slot = shape_.slots.find(target);
    if (slot >= 0) return startEntry(record.id, static_cast<uint32_t>(slot));
    return array < 0 || !isEntry(target);  // an array of an earlier entry
  }

  void finish() { closeEntry(); }

 private:
  bool startEntry(uint32_t id, uint32_t slot) {
    closeEntry();
    if (entries_.empty()) firstEntry_ = id;
    const uint64_t bit = uint64_t{id} - firstEntry_;
    // Ids that leave long gaps would make the bits cost more than the
    // records: at most a word per record read.
    if (bit / 64 > seen_ + 1024) return false;
    if (bit / 64 >= entries_.size()) {
      entries_.resize(std::max<size_t>(bit / 64 + 1, 2 * entries_.size()));
    }
    entries_[bit / 64] |= uint64_t{1} << (bit % 64);
    entry_ = true;
    entryId_ = id;
    slot_ = slot;
    count_ = {0, 0};
    return true;
  }

  void closeEntry() {
    if (entry_ && !usual(count_)) {
      shape_.unusualEntries[slot_].push_back(count_);
    }
    entry_ = false;
  }

  bool isEntry(uint32_t id) const {
    if (entries_.empty() || id < firstEntry_) return false;
    const uint64_t bit = uint64_t{id} - firstEntry_;
    return bit / 64 < entries_.size() &&
           ((entries_[bit / 64] >> (bit % 64)) & 1) != 0;
  }

  AddShape& shape_;
  uint32_t lastId_ = 0;
  uint64_t seen_ = 0;  // records read
  bool entry_ = false;
  uint32_t entryId_ = 0;
  uint32_t slot_ = 0;
  ArrayCount count_{};
  uint32_t firstEntry_ = 0;
  std::vector<uint64_t> entries_;  // a bit per id from firstEntry_ on
};

void addOnce(std::vector<uint32_t>& list, uint32_t record) {
  if (list.empty() || list.back() != record) list.push_back(record);
}

// Array counts of any ids: an array over the ids' range when they span
// little more than their number (files made by adds), else a map of the
// entry ids alone. Each record counts once per (target, kind), as
// query_link lists it once; for id 0, as query_link(0, kind) reads it,
// the records with a link of that kind count.
class ArrayCounts {
 public:
  ArrayCounts(const RecordHeads& heads, const std::vector<uint32_t>& entryIds) {
    const std::vector<RecordLayout>& records = heads.records();
    for (const RecordLayout& record : records) {
      low_ = std::min(low_, record.id);
      high_ = std::max(high_, record.id);
    }
    dense_ = !records.empty() &&
             uint64_t{high_} - low_ < 4 * uint64_t{records.size()} + 65536;
    if (dense_) {
      table_.assign(uint64_t{high_} - low_ + 1, ArrayCount{});
    } else {
      for (uint32_t id : entryIds) map_.emplace(id, ArrayCount{});
    }
    countLinks(heads.links());
  }

  ArrayCount count(uint32_t id) const {
    if (id == 0) return anyTarget_;
    return dense_ ? table_[id - low_] : map_.at(id);
  }

 private:
  void add(uint32_t target, int array) {
    if (dense_) {
      if (target >= low_ && target <= high_) {
        countOne(table_[target - low_][array]);
      }
      return;
    }
    const auto found = map_.find(target);
    if (found != map_.end()) countOne(found->second[array]);
  }

  void countLinks(const std::vector<HeadLink>& links) {
    std::vector<std::pair<uint32_t, int>> own;
    for (size_t a = 0; a < links.size();) {
      size_t b = a + 1;
      while (b < links.size() && links[b].record == links[a].record) ++b;
      own.clear();
      for (size_t k = a; k < b; ++k) {
        const int array = arrayOf(links[k].kind);
        if (array >= 0) own.emplace_back(links[k].target, array);
      }
      std::sort(own.begin(), own.end());
      own.erase(std::unique(own.begin(), own.end()), own.end());
      bool any[2] = {false, false};
      for (const auto& [target, array] : own) {
        add(target, array);
        any[array] = true;
      }
      for (int array = 0; array < 2; ++array) {
        if (any[array]) countOne(anyTarget_[array]);
      }
      a = b;
    }
  }

  uint32_t low_ = UINT32_MAX;
  uint32_t high_ = 0;
  bool dense_ = false;
  std::vector<ArrayCount> table_;
  std::unordered_map<uint32_t, ArrayCount> map_;
  ArrayCount anyTarget_{};
};

// Per slot, the first record with its id: the one get_record reads.
void findNameRecords(const RecordHeads& heads, AddShape& shape) {
  std::vector<bool> found(shape.slots.size(), false);
  size_t left = found.size();
  shape.nameRecords.resize(found.size());
  for (const RecordLayout& record : heads.records()) {
    if (left == 0) break;
    const long slot = shape.slots.find(record.id);
    if (slot >= 0 && !found[slot]) {
      found[slot] = true;
      shape.nameRecords[slot] = record;
      --left;
    }
  }
}

}  // namespace

bool canonicalShape(const std::string& fileName, AddShape& shape,
                    HeadPass& pass) {
  CanonicalShape visitor(shape);
  pass = walkRecordHeads(fileName, visitor);
  visitor.finish();
  return pass.finished;
}

void noteFeatureKind(uint16_t kind, AddShape& shape) {
  for (const FeatureSet& set : FEATURE_SETS) {
    if (kind == set.recordKind) {
      shape.hasFeatureRecords[static_cast<size_t>(set.code)] = true;
    }
  }
}

AddShape generalShape(const RecordHeads& heads) {
  AddShape shape;
  const std::vector<RecordLayout>& records = heads.records();
  const std::vector<HeadLink>& links = heads.links();
  std::vector<uint32_t> languageRecords;
  for (const HeadLink& link : links) {
    if (link.target == LANGUAGE_ROOT) addOnce(languageRecords, link.record);
    noteFeatureKind(link.kind, shape);
  }
  for (uint32_t record : languageRecords) {
    shape.languageIds.push_back(records[record].id);
    shape.slots.add(records[record].id);
  }
  findNameRecords(heads, shape);

  // Each language's entries in file order: records with a link to its id
  // (for id 0, as query_link(0, 0) reads it, with a link of kind 0).
  std::vector<std::vector<uint32_t>> entries(shape.slots.size());
  const long zeroSlot = shape.slots.find(0);
  for (const HeadLink& link : links) {
    const long slot = link.target == 0 ? -1 : shape.slots.find(link.target);
    if (slot >= 0) addOnce(entries[slot], link.record);
    if (zeroSlot >= 0 && link.kind == 0)
      addOnce(entries[zeroSlot], link.record);
  }
  std::vector<uint32_t> entryIds;
  for (const std::vector<uint32_t>& list : entries) {
    for (uint32_t record : list) entryIds.push_back(records[record].id);
  }
  const ArrayCounts arrays(heads, entryIds);
  shape.unusualEntries.resize(shape.slots.size());
  for (size_t slot = 0; slot < entries.size(); ++slot) {
    for (uint32_t record : entries[slot]) {
      const ArrayCount count = arrays.count(records[record].id);
      if (!usual(count)) shape.unusualEntries[slot].push_back(count);
    }
  }
  return shape;
}

}  // namespace letterfreq
