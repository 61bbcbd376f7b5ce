#include "db/record_heads.h"

#include "db/record_codec.h"

namespace letterfreq {

RecordHeads::RecordHeads(const std::string& fileName) {
  pass_ = walkRecordHeads(fileName, *this);
}

bool RecordHeads::record(const RecordLayout& record, const uint8_t* head) {
  const auto index = static_cast<uint32_t>(records_.size());
  if (index > 0 && record.id <= records_.back().id) idsRise_ = false;
  records_.push_back(record);
  const uint8_t* link = head + (record.linksOffset() - record.offset);
  for (uint8_t i = 0; i < record.linkCount; ++i, link += LINK_SIZE) {
    links_.push_back({read_u32(link), index, read_u16(link + 4)});
  }
  return true;
}

}  // namespace letterfreq
