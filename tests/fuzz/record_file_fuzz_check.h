// One fuzz input, checked: arbitrary bytes taken as a database file go
// through every reading operation, over the bytes (as RecordFile reads)
// and through a RecordSnapshot, which must agree exactly; every error must
// be a "!" text; a rewrite planned on the bytes must keep every other
// record. A failed check aborts, so libFuzzer reports it. Shared by the
// libFuzzer target and the replay test in the ordinary test suite.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/record_codec.h"
#include "db/record_file.h"
#include "db/record_rewrite.h"
#include "db/record_snapshot.h"
#include "db/record_walk.h"

namespace letterfreq {
namespace fuzz {

inline void check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "record engine check failed: %s\n", what);
    std::abort();
  }
}

// The file's new bytes after an accepted plan: head, new record, tail.
inline std::vector<uint8_t> applyRewrite(const std::vector<uint8_t>& bytes,
                                         const RewritePlan& plan) {
  if (plan.refusal != nullptr) return bytes;
  std::vector<uint8_t> result(bytes.begin(), bytes.begin() + plan.offset);
  result.insert(result.end(), plan.encoded.begin(), plan.encoded.end());
  result.insert(result.end(), bytes.begin() + plan.oldEnd, bytes.end());
  return result;
}

// The answer of one operation as text: "ok ..." or "error !...".
template <class Call>
std::string answer(Call call) {
  try {
    return "ok " + call();
  } catch (const std::runtime_error& e) {
    const std::string text = e.what();
    check(!text.empty() && text[0] == '!', "error text starts with !");
    return "error " + text;
  }
}

inline std::string refsText(const std::vector<RecordRef>& refs) {
  std::string text;
  for (const RecordRef& ref : refs) {
    text += std::to_string(ref.id) + "@" + std::to_string(ref.offset) + " ";
  }
  return text;
}

inline std::string recordText(const Record& record) {
  const std::vector<uint8_t> bytes = encodeRecord(record);
  return std::to_string(record.id()) + ":" +
         std::string(bytes.begin(), bytes.end());
}

// The ids, targets and kinds worth asking about: those in the file and a
// few fixed ones.
struct Questions {
  std::vector<uint32_t> ids{0, 2, 257, 258};
  std::vector<std::pair<uint32_t, uint16_t>> links{
      {0, 0}, {2, 0}, {2, 1}, {0, 6}};
};

inline Questions questionsFor(const RecordSnapshot& snapshot,
                              const std::vector<uint8_t>& bytes) {
  Questions questions;
  if (bytes.size() >= 4)
    questions.ids.push_back(read_u32(bytes.data() + bytes.size() - 4));
  size_t asked = 0;
  for (const RecordLayout& record : snapshot.records()) {
    if (++asked > 4) break;
    questions.ids.push_back(record.id);
    for (uint8_t i = 0; i < record.linkCount && i < 2; ++i) {
      const RecordLink link = readLink(bytes.data(), record, i);
      questions.links.push_back({link.target, link.kind});
      questions.links.push_back({link.target, 0});
      questions.links.push_back({0, link.kind});
    }
  }
  if (snapshot.stop().kind == WalkEnd::PastEnd) {
    questions.ids.push_back(snapshot.stop().record.id);
  }
  return questions;
}

template <class Source>
std::vector<std::string> answersOf(const Source& source,
                                   const Questions& questions) {
  std::vector<std::string> answers;
  answers.push_back(answer([&] { return refsText(source.query_all()); }));
  answers.push_back(
      answer([&] { return std::to_string(source.next_record_id()); }));
  for (uint32_t id : questions.ids) {
    answers.push_back(
        answer([&] { return recordText(source.get_record(id)); }));
    answers.push_back(
        answer([&] { return std::to_string(source.find_record_offset(id)); }));
  }
  for (const auto& link : questions.links) {
    answers.push_back(answer(
        [&] { return refsText(source.query_link(link.first, link.second)); }));
  }
  return answers;
}

