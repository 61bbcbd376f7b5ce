// The whole-database fuzz target's checks in the ordinary suite: small
// databases of languages, entries and n-gram lists, and a few thousand
// deterministic mutations of them. A failed check aborts the test program.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "profiles/schema.h"
#include "tests/fuzz/database_load_fuzz_check.h"
#include "tests/fuzz/fuzz_mutate.h"
#include "tests/profiles/schema_bytes.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::entryBytes;
using testing::languageRecord;
using testing::recordBytes;

// An n-gram list of two items, as a record.
std::string listRecord(uint32_t id, uint32_t entry) {
  std::string data;
  for (uint16_t value : {5, 3, 700, 2}) testing::putU16(data, value);
  return recordBytes(id, {{entry, KIND_NGRAM_LIST}}, data);
}

std::vector<std::vector<uint8_t>> seeds() {
  const std::string latin = languageRecord(257, "Latin") +
                            entryBytes(258, 257, "Caesar", {{'a', 3}, {'b', 1}});
  const std::string two =
      latin + listRecord(262, 258) + languageRecord(263, "Greek") +
      entryBytes(264, 263, "Homer", {{'x', 2}, {' ', 1}}) +
      listRecord(268, 264) + entryBytes(269, 257, "Cicero", {{'b', 2}});
  std::vector<std::vector<uint8_t>> all;
  for (const std::string& bytes : {std::string(), latin, two}) {
    all.emplace_back(bytes.begin(), bytes.end());
  }
  return all;
}

TEST(DatabaseLoadFuzzReplayTest, SeedsAndMutationsLoadAsTheSlowLoadDoes) {
  testing::TempDir dir;
  const std::string file = dir.file("fuzz.db");
  std::mt19937 random(2718);
  const auto bases = seeds();
  for (int i = 0; i < 3000; ++i) {
    const std::vector<uint8_t> input =
        i < static_cast<int>(bases.size())
            ? bases[static_cast<size_t>(i)]
            : fuzz::mutate(bases[random() % bases.size()], random);
    const std::string fast =
        fuzz::loadAnswer(input, input.data(), input.size());
    if (i % 8 == 0) {
      testing::writeFile(file, std::string(input.begin(), input.end()));
      ASSERT_EQ(fast, fuzz::slowLoadAnswer(file)) << "input " << i;
    }
  }
}

}  // namespace
}  // namespace letterfreq
