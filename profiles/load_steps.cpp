#include <algorithm>

#include "db/record_codec.h"
#include "profiles/load_pass.h"

namespace letterfreq {

std::string storedName(const Record& record) {
  const char* text = reinterpret_cast<const char*>(record.data());
  const uint32_t length = record.dataLength();
  if (text == nullptr || length == 0) return std::string();
  return std::string(text, std::find(text, text + length, '\0'));
}

void readCountArray(const Record& record, LetterProfile& profile) {
  const uint8_t* bytes = record.data();
  const uint32_t length = std::min(record.dataLength(), COUNT_ARRAY_BYTES);
  for (uint32_t at = 0; at < length; at += 4) {
    profile.counts[at / 4] =
        static_cast<int32_t>(read_u32_prefix(bytes + at, length - at));
  }
}

void listSortArray(const Record& record, LetterProfile& entry) {
  const uint8_t* bytes = record.data();
  int used = 0;
  for (uint32_t k = 0; k < record.dataLength(); ++k) {
    const uint8_t b = bytes[k];
    if (b >= PROFILE_SLOTS) continue;  // byte 255 has no counter
    if (used == PROFILE_SLOTS) break;  // no slot left in the order list
    entry.order[used++] = b;
    entry.totalCount = saturatingAdd(entry.totalCount, entry.counts[b]);
  }
  entry.usedCount = used;
}

void addListedCounts(const LetterProfile& entry, LetterProfile& language,
                     LetterProfile& totals) {
  for (int k = 0; k < entry.usedCount; ++k) {
    const uint8_t b = entry.order[k];
    const int32_t count = entry.counts[b];
    totals.counts[b] = saturatingAdd(totals.counts[b], count);
    language.counts[b] = saturatingAdd(language.counts[b], count);
  }
}

void addFrequencies(const LetterProfile& entry, LetterProfile& language) {
  for (int k = 0; k < PROFILE_SLOTS && entry.order[k] != 0; ++k) {
    const uint8_t b = entry.order[k];
    const float f = static_cast<float>(entry.counts[b]) /
                    static_cast<float>(entry.totalCount);
    language.sumSquares[b] += f * f;
    language.sums[b] += f;
  }
}

void completeForDisplay(LetterProfile& profile, bool deviations) {
  if (deviations) profile.computeStdDevs();
  if (profile.totalCount == 0) profile.computeTotals();
}

LetterProfile entryProfile(const Record& countArray, const Record& sortArray) {
  LetterProfile profile;
  readCountArray(countArray, profile);
  listSortArray(sortArray, profile);
  completeForDisplay(profile, false);
  return profile;
}

ArrayPlace placeOf(const RecordSnapshot& source, const Record& record) {
  ArrayPlace place;
  place.id = record.id();
  if (const RecordLayout* layout = source.layoutOf(record.id())) {
    place.offset = layout->offset;
    place.bodyLength = layout->bodyLength;
  }
  return place;
}

ArrayPlace placeOf(const RecordFile&, const Record& record) {
  // The slow source knows no offsets; a place without one is read by id.
  ArrayPlace place;
  place.id = record.id();
  return place;
}

}  // namespace letterfreq
