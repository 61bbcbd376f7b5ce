#include "sample/counting_rule.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "tests/sample/plain_counting_rule.h"

namespace letterfreq {
namespace {

using Counts = std::array<int32_t, 255>;

const uint8_t* bytesOf(const std::string& text) {
  return reinterpret_cast<const uint8_t*>(text.data());
}

Counts countText(const std::string& text, bool filterMarkup = true) {
  CountingRule rule(filterMarkup);
  rule.feed(bytesOf(text), text.size());
  Counts counts;
  counts.fill(-1);
  rule.copyCountsTo(counts.data());
  return counts;
}

// The non-zero slots, so a failure shows what was counted.
std::map<int, int32_t> nonZero(const Counts& counts) {
  std::map<int, int32_t> result;
  for (int b = 0; b < 255; ++b) {
    if (counts[b] != 0) result[b] = counts[b];
  }
  return result;
}

std::map<int, int32_t> counted(const std::string& text,
                               bool filterMarkup = true) {
  return nonZero(countText(text, filterMarkup));
}

using Expected = std::map<int, int32_t>;

TEST(CountingRuleTest, PlainTextCountsEveryByte) {
  EXPECT_EQ(counted("ab"), (Expected{{'a', 1}, {'b', 1}}));
  EXPECT_EQ(counted("ll"), (Expected{{'l', 2}}));  // only white space folds
  EXPECT_EQ(counted("aA"), (Expected{{'a', 1}, {'A', 1}}));
  // A character of several bytes counts as those bytes.
  EXPECT_EQ(counted("\xC3\xA9"), (Expected{{0xC3, 1}, {0xA9, 1}}));
  EXPECT_EQ(counted(""), Expected{});
}

TEST(CountingRuleTest, WhiteSpaceRunsCountOnce) {
  EXPECT_EQ(counted("a  b"), (Expected{{'a', 1}, {' ', 1}, {'b', 1}}));
  EXPECT_EQ(counted("\n\n\n"), (Expected{{'\n', 1}}));
  EXPECT_EQ(counted("\t\t"), (Expected{{'\t', 1}}));
  // Different white-space bytes in a row each count.
  EXPECT_EQ(counted(" \t \t"), (Expected{{' ', 2}, {'\t', 2}}));
  // CR is read as LF, so CR LF is one LF and CR never counts.
  EXPECT_EQ(counted("ab\r\ncd\r\n"),
            (Expected{{'a', 1}, {'b', 1}, {'c', 1}, {'d', 1}, {'\n', 2}}));
  EXPECT_EQ(counted("\r\r\n\r"), (Expected{{'\n', 1}}));
  // Other control bytes do not fold.
  EXPECT_EQ(counted("\v\v\f\f"), (Expected{{'\v', 2}, {'\f', 2}}));
}

TEST(CountingRuleTest, EntitiesAreLeftOut) {
  // The space after the entity equals the previous byte tested.
  EXPECT_EQ(counted("x &amp; y"), (Expected{{'x', 1}, {' ', 1}, {'y', 1}}));
  EXPECT_EQ(counted("&;"), Expected{});
  EXPECT_EQ(counted("a&#233;b"), (Expected{{'a', 1}, {'b', 1}}));
  // Without a ';' everything to the end is skipped.
  EXPECT_EQ(counted("a&b c d"), (Expected{{'a', 1}}));
  // Inside an entity '<' and '>' are not examined, nor is CR read as LF.
  EXPECT_EQ(counted("&<b>;x"), (Expected{{'x', 1}}));
  EXPECT_EQ(counted("&>;<;x>y"), (Expected{{'y', 1}}));
  EXPECT_EQ(counted("\n&\r;\n"), (Expected{{'\n', 1}}));
}

TEST(CountingRuleTest, MarkupIsLeftOut) {
  EXPECT_EQ(counted("<p>Hello</p>"),
            (Expected{{'H', 1}, {'e', 1}, {'l', 2}, {'o', 1}}));
  // Tags do not end a white-space run: the space counts once.
  EXPECT_EQ(counted("a <b> a"), (Expected{{'a', 2}, {' ', 1}}));
  // A '>' outside markup is left out and does not break a run.
  EXPECT_EQ(counted("a > b"), (Expected{{'a', 1}, {' ', 1}, {'b', 1}}));
  EXPECT_EQ(counted("<<a>b"), (Expected{{'b', 1}}));
  EXPECT_EQ(counted("<unclosed tag"), Expected{});
  EXPECT_EQ(counted("<\n>\n"), (Expected{{'\n', 1}}));
}

TEST(CountingRuleTest, MarkupContainingAnAmpersand) {
  // The '&' in the tag skips to the ';' after "text", taking the tag's '>'
  // with it, so "more" is still markup until the final '>'.
  EXPECT_EQ(counted("<a href='?x=1&y=2'>text; more</a>"), Expected{});
  // With an entity that ends inside the tag, the tag ends as usual.
  EXPECT_EQ(counted("<a title='&amp;'>ok</a>"), (Expected{{'o', 1}, {'k', 1}}));
}

TEST(CountingRuleTest, ByteZeroAndByte255) {
  EXPECT_EQ(counted(std::string("\0\0", 2)), (Expected{{0, 2}}));
  // Byte 255 has no slot but is the previous byte: it breaks a run.
  EXPECT_EQ(counted(" \xff "), (Expected{{' ', 2}}));
  EXPECT_EQ(counted("\xff\xff"), Expected{});
  EXPECT_EQ(counted("\xfe"), (Expected{{254, 1}}));
}

TEST(CountingRuleTest, WithoutMarkupFilterEveryByteCounts) {
  EXPECT_EQ(counted("<a>&b;  \r\n\xff", false), (Expected{{'<', 1},
                                                          {'a', 1},
                                                          {'>', 1},
                                                          {'&', 1},
                                                          {'b', 1},
                                                          {';', 1},
                                                          {' ', 2},
                                                          {'\n', 2}}));
}

TEST(CountingRuleTest, CountsSaturateInsteadOfWrapping) {
  // Feeding 2 GiB here would take seconds; the copy-out is what can wrap.
  EXPECT_EQ(saturatedCount(0), 0);
  EXPECT_EQ(saturatedCount(0x7FFFFFFEull), 0x7FFFFFFE);
  EXPECT_EQ(saturatedCount(0x7FFFFFFFull), 0x7FFFFFFF);
  EXPECT_EQ(saturatedCount(0x80000000ull), 0x7FFFFFFF);
  EXPECT_EQ(saturatedCount(0x100000005ull), 0x7FFFFFFF);  // not 5
  EXPECT_EQ(saturatedCount(~0ull), 0x7FFFFFFF);
}

// Bytes that exercise every branch of the rule, mostly special ones.
std::string randomText(std::mt19937& random, size_t length) {
  static const char letters[] =
      "<>&;  \t\t\r\n\n\0\xff"
      "xyz";
  static const std::string alphabet(letters, sizeof letters - 1);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() + 3);
  std::string text;
  for (size_t i = 0; i < length; ++i) {
    const size_t k = pick(random);
    text += k < alphabet.size() ? alphabet[k] : static_cast<char>(random());
  }
  return text;
}

// Long plain stretches (where the fast rule takes 16 bytes a step) broken
// by what needs a decision: tags, entities, CR LF, runs of white space,
// byte 255 and bytes of every value.
std::string randomDocument(std::mt19937& random, size_t length,
                           bool markupDense) {
  static const char* const pieces[] = {
      "<p class=\"x\">", "</a>", "&amp;", "&#8211;", "\r\n", "\n\n\n", "  ",
      "\t\t", " \t ", "\xff", "\xff\xff", ">", "<", "&", ";", "\r", "\r\r\n",
      "Wort ", "caf\xC3\xA9 ", "\xE2\x80\x94", "<b\r\n>", "&unfinished"};
  std::string text;
  while (text.size() < length) {
    const unsigned roll = random() % 100;
    if (roll < (markupDense ? 45u : 6u)) {
      text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
    } else if (roll < 50) {
      text += static_cast<char>(random());  // any byte value
    } else {
      const size_t word = 1 + random() % 12;
      for (size_t i = 0; i < word; ++i) text += 'a' + random() % 26;
      text += ' ';
    }
  }
  text.resize(length);
  return text;
}

struct Outcome {
  Counts counts{};
  std::vector<uint8_t> stream;  // the bytes passed to the hook
};

// Feeds `text` to `rule` in pieces that end at each of `cuts` (rising
// positions).
template <class Rule>
Outcome feedInPieces(Rule& rule, const std::string& text,
                     const std::vector<size_t>& cuts) {
  Outcome outcome;
  auto hook = [&outcome](const uint8_t* counted, size_t length) {
    outcome.stream.insert(outcome.stream.end(), counted, counted + length);
  };
  size_t start = 0;
  for (size_t cut : cuts) {
    rule.feed(bytesOf(text) + start, cut - start, hook);
    start = cut;
  }
  rule.feed(bytesOf(text) + start, text.size() - start, hook);
  rule.copyCountsTo(outcome.counts.data());
  return outcome;
}

Outcome feedInPieces(const std::string& text, bool filterMarkup,
                     const std::vector<size_t>& cuts) {
  CountingRule rule(filterMarkup);
  return feedInPieces(rule, text, cuts);
}

// The byte-at-a-time rule's outcome, the oracle.
Outcome plainOutcome(const std::string& text, bool filterMarkup) {
  plain::CountingRule rule(filterMarkup);
  return feedInPieces(rule, text, {});
}

// Whether the rule, fed `text` in pieces cut at `cuts`, counts and
// hands on exactly what the oracle does; `where` names the case.
::testing::AssertionResult sameAsPlain(const std::string& text,
                                       bool filterMarkup,
                                       const std::vector<size_t>& cuts,
                                       const std::string& where) {
  const Outcome reference = plainOutcome(text, filterMarkup);
  const Outcome outcome = feedInPieces(text, filterMarkup, cuts);
  if (outcome.counts != reference.counts ||
      outcome.stream != reference.stream) {
    return ::testing::AssertionFailure()
           << where << " filter " << filterMarkup
           << (outcome.counts != reference.counts ? ": counts differ"
                                                  : ": streams differ");
  }
  return ::testing::AssertionSuccess();
}

std::vector<size_t> randomCuts(std::mt19937& random, size_t length) {
  std::vector<size_t> cuts;
  for (size_t at = 0; length > 0;) {
    at += random() % (random() % 2 ? 40 : 5000);
    if (at >= length) break;
    cuts.push_back(at);
  }
  return cuts;
}

TEST(CountingRuleTest, MatchesTheByteAtATimeRuleOnRandomText) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 300; ++round) {
    const std::string text = randomText(random, 1 + random() % 400);
    for (bool filterMarkup : {true, false}) {
      ASSERT_TRUE(sameAsPlain(text, filterMarkup, {},
                              "round " + std::to_string(round)));
    }
  }
}

