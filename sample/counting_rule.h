// The counting rule: the byte filter shared by file and HTTP samples. It
// leaves out markup tags and character entities, reads CR as LF and counts a
// run of the same white-space byte once. The state lives in the object, so a
// source may be fed in pieces cut anywhere (file blocks, socket reads) and
// gives the same counts as one piece.
//
// With markup filtering, each byte is handled as follows (CR first becomes
// LF):
//   - "<" starts markup and ">" ends it; neither is ever counted, nor is
//     anything in between.
//   - "&" (also inside markup) skips every byte up to and including the next
//     ";", untranslated and unexamined; without a ";" it skips to the end.
//   - any other byte outside markup is counted, except that a TAB, LF or
//     space equal to the previous such tested byte is not (a run counts
//     once). Markup and skipped bytes never change that previous byte.
// Without markup filtering every byte is counted (CR still as LF).
// Byte 255 is handled like any other byte but has no slot.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace letterfreq {

// A 64-bit tally as a 32-bit count: held at INT32_MAX instead of wrapping,
// so a sample of several GiB keeps its largest counts at the top.
constexpr int32_t saturatedCount(uint64_t tally) {
  return tally < 0x7FFFFFFFull ? static_cast<int32_t>(tally) : 0x7FFFFFFF;
}

class CountingRule {
 public:
  explicit CountingRule(bool filterMarkup);

  // Counts the next bytes of the source.
  void feed(const uint8_t* bytes, size_t length);

  // The same, and hands every byte that adds 1 to a slot, in source order
  // (byte 255 has no slot and is never passed), to onRun(counted, length)
  // in runs; all runs of a piece are handed over before feed returns.
  template <class OnRun>
  void feed(const uint8_t* bytes, size_t length, OnRun&& onRun);

  // Writes the counts of byte values 0..254 into a 255-slot table,
  // replacing what it held; counts beyond INT32_MAX are held at INT32_MAX.
  void copyCountsTo(int32_t* counts) const;

 private:
  // Calls onCounted(byte) for every counted byte; inlined, an empty hook
  // costs nothing, so the plain feed is this one with an empty hook.
  template <class OnCounted>
  void feedEach(const uint8_t* bytes, size_t length, OnCounted&& onCounted);

  bool filterMarkup_;
  bool inMarkup_ = false;
  bool inEntity_ = false;  // skipping from an '&' up to its ';'
  uint8_t previous_ = 0;
  std::array<uint64_t, 256> tally_{};  // 64-bit: no wrap on huge samples
};

namespace counting_detail {

// Per-byte classes of the text (outside markup) loop.
constexpr uint8_t STOP = 1;   // '<', '>' or '&': leaves the counting loop
constexpr uint8_t SPACE = 2;  // TAB, LF (CR), space: a run counts once

struct ByteTables {
  uint8_t translated[256];  // CR read as LF, every other byte as it is
  uint8_t textClass[256];   // by byte as read: CR is white space (LF)
  bool markupStop[256];     // '>' or '&' end a run of markup bytes
};

constexpr ByteTables makeByteTables() {
  ByteTables t{};
  for (int b = 0; b < 256; ++b) {
    t.translated[b] = static_cast<uint8_t>(b == '\r' ? '\n' : b);
    t.textClass[b] = 0;
    t.markupStop[b] = (b == '>' || b == '&');
  }
  t.textClass[static_cast<uint8_t>('<')] = STOP;
  t.textClass[static_cast<uint8_t>('>')] = STOP;
  t.textClass[static_cast<uint8_t>('&')] = STOP;
  t.textClass[static_cast<uint8_t>('\t')] = SPACE;
  t.textClass[static_cast<uint8_t>('\n')] = SPACE;
  t.textClass[static_cast<uint8_t>(' ')] = SPACE;
  t.textClass[static_cast<uint8_t>('\r')] = SPACE;
  return t;
}

inline constexpr ByteTables BYTE_TABLES = makeByteTables();

// The first '>' or '&' in [p, end), or end: 16 bytes a step where the
// processor allows, since tags are skipped, not counted.
inline const uint8_t* findMarkupStop(const uint8_t* p, const uint8_t* end) {
#if defined(__SSE2__)
  const __m128i close = _mm_set1_epi8('>');
  const __m128i ampersand = _mm_set1_epi8('&');
  for (; end - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int hits = _mm_movemask_epi8(
        _mm_or_si128(_mm_cmpeq_epi8(v, close), _mm_cmpeq_epi8(v, ampersand)));
    if (hits != 0) return p + __builtin_ctz(static_cast<unsigned>(hits));
  }
#endif
  while (p < end && !BYTE_TABLES.markupStop[*p]) ++p;
  return p;
}

}  // namespace counting_detail

template <class OnRun>
void CountingRule::feed(const uint8_t* bytes, size_t length, OnRun&& onRun) {
  constexpr size_t RUN_BYTES = 1024;
  uint8_t run[RUN_BYTES];
  size_t used = 0;
  feedEach(bytes, length, [&](uint8_t byte) {
    run[used++] = byte;
    if (used == RUN_BYTES) {
      onRun(static_cast<const uint8_t*>(run), used);
      used = 0;
    }
  });
  if (used > 0) onRun(static_cast<const uint8_t*>(run), used);
}

template <class OnCounted>
void CountingRule::feedEach(const uint8_t* bytes, size_t length,
                            OnCounted&& onCounted) {
  using namespace counting_detail;
  const uint8_t* p = bytes;
  const uint8_t* const end = bytes + length;
  uint64_t* const tally = tally_.data();

  if (!filterMarkup_) {
    for (; p < end; ++p) {
      const uint8_t c = BYTE_TABLES.translated[*p];
      ++tally[c];
      if (c != 255) onCounted(c);
    }
    return;
  }

  uint8_t previous = previous_;
  while (p < end) {
    if (inEntity_) {
      const void* semicolon = std::memchr(p, ';', static_cast<size_t>(end - p));
      if (semicolon == nullptr) break;  // the entity goes on in the next piece
      p = static_cast<const uint8_t*>(semicolon) + 1;
      inEntity_ = false;
      continue;
    }
    if (inMarkup_) {
      p = findMarkupStop(p, end);
      if (p == end) break;
      if (*p == '>') {
        inMarkup_ = false;
      } else {
        inEntity_ = true;
      }
      ++p;
      continue;
    }
    // Text: branch-free counting until the next '<', '>' or '&'.
    for (; p < end; ++p) {
      const uint8_t raw = *p;
      const uint8_t kind = BYTE_TABLES.textClass[raw];
      if (kind & STOP) break;
      const uint8_t c = BYTE_TABLES.translated[raw];
      const bool folded = ((kind & SPACE) != 0) & (c == previous);
      tally[c] += !folded;
      if (!folded && c != 255) onCounted(c);
      previous = c;
    }
    if (p == end) break;
    if (*p == '<') {
      inMarkup_ = true;
    } else if (*p == '&') {
      inEntity_ = true;
    }  // a '>' outside markup is simply left out
    ++p;
  }
  previous_ = previous;
}

}  // namespace letterfreq
