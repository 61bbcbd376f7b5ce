// Damaged database files: each kind of damage gives its documented end of
// the sequence or its exact "!" text, never an overread, a huge allocation
// or a loop; and a sweep over every byte and every length of a small
// database accepts nothing else.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "db/record_codec.h"
#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "db/record_walk.h"
#include "tests/db/db_test_bytes.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::asBytes;
using testing::asString;
using testing::Bytes;
using testing::concat;
using testing::hexBytes;
using testing::textRecord;

std::string errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

std::vector<uint32_t> idsOf(const std::vector<RecordRef>& refs) {
  std::vector<uint32_t> ids;
  for (const RecordRef& ref : refs) ids.push_back(ref.id);
  return ids;
}

class RecordDamageTest : public ::testing::Test {
 protected:
  std::string dbWith(const Bytes& bytes) {
    return dir.write("damaged.db", asString(bytes));
  }
  Bytes bytesOf(const std::string& path) {
    return asBytes(testing::readFile(path));
  }
  testing::TempDir dir;
};

// An interrupted append leaves a head cut short: the sequence ends before
// it, and nothing may be appended behind it.
TEST_F(RecordDamageTest, HeadCutShortEndsTheSequenceAndRefusesAppends) {
  for (const Bytes& piece :
       {hexBytes("72"), hexBytes("72 03 01 00 00 0E 00")}) {
    const Bytes bytes = concat({testing::TWO_RECORD_FILE, piece});
    RecordFile file(dbWith(bytes));
    EXPECT_EQ(idsOf(file.query_all()), (std::vector<uint32_t>{257, 258}));
    EXPECT_EQ(file.get_record(259).id(), 0u);
    EXPECT_EQ(idsOf(file.query_link(2, 1)), (std::vector<uint32_t>{257}));
    EXPECT_EQ(errorOf([&] { file.store_record(textRecord(0, {}, "x")); }),
              "!store_record the file ends inside the record at 41");
    EXPECT_EQ(errorOf([&] { file.append_records({textRecord(300, {}, "x")}); }),
              "!append_records the file ends inside the record at 41");
    EXPECT_EQ(bytesOf(file.fileName()), bytes);
  }
}

// A length word past the end of the file (a data block larger than the
// file): listed by query_all, unreadable for get_record and query_link.
TEST_F(RecordDamageTest, RecordRunningPastTheEndIsListedButNotRead) {
  for (const char* length : {"0A 00 00 00", "FF FF FF FF", "F0 FF FF 7F"}) {
    const Bytes bytes = concat(
        {testing::LATIN_RECORD, hexBytes(std::string("72 02 01 00 00") +
                                         length + "00 01 02 00 00 00 01 00")});
    RecordFile file(dbWith(bytes));
    std::vector<std::string> reports;
    file.reporter = [&](const std::string& text) { reports.push_back(text); };

    const std::vector<RecordRef> all = file.query_all();
    EXPECT_EQ(idsOf(all), (std::vector<uint32_t>{257, 258}));
    EXPECT_EQ(all[1].offset, 23);
    EXPECT_EQ(file.get_record(258).id(), 0u);
    EXPECT_EQ(idsOf(file.query_link(2, 1)), (std::vector<uint32_t>{257}));
    EXPECT_EQ(file.next_record_id(), 259u);
    EXPECT_EQ(file.find_record_offset(258), 23);

    EXPECT_FALSE(file.insert_record(textRecord(258, {}, "x"), 23));
    EXPECT_EQ(file.store_record(textRecord(258, {}, "x")), 258u);
    EXPECT_EQ(
        reports,
        std::vector<std::string>(
            2, "!insert_record says the record at that offset is damaged"));
    EXPECT_EQ(errorOf([&] { file.store_record(textRecord(0, {}, "x")); }),
              "!store_record the file ends inside the record at 23");
    EXPECT_EQ(bytesOf(file.fileName()), bytes);
  }
}