TEST(CountingRuleTest, MatchesThePlainRuleOnDocumentsCutAnywhere) {
  std::mt19937 random(7);
  for (int round = 0; round < 120; ++round) {
    const bool markupDense = round % 2 == 0;
    const std::string text =
        randomDocument(random, 1 + random() % 20000, markupDense);
    const std::vector<size_t> cuts = randomCuts(random, text.size());
    for (bool filterMarkup : {true, false}) {
      ASSERT_TRUE(sameAsPlain(text, filterMarkup, cuts,
                              "round " + std::to_string(round)));
    }
  }
}

TEST(CountingRuleTest, PiecesCutAnywhereCountAsOnePiece) {
  const std::string text =
      "Caf\xC3\xA9 &amp; <a href='?x=1&y=2'>bar;</a>  \r\n\r\n"
      "x > y <b\r\n>bold</b>\t\t&#x20AC;\xff\xff  end&nbsp;<i>&unfinished";
  for (bool filterMarkup : {true, false}) {
    const Outcome whole = feedInPieces(text, filterMarkup, {});
    for (size_t cut = 0; cut <= text.size(); ++cut) {
      const Outcome split = feedInPieces(text, filterMarkup, {cut});
      ASSERT_EQ(split.counts, whole.counts) << "cut at " << cut;
      ASSERT_EQ(split.stream, whole.stream) << "cut at " << cut;
    }
    std::vector<size_t> everyByte;
    for (size_t i = 1; i < text.size(); ++i) everyByte.push_back(i);
    EXPECT_EQ(feedInPieces(text, filterMarkup, everyByte).counts, whole.counts);
  }
}

