// The fuzz target's checks in the ordinary suite: the seed databases and
// a few thousand deterministic mutations of them (flipped, inserted,
// deleted and repeated bytes). A failed check aborts the test program.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "db/record_codec.h"
#include "tests/db/db_test_bytes.h"
#include "tests/fuzz/fuzz_mutate.h"
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

TEST(RecordFuzzReplayTest, SeedsAndMutationsPassTheFuzzChecks) {
  std::mt19937 random(4242);
  const std::vector<Bytes> bases = seeds();
  for (const Bytes& seed : bases)
    fuzz::checkDatabaseBytes(seed.data(), seed.size());
  for (int i = 0; i < 4000; ++i) {
    const Bytes input = fuzz::mutate(bases[random() % bases.size()], random);
    fuzz::checkDatabaseBytes(input.data(), input.size());
  }
}

}  // namespace
}  // namespace letterfreq
