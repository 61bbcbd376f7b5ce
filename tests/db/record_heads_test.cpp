#include "db/record_heads.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/append_journal.h"
#include "db/file_io.h"
#include "db/record_codec.h"
#include "db/record_snapshot.h"
#include "tests/support/journal_files.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

// The text a call throws, or "" when it returns.
template <class Call>
std::string thrownBy(Call call) {
  try {
    call();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

std::string nextIdOrText(const HeadPass& pass) {
  std::string text = thrownBy([&] { pass.next_record_id(); });
  return text.empty() ? std::to_string(pass.next_record_id()) : text;
}

std::string nextIdOrText(const RecordSnapshot& snapshot) {
  std::string text = thrownBy([&] { snapshot.next_record_id(); });
  return text.empty() ? std::to_string(snapshot.next_record_id()) : text;
}

// Everything the pass found equals what a snapshot of the same file finds.
void expectSameAsSnapshot(const std::string& path) {
  const RecordSnapshot snapshot(path);
  const RecordHeads heads(path);
  const std::vector<RecordLayout>& expected = snapshot.records();
  ASSERT_EQ(heads.records().size(), expected.size());
  std::vector<HeadLink> links;
  bool rise = true;
  for (size_t k = 0; k < expected.size(); ++k) {
    const RecordLayout& a = heads.records()[k];
    const RecordLayout& b = expected[k];
    ASSERT_TRUE(a.offset == b.offset && a.id == b.id &&
                a.bodyLength == b.bodyLength && a.fieldCount == b.fieldCount &&
                a.linkCount == b.linkCount)
        << "record " << k;
    if (k > 0 && b.id <= expected[k - 1].id) rise = false;
    for (uint8_t i = 0; i < b.linkCount; ++i) {
      const RecordLink link = readLink(snapshot.bytes().data(), b, i);
      links.push_back({link.target, static_cast<uint32_t>(k), link.kind});
    }
  }
  ASSERT_EQ(heads.links().size(), links.size());
  for (size_t k = 0; k < links.size(); ++k) {
    EXPECT_TRUE(heads.links()[k].target == links[k].target &&
                heads.links()[k].record == links[k].record &&
                heads.links()[k].kind == links[k].kind)
        << "link " << k;
  }
  const WalkStop& a = heads.pass().stop;
  const WalkStop& b = snapshot.stop();
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.offset, b.offset);
  if (b.kind == WalkEnd::ZeroByte || b.kind == WalkEnd::WrongByte) {
    EXPECT_EQ(a.byte, b.byte);
  }
  if (b.kind == WalkEnd::PastEnd || b.kind == WalkEnd::TooShort) {
    EXPECT_EQ(a.record.id, b.record.id);
    EXPECT_EQ(a.record.bodyLength, b.record.bodyLength);
  }
  EXPECT_EQ(heads.pass().size, snapshot.bytes().size());
  EXPECT_TRUE(heads.pass().finished);
  EXPECT_EQ(heads.idsRise(), rise);
  EXPECT_EQ(nextIdOrText(heads.pass()), nextIdOrText(snapshot));
  if (!expected.empty()) {
    const RecordLayout& last = expected.back();
    const std::vector<uint8_t> data =
        readDatabaseRange(path, last.dataOffset(), last.dataLength());
    EXPECT_EQ(data,
              std::vector<uint8_t>(snapshot.bytes().data() + last.dataOffset(),
                                   snapshot.bytes().data() + last.dataOffset() +
                                       last.dataLength()));
  }
}

// A random record: some fields and links, a data block of any size up to
// `maxData` (so records straddle the pass's blocks), an id that mostly
// rises.
void appendRandomRecord(std::vector<uint8_t>& out, std::mt19937& random,
                        uint32_t& id, uint32_t maxData) {
  Record record;
  id += random() % 8 == 0 ? 0 : 1 + random() % 3;
  record.id(random() % 20 == 0 ? random() % 400 : id);
  const int fields = random() % 6 == 0 ? static_cast<int>(random() % 255) : 0;
  for (int k = 0; k < fields; ++k) {
    record.add_field({static_cast<uint16_t>(random()),
                      static_cast<uint8_t>(random()),
                      static_cast<uint32_t>(random())});
  }
  const int links = random() % 5 == 0 ? static_cast<int>(random() % 255)
                                      : static_cast<int>(random() % 3);
  for (int k = 0; k < links; ++k) {
    record.add_link({static_cast<uint32_t>(random() % 600),
                     static_cast<uint16_t>(random() % 9)});
  }
  std::vector<uint8_t> data(random() % (maxData + 1));
  for (uint8_t& b : data) b = static_cast<uint8_t>(random());
  record.set_data(data.data(), static_cast<uint32_t>(data.size()));
  appendEncodedRecord(out, record);
}

// One kind of damage at a random place, or none.
void damage(std::vector<uint8_t>& bytes, std::mt19937& random) {
  if (bytes.empty()) return;
  const size_t at = random() % bytes.size();
  switch (random() % 7) {
    case 0:
      bytes.resize(at);  // cut anywhere
      break;
    case 1:
      bytes[at] = static_cast<uint8_t>(random());
      break;
    case 2:
      bytes[at] = 0;
      break;
    case 3:  // a length word that runs far past the end
      bytes.insert(bytes.end(), {0x72, 1, 2, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0});
      break;
    default:
      break;  // undamaged
  }
}

TEST(RecordHeadsTest, FindsWhatASnapshotFindsInRandomFiles) {
  testing::TempDir dir;
  const std::string path = dir.file("random.db");
  std::mt19937 random(1717);
  for (int round = 0; round < 120; ++round) {
    SCOPED_TRACE(round);
    std::vector<uint8_t> bytes;
    uint32_t id = 256;
    // Small files, files of many blocks, and records larger than a block.
    const uint32_t maxData = round % 5 == 1 ? 700000 : 1500;
    const int records = round % 5 == 1   ? static_cast<int>(1 + random() % 8)
                        : round % 3 == 0 ? 3000
                                         : static_cast<int>(random() % 40);
    for (int k = 0; k < records; ++k) {
      appendRandomRecord(bytes, random, id, maxData);
    }
    damage(bytes, random);
    testing::writeFile(path, std::string(bytes.begin(), bytes.end()));
    expectSameAsSnapshot(path);
  }
}

TEST(RecordHeadsTest, CutsAtAnUnfinishedAppendAsReadersDo) {
  testing::TempDir dir;
  const std::string path = dir.file("cut.db");
  std::vector<uint8_t> bytes;
  appendEncodedRecord(bytes, [] {
    Record r;
    r.id(300);
    r.set_data("Latin");
    return r;
  }());
  const size_t whole = bytes.size();
  bytes.insert(bytes.end(), {0x72, 0x2D, 1, 0, 0, 0x40});  // a cut head
  testing::writeFile(path, std::string(bytes.begin(), bytes.end()));
  testing::journalAppend(path, whole, bytes.size() + 100);
  const RecordHeads heads(path);
  EXPECT_EQ(heads.pass().size, whole);
  EXPECT_EQ(heads.pass().stop.kind, WalkEnd::EndOfFile);
  expectSameAsSnapshot(path);
  endAppend(path);
  EXPECT_EQ(RecordHeads(path).pass().stop.kind, WalkEnd::CutHead);
  expectSameAsSnapshot(path);
}

// A visitor that ends the pass: nothing after it is read.
TEST(RecordHeadsTest, VisitorEndsThePass) {
  struct FirstTwo : HeadVisitor {
    int seen = 0;
    bool record(const RecordLayout&, const uint8_t*) override {
      return ++seen < 2;
    }
  };
  testing::TempDir dir;
  std::vector<uint8_t> bytes;
  std::mt19937 random(5);
  uint32_t id = 300;
  for (int k = 0; k < 5; ++k) appendRandomRecord(bytes, random, id, 10);
  const std::string path =
      dir.write("five.db", std::string(bytes.begin(), bytes.end()));
  FirstTwo visitor;
  EXPECT_FALSE(walkRecordHeads(path, visitor).finished);
  EXPECT_EQ(visitor.seen, 2);
}

TEST(RecordHeadsTest, RefusesWhatASnapshotRefuses) {
  testing::TempDir dir;
  for (const std::string& path : {dir.file("missing.db"), dir.path()}) {
    const std::string text = thrownBy([&] { RecordSnapshot s(path); });
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(thrownBy([&] { RecordHeads h(path); }), text);
  }
}

}  // namespace
}  // namespace letterfreq