// Length words smaller than the counts need, and counts larger than the
// bytes present: every walk that reaches the record reports it.
TEST_F(RecordDamageTest, LengthTooSmallForFieldsAndLinksIsAnError) {
  const std::vector<std::string> tooShort = {
      "72 02 01 00 00 00 00 00 00",              // length 0
      "72 02 01 00 00 01 00 00 00 00",           // length 1
      "72 02 01 00 00 03 00 00 00 01 02 01 03",  // F = 1, 7 bytes short
      "72 02 01 00 00 02 00 00 00 00 05",        // L = 5, no links
      "72 02 01 00 00 08 00 00 00 FF 00 00 00 00 00 00 00 00"};  // F = 255
  for (const std::string& record : tooShort) {
    const Bytes bytes = concat({testing::LATIN_RECORD, hexBytes(record)});
    RecordFile file(dbWith(bytes));
    const std::string tail =
        " record at 23 has a length too small for its fields and links";
    EXPECT_EQ(errorOf([&] { file.query_all(); }), "!query_all" + tail)
        << record;
    EXPECT_EQ(errorOf([&] { file.query_link(2, 1); }), "!query_link" + tail);
    EXPECT_EQ(errorOf([&] { file.get_record(258); }), "!get_record" + tail);
    EXPECT_EQ(file.get_record(257).id(), 257u);  // found before the damage
    EXPECT_FALSE(file.insert_record(textRecord(258, {}, "x"), 23));
    EXPECT_EQ(bytesOf(file.fileName()), bytes);
  }
}

TEST_F(RecordDamageTest, FileLongerThanOffsetsReachIsRefused) {
  const std::string name = dbWith({});
  ASSERT_EQ(::truncate(name.c_str(), off_t{1} << 31), 0);  // sparse
  RecordFile file(name);
  EXPECT_EQ(errorOf([&] { file.query_all(); }),
            "!database file larger than 2147483647 bytes");
  EXPECT_EQ(errorOf([&] { RecordSnapshot snapshot(name); }),
            "!database file larger than 2147483647 bytes");
}

TEST_F(RecordDamageTest, NoIdLeftAfterTheLargestId) {
  RecordFile file(dbWith(encodeRecord(textRecord(0xFFFFFFFF, {}, "top"))));
  EXPECT_EQ(file.next_record_id(), 0u);
  EXPECT_EQ(errorOf([&] { file.store_record(textRecord(0, {}, "x")); }),
            "!no record id left");
}

// --- The sweep ---------------------------------------------------------

// The offsets that the length words lead to from 0 while a whole head
// lies inside the file: found without the walk's own rules.
std::vector<uint32_t> boundariesOf(const Bytes& bytes) {
  std::vector<uint32_t> boundaries{0};
  uint64_t at = 0;
  while (at + RECORD_HEAD_SIZE <= bytes.size()) {
    at += RECORD_HEAD_SIZE + read_u32(bytes.data() + at + 5);
    if (at > bytes.size()) break;
    boundaries.push_back(static_cast<uint32_t>(at));
  }
  return boundaries;
}

bool isBoundary(const Bytes& bytes, uint32_t offset) {
  for (uint32_t b : boundariesOf(bytes)) {
    if (b == offset) return true;
  }
  return false;
}

// Whether the record at a boundary is whole and its counts fit its length.
bool wellFormedAt(const Bytes& bytes, uint32_t at) {
  if (at + RECORD_HEAD_SIZE > bytes.size()) return false;
  const uint64_t length = read_u32(bytes.data() + at + 5);
  if (at + RECORD_HEAD_SIZE + length > bytes.size() || length < 2) return false;
  const uint32_t fields = bytes[at + 9];
  if (length < 2 + 7 * fields) return false;
  return length >= 2 + 7 * fields + 6 * bytes[at + 10 + 7 * fields];
}

