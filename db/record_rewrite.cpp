#include "db/record_rewrite.h"

#include <stdexcept>

#include "db/record_codec.h"
#include "db/record_format.h"
#include "db/record_texts.h"
#include "db/record_walk.h"

namespace letterfreq {

RewritePlan planRewrite(const std::vector<uint8_t>& bytes, const Record& record,
                        int32_t offset) {
  RewritePlan plan;
  if (offset < 0 || static_cast<size_t>(offset) >= bytes.size() ||
      bytes[static_cast<size_t>(offset)] != RECORD_DELIM) {
    plan.refusal = NO_DELIMITER_AT_OFFSET_TEXT;
    return plan;
  }
  const auto at = static_cast<uint32_t>(offset);
  // The id is compared first, as far as the file holds it.
  if (bytes.size() - at >= 5 &&
      read_u32(bytes.data() + at + 1) != record.id()) {
    plan.refusal = WRONG_RECORD_TEXT;
    return plan;
  }
  RecordWalk walk(bytes.data(), bytes.size(), at);
  RecordLayout old;
  if (!walk.next(old)) {
    plan.refusal = DAMAGED_RECORD_AT_OFFSET_TEXT;
    return plan;
  }
  plan.offset = at;
  plan.oldEnd = static_cast<uint32_t>(old.end());
  const uint64_t newSize =
      uint64_t{bytes.size()} - (plan.oldEnd - at) + encodedRecordSize(record);
  if (newSize > MAX_FILE_SIZE) throw std::runtime_error(FILE_TOO_LARGE_TEXT);
  plan.encoded = encodeRecord(record);
  return plan;
}

}  // namespace letterfreq