// Markup-dense text of the kinds that cross 64-byte blocks: tags with
// white space on both sides, entities, CR LF, runs of white space and
// byte 255 next to markup, unclosed tags and entities.
std::string markupDenseText(std::mt19937& random, size_t length) {
  static const char* const pieces[] = {
      " <b> ",  "<i> </i>", " &amp; ", "\t<br>\t", "\r\n<p>\r\n", "\n&x;\n",
      "<a href='?a=1&b=2'>", "&lt;>", ">", " >  ", "\xff<b>\xff", "  ",
      "\r\r\n\n", "<<", "&&;;", ";", "x", "yz", "<!-- -- -->", "&#233;"};
  std::string text;
  while (text.size() < length) {
    text += pieces[random() % (sizeof pieces / sizeof pieces[0])];
  }
  text.resize(length);
  return text;
}

TEST(CountingRuleTest, MatchesThePlainRuleOnMarkupDenseTextCutAtEveryByte) {
  std::mt19937 random(64);
  for (int round = 0; round < 24; ++round) {
    const std::string text = markupDenseText(random, 150 + random() % 150);
    for (size_t cut = 0; cut <= text.size(); ++cut) {
      // One cut here, and further ones 64 bytes apart: pieces that start
      // anywhere in a block.
      std::vector<size_t> cuts;
      for (size_t at = cut; at < text.size(); at += 64 + round) {
        cuts.push_back(at);
      }
      ASSERT_TRUE(sameAsPlain(text, true, cuts,
                              "round " + std::to_string(round) + " cut " +
                                  std::to_string(cut)));
    }
  }
}