// RecordFile's reading operations over bytes already read.
struct WalkSource {
  const std::vector<uint8_t>& bytes;
  Record get_record(uint32_t id) const { return getRecordIn(bytes, id); }
  std::vector<RecordRef> query_all() const { return queryAllIn(bytes); }
  std::vector<RecordRef> query_link(uint32_t target, uint16_t kind) const {
    return queryLinkIn(bytes, target, kind);
  }
  int32_t find_record_offset(uint32_t id) const {
    return findOffsetIn(queryAllIn(bytes), id);
  }
  uint32_t next_record_id() const { return nextRecordIdOf(queryAllIn(bytes)); }
};

// Rewrites the record at `offset` with its own contents grown or shrunk by
// a few bytes; every other record must stay as it was, moved by the
// difference.
inline void checkRewrite(const std::vector<uint8_t>& bytes,
                         const RecordLayout& layout, uint8_t change) {
  Record record = decodeRecord(bytes.data(), layout);
  std::vector<uint8_t> data(record.data(), record.data() + record.dataLength());
  data.resize(change % 2 == 0 ? data.size() + change % 7 : data.size() / 2);
  record.set_data(data.data(), static_cast<uint32_t>(data.size()));
  const RewritePlan plan =
      planRewrite(bytes, record, static_cast<int32_t>(layout.offset));
  check(plan.refusal == nullptr, "a whole record can be rewritten");
  const std::vector<uint8_t> after = applyRewrite(bytes, plan);
  const int64_t shift =
      static_cast<int64_t>(after.size()) - static_cast<int64_t>(bytes.size());
  std::vector<RecordRef> before;
  std::vector<RecordRef> now;
  WalkStop stop;
  try {
    before = queryAllIn(bytes, &stop);
  } catch (const std::runtime_error&) {
    return;  // damage after the record stays where it was
  }
  now = queryAllIn(after);
  check(now.size() == before.size(), "a rewrite keeps the number of records");
  for (size_t i = 0; i < now.size(); ++i) {
    check(now[i].id == before[i].id, "a rewrite keeps the ids in order");
    const int64_t expected =
        before[i].offset +
        (static_cast<uint32_t>(before[i].offset) > layout.offset ? shift : 0);
    check(now[i].offset == expected, "later records move by the difference");
  }
  const RecordSnapshot snapshot(after);
  const RecordLayout* rewritten = nullptr;
  for (const RecordLayout& candidate : snapshot.records()) {
    if (candidate.offset == layout.offset) rewritten = &candidate;
  }
  check(rewritten != nullptr, "the rewritten record is whole");
  check(encodeRecord(decodeRecord(after.data(), *rewritten)) == plan.encoded,
        "the rewritten record reads back");
}

inline void checkDatabaseBytes(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  const RecordSnapshot snapshot(bytes);
  const Questions questions = questionsFor(snapshot, bytes);
  check(
      answersOf(snapshot, questions) == answersOf(WalkSource{bytes}, questions),
      "the snapshot answers as the walk does");

  // Rewrites of the first records, and refusals at offsets from the input.
  const uint8_t change = size > 0 ? data[0] : 0;
  size_t rewritten = 0;
  for (const RecordLayout& layout : snapshot.records()) {
    if (++rewritten > 3) break;
    checkRewrite(bytes, layout, change);
  }
  for (size_t i = 0; i + 4 <= size && i < 16; i += 4) {
    Record record;
    record.id(read_u32(data + i));
    const RewritePlan plan =
        planRewrite(bytes, record,
                    static_cast<int32_t>(read_u32(data + i) % (size + 2)) - 1);
    if (plan.refusal == nullptr) {
      check(applyRewrite(bytes, plan).size() ==
                size - (plan.oldEnd - plan.offset) + plan.encoded.size(),
            "an accepted rewrite replaces exactly the old record");
    }
  }
}

}  // namespace fuzz
}  // namespace letterfreq
