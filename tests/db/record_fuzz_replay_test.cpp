// The fuzz target's checks in the ordinary suite: the seed databases and
// a few thousand deterministic mutations of them (flipped, inserted,
// deleted and repeated bytes). A failed check aborts the test program.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "db/record_codec.h"
#include "tests/db/db_test_bytes.h"
#include "tests/fuzz/record_file_fuzz_check.h"

namespace letterfreq {
namespace {

using testing::Bytes;
using testing::concat;
using testing::textRecord;

std::vector<Bytes> seeds() {
  Record fields = textRecord(260, {{257, 6}, {2, 1}, {0, 0}}, "ab");
  fields.add_field({7, 8, 9});
  return {{},
          testing::TWO_RECORD_FILE,
          concat({testing::TWO_RECORD_FILE, encodeRecord(fields),
                  encodeRecord(textRecord(257, {{2, 6}}, "dup"))}),
          concat({testing::LATIN_RECORD, Bytes{0}, testing::FIELD_RECORD})};
}

Bytes mutate(Bytes bytes, std::mt19937& random) {
  const int steps = 1 + static_cast<int>(random() % 4);
  for (int s = 0; s < steps; ++s) {
    const size_t at = bytes.empty() ? 0 : random() % bytes.size();
    switch (random() % 6) {
      case 0:
        if (!bytes.empty())
          bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
        break;
      case 1:
        if (!bytes.empty()) bytes[at] = static_cast<uint8_t>(random());
        break;
      case 2:
        bytes.insert(
            bytes.begin() + static_cast<long>(at),
            static_cast<uint8_t>(random() % 3 == 0 ? RECORD_DELIM : random()));
        break;
      case 3:
        if (!bytes.empty()) {
          const size_t length = 1 + random() % (bytes.size() - at);
          bytes.erase(bytes.begin() + static_cast<long>(at),
                      bytes.begin() + static_cast<long>(at + length));
        }
        break;
      case 4: {  // repeat a piece, as a duplicated record would be
        const size_t length =
            bytes.empty() ? 0 : 1 + random() % (bytes.size() - at);
        const Bytes piece(bytes.begin() + static_cast<long>(at),
                          bytes.begin() + static_cast<long>(at + length));
        bytes.insert(bytes.end(), piece.begin(), piece.end());
        break;
      }
      default:
        if (bytes.size() >= at + 9) {  // a wild length word
          bytes[at + 5] = static_cast<uint8_t>(random());
          bytes[at + 8] = static_cast<uint8_t>(random() % 2 ? 0 : 0xFF);
        }
    }
  }
  return bytes;
}

TEST(RecordFuzzReplayTest, SeedsAndMutationsPassTheFuzzChecks) {
  std::mt19937 random(4242);
  const std::vector<Bytes> bases = seeds();
  for (const Bytes& seed : bases)
    fuzz::checkDatabaseBytes(seed.data(), seed.size());
  for (int i = 0; i < 4000; ++i) {
    const Bytes input = mutate(bases[random() % bases.size()], random);
    fuzz::checkDatabaseBytes(input.data(), input.size());
  }
}

}  // namespace
}  // namespace letterfreq