TEST(CountingRuleTest, WhiteSpaceAcrossMarkupFoldsAtEveryBlockOffset) {
  // The byte tested before white space after a tag or an entity lies in
  // the same 64-byte block, the one before, or several blocks back.
  const std::string patterns[] = {
      " <b> x", "\n<p>\r\nx", "\t&amp;\tx", " <a>&lt; x", " <b>\xff x",
      "\r\n" + std::string(130, '<') + ">\nx", " &" + std::string(70, 'a') + "; x",
      "a<b> <i> <u> x"};
  for (const std::string& pattern : patterns) {
    for (size_t offset = 0; offset < 140; ++offset) {
      const std::string text = std::string(offset, 'y') + pattern;
      ASSERT_TRUE(
          sameAsPlain(text, true, {}, "offset " + std::to_string(offset)));
    }
  }
}

TEST(CountingRuleTest, CountsStayExactOverManyMegabytes) {
  // The tallies are added to wider totals every few megabytes: none may
  // be lost or added twice on the way. The piece is text of every byte
  // value but '<', '>' and '&', from a letter to a letter, so that its
  // counts add up over repeats.
  std::mt19937 random(5);
  std::string piece = "y";
  while (piece.size() < (1u << 20)) {
    const char c = static_cast<char>(random());
    if (c != '<' && c != '>' && c != '&') piece += c;
  }
  piece += 'x';
  const Counts once = feedInPieces(piece, true, {}).counts;
  CountingRule rule(true);
  constexpr int REPEATS = 40;
  for (int i = 0; i < REPEATS; ++i) rule.feed(bytesOf(piece), piece.size());
  Counts counts;
  rule.copyCountsTo(counts.data());
  for (int b = 0; b < 255; ++b) {
    ASSERT_EQ(counts[b], int64_t{once[b]} * REPEATS) << "byte " << b;
  }
}

TEST(CountingRuleTest, HookSeesExactlyTheCountedBytes) {
  const std::string text = "<p>A&amp;B  C</p>\xff\r\nD";
  const Outcome outcome = feedInPieces(text, true, {});
  EXPECT_EQ(outcome.stream,
            (std::vector<uint8_t>{'A', 'B', ' ', 'C', '\n', 'D'}));
  Counts fromStream{};
  for (uint8_t c : outcome.stream) ++fromStream[c];
  EXPECT_EQ(fromStream, outcome.counts);
}

}  // namespace
}  // namespace letterfreq
