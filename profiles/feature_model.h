// What a load keeps of one feature set, and how a match reads it: the
// interfaces every row of profiles/feature_sets.h fills in. A model is
// made by the load from the entries' records of the set's kind; a matcher
// ranks samples against one model, keeping what it makes for the next
// sample (a table of weights, say), and borrows the model, which must
// outlive it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "profiles/match.h"
#include "sample/feature_counter.h"

namespace letterfreq {

// Hands each of one language's records of a set (its data block,
// untrusted) to add(data, length).
using RecordAdder = std::function<void(const uint8_t* data, size_t length)>;
using RecordsSource = std::function<void(int language, const RecordAdder& add)>;

// What a model throws for a damaged record handed to it: which record and
// what is wrong with it; the load, which knows the entry, adds its name
// (featureDamageText).
class FeatureRecordDamage : public std::runtime_error {
 public:
  FeatureRecordDamage(const std::string& record, const std::string& fault)
      : std::runtime_error(record + " " + fault),
        record_(record),
        fault_(fault) {}
  const std::string& record() const { return record_; }  // "N-gram Table"
  const std::string& fault() const { return fault_; }  // "ends inside item 3"

 private:
  std::string record_;
  std::string fault_;
};

// The "!" line of a damaged file, as the record engine words its own:
// "!the N-gram Table of the entry "cut" (record 263) ends inside item 1".
// Control bytes of the name show as '?'.
std::string featureDamageText(const FeatureRecordDamage& damage,
                              const std::string& entryName, uint32_t entryId);

class FeatureModel {
 public:
  virtual ~FeatureModel() = default;
  virtual int languageCount() const = 0;
  // Whether some entry of the language (0-based, database order) had a
  // record of the set.
  virtual bool hasData(int language) const = 0;
  // True when at least one language has data.
  virtual bool carriesData() const = 0;
  // Makes now what is otherwise made on first need (the weights); what
  // reading the records throws goes to the caller.
  virtual void makeWeights() const = 0;
};

class FeatureMatcher {
 public:
  virtual ~FeatureMatcher() = default;
  // The `limit` best (all for 0) of `languageCount` languages of the load
  // that made the model (any beyond it unscored, last) into `out`; a
  // sample without counts counts as an empty one. Not from two threads at
  // once.
  virtual void rank(const FeatureCounts& sample, size_t languageCount,
                    size_t limit, Ranking& out) = 0;
};

}  // namespace letterfreq