// An error is acceptable only as one of the exact texts, naming a boundary
// that really holds that damage.
void expectExactError(const Bytes& bytes, const std::string& op,
                      const std::string& error) {
  unsigned position = 0;
  unsigned byte = 0;
  char rest[8] = {0};
  const std::string delimiter = "!" + op + " expected RECORD_DELIM at %u%7s";
  const std::string length =
      "!" + op +
      " record at %u has a length too small for its fields and links%7s";
  if (op == "query_link" &&
      std::sscanf(error.c_str(),
                  "!query_link expected RECORD_DELIM at %u rcvd:%u%7s",
                  &position, &byte, rest) == 2) {
    ASSERT_TRUE(isBoundary(bytes, position - 1)) << error;
    EXPECT_EQ(bytes[position - 1], byte) << error;
    EXPECT_NE(byte, 0u) << error;
    EXPECT_NE(byte, RECORD_DELIM) << error;
  } else if (op != "query_link" && std::sscanf(error.c_str(), delimiter.c_str(),
                                               &position, rest) == 1) {
    ASSERT_TRUE(isBoundary(bytes, position - 1)) << error;
    EXPECT_NE(bytes[position - 1], RECORD_DELIM) << error;
    if (op == "get_record") {
      EXPECT_NE(bytes[position - 1], 0) << error;
    }
  } else if (std::sscanf(error.c_str(), length.c_str(), &position, rest) == 1) {
    ASSERT_TRUE(isBoundary(bytes, position)) << error;
    EXPECT_FALSE(wellFormedAt(bytes, position)) << error;
    EXPECT_LE(
        position + RECORD_HEAD_SIZE + read_u32(bytes.data() + position + 5),
        bytes.size())
        << error;
  } else {
    ADD_FAILURE() << "unexpected error text: " << error;
  }
}

// query_all's list must follow the length words from 0, each entry a
// delimiter with its id; only the last may run past the end.
void expectValidListing(const Bytes& bytes, const std::vector<RecordRef>& all) {
  const std::vector<uint32_t> boundaries = boundariesOf(bytes);
  ASSERT_LE(all.size(), boundaries.size());
  for (size_t i = 0; i < all.size(); ++i) {
    const uint32_t at = boundaries[i];
    ASSERT_EQ(static_cast<uint32_t>(all[i].offset), at);
    EXPECT_EQ(bytes[at], RECORD_DELIM);
    EXPECT_EQ(all[i].id, read_u32(bytes.data() + at + 1));
    if (i + 1 < all.size()) {
      EXPECT_TRUE(wellFormedAt(bytes, at));
    }
  }
}

// One answer of one operation, as text, so that three sources compare.
struct Answers {
  std::vector<std::string> lines;
  template <class Call>
  void add(Call call) {
    try {
      lines.push_back(call());
    } catch (const std::runtime_error& e) {
      lines.push_back(std::string("error ") + e.what());
    }
  }
};

std::string refsText(const std::vector<RecordRef>& refs) {
  std::string text;
  for (const RecordRef& ref : refs) {
    text += std::to_string(ref.id) + "@" + std::to_string(ref.offset) + " ";
  }
  return text;
}

std::string recordText(const Record& record) {
  return std::to_string(record.id()) + " " + asString(encodeRecord(record));
}

const uint32_t SWEEP_IDS[] = {257, 258, 259, 300, 0};

template <class Source>
Answers answersOf(const Source& source) {
  Answers answers;
  answers.add([&] { return refsText(source.query_all()); });
  for (uint32_t id : SWEEP_IDS) {
    answers.add([&] { return recordText(source.get_record(id)); });
    answers.add([&] { return std::to_string(source.find_record_offset(id)); });
  }
  answers.add([&] { return std::to_string(source.next_record_id()); });
  for (uint32_t target : {0u, 2u, 257u, 9u}) {
    for (uint16_t kind : {0, 1, 6}) {
      answers.add([&] { return refsText(source.query_link(target, kind)); });
    }
  }
  return answers;
}

