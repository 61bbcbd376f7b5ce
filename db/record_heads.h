// RecordHeads: the heads of every whole record of a database file, kept
// from one pass (db/record_head_pass.h): where each record lies, its id
// and its links. For a writer that needs to know any file's structure, not
// its contents (a data block it does need can be read again with
// readDatabaseRange, which a WriteLock held since the pass keeps right).
// It keeps some 30 bytes per record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/record_head_pass.h"

namespace letterfreq {

// One link of a whole record.
struct HeadLink {
  uint32_t target = 0;
  uint32_t record = 0;  // the record's position in records()
  uint16_t kind = 0;
};

class RecordHeads : private HeadVisitor {
 public:
  // Reads the file (its "!" texts as readDatabaseFile's); never creates it.
  explicit RecordHeads(const std::string& fileName);

  // The whole, well-formed records, in file order (as a snapshot's).
  const std::vector<RecordLayout>& records() const { return records_; }
  // Their links, record by record in file order, each record's in its own
  // order.
  const std::vector<HeadLink>& links() const { return links_; }
  const HeadPass& pass() const { return pass_; }
  // False when ids ever fall or repeat in file order; true means each
  // record is the first with its id.
  bool idsRise() const { return idsRise_; }

 private:
  bool record(const RecordLayout& record, const uint8_t* head) override;

  std::vector<RecordLayout> records_;
  std::vector<HeadLink> links_;
  HeadPass pass_;
  bool idsRise_ = true;
};

}  // namespace letterfreq
