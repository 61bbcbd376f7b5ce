// The load keeps no entry's profile: it is read again from the file where
// the load found the entry's arrays, or by their ids once the file has
// moved them; a file that no longer has them is the engine's error.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "profiles/database_load.h"
#include "profiles/load_pass.h"
#include "tests/profiles/load_compare.h"
#include "tests/profiles/schema_bytes.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::countArrayRecord;
using testing::entryRecord;
using testing::languageRecord;
using testing::sortArrayRecord;

constexpr int A = 'a', B = 'b', C = 'c';

// Caesar: a 1, b 9 and c 5, which its Sort Array leaves out.
std::string latin() {
  return languageRecord(257, "Latin") + entryRecord(258, 257, "Caesar") +
         countArrayRecord(260, 258, {{A, 1}, {B, 9}, {C, 5}}) +
         sortArrayRecord(261, 258, "ba");
}

TEST(EntryRereadTest, ProfilesAreReadAgainWhereverTheFileHoldsThem) {
  testing::TempDir dir;
  const std::string path = dir.write("ling2.db", latin());
  const DatabaseLoad load = loadDatabase(RecordFile(path), {});
  ASSERT_EQ(load.languages.at(0).entries.size(), 1u);
  const LoadedEntry caesar = load.languages[0].entries[0];
  EXPECT_NE(caesar.countArray.offset, 0u);
  EXPECT_EQ(caesar.totalCount, 10);
  EXPECT_EQ(caesar.usedCount, 2);
  for (const std::string& bytes :
       {latin(), languageRecord(300, "Moved") + latin()}) {
    dir.write("ling2.db", bytes);
    const LetterProfile profile = readEntryProfile(path, caesar);
    EXPECT_EQ(profile.counts[A], 1);
    EXPECT_EQ(profile.counts[C], 5);
    EXPECT_EQ(profile.totalCount, 10);
    EXPECT_EQ(profile.usedCount, 2);
    EXPECT_EQ(profile.order[0], B);
    EXPECT_TRUE(testing::sameBytes(
        profile, entryProfile(RecordSnapshot(path), caesar)));
  }
  dir.write("ling2.db", languageRecord(257, "Latin"));
  EXPECT_THROW(readEntryProfile(path, caesar), std::runtime_error);
  std::remove(path.c_str());
  EXPECT_THROW(readEntryProfile(path, caesar), std::runtime_error);
}

}  // namespace
}  // namespace letterfreq