// The reading operations of the walk over bytes, shaped like a source.
struct BytesSource {
  const Bytes& bytes;
  Record get_record(uint32_t id) const { return getRecordIn(bytes, id); }
  std::vector<RecordRef> query_all() const { return queryAllIn(bytes); }
  std::vector<RecordRef> query_link(uint32_t t, uint16_t k) const {
    return queryLinkIn(bytes, t, k);
  }
  int32_t find_record_offset(uint32_t id) const {
    return findOffsetIn(queryAllIn(bytes), id);
  }
  uint32_t next_record_id() const { return nextRecordIdOf(queryAllIn(bytes)); }
};

void checkDamagedFile(const Bytes& bytes, const std::string& path) {
  SCOPED_TRACE(::testing::PrintToString(bytes));
  // Every answer is a valid result or an exact error...
  try {
    expectValidListing(bytes, queryAllIn(bytes));
  } catch (const std::runtime_error& e) {
    expectExactError(bytes, "query_all", e.what());
  }
  for (uint32_t id : SWEEP_IDS) {
    try {
      const Record record = getRecordIn(bytes, id);
      if (id != 0 && record.id() == id) {
        // The first record with the id, passing only sound records.
        for (uint32_t at : boundariesOf(bytes)) {
          ASSERT_TRUE(wellFormedAt(bytes, at));
          ASSERT_EQ(bytes[at], RECORD_DELIM);
          if (read_u32(bytes.data() + at + 1) != id) continue;
          const Bytes encoded = encodeRecord(record);
          EXPECT_EQ(Bytes(bytes.begin() + at,
                          bytes.begin() + at +
                              std::min(encoded.size(), bytes.size() - at)),
                    encoded);
          break;
        }
      }
    } catch (const std::runtime_error& e) {
      expectExactError(bytes, "get_record", e.what());
    }
  }
  try {
    queryLinkIn(bytes, 2, 0);
  } catch (const std::runtime_error& e) {
    expectExactError(bytes, "query_link", e.what());
  }
  // ...and the walk over bytes, the snapshot and the file agree exactly.
  const Answers walked = answersOf(BytesSource{bytes});
  EXPECT_EQ(answersOf(RecordSnapshot(bytes)).lines, walked.lines);
  testing::writeFile(path, asString(bytes));
  RecordFile file(path);
  EXPECT_EQ(answersOf(file).lines, walked.lines);
  EXPECT_EQ(answersOf(file.snapshot()).lines, walked.lines);
}

// A small database with fields, links, a duplicate id and an empty record.
Bytes sweepDatabase() {
  Record linked = textRecord(259, {{257, 6}, {2, 1}}, "ab");
  linked.add_field({1, 2, 3});
  Record empty;
  empty.id(300);
  return concat({testing::TWO_RECORD_FILE, encodeRecord(linked),
                 encodeRecord(empty),
                 encodeRecord(textRecord(257, {{9, 0}}, ""))});
}

TEST_F(RecordDamageTest, EveryChangedByteGivesAValidResultOrAnExactError) {
  const Bytes original = sweepDatabase();
  const std::string path = dir.file("sweep.db");
  for (size_t at = 0; at < original.size(); ++at) {
    for (int change : {0x00, 0x72, 0xFF, 0x01, 0x80, -1}) {
      Bytes bytes = original;
      bytes[at] = change >= 0 ? static_cast<uint8_t>(change)
                              : static_cast<uint8_t>(bytes[at] ^ 0x04);
      checkDamagedFile(bytes, path);
      if (HasFatalFailure()) return;
    }
  }
}

TEST_F(RecordDamageTest, EveryCutGivesAValidResultOrAnExactError) {
  const Bytes original = sweepDatabase();
  const std::string path = dir.file("sweep.db");
  for (size_t length = 0; length <= original.size(); ++length) {
    checkDamagedFile(Bytes(original.begin(), original.begin() + length), path);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace letterfreq
