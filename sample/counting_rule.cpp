#include "sample/counting_rule.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace letterfreq {

namespace {

constexpr uint8_t CR = '\r';

bool isFoldingSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n'; }

// The first '>' or '&' in [p, end), or end: 16 bytes a step where the
// processor allows, since tags are skipped, not counted.
const uint8_t* findMarkupStop(const uint8_t* p, const uint8_t* end) {
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
  while (p < end && *p != '>' && *p != '&') ++p;
  return p;
}

#if defined(__SSE2__)
// The bytes of a 16-byte block that need a decision, as a bit mask: with
// markup filtering '<', '>', '&', CR, byte 255 and a TAB, LF or space equal
// to the byte before it (`before` holds the bytes before each); without,
// CR and 255.
template <bool FILTER>
unsigned decisions(__m128i v, __m128i before) {
  __m128i stop = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(CR)),
                              _mm_cmpeq_epi8(v, _mm_set1_epi8(-1)));
  if (FILTER) {
    // '<' (60) and '>' (62) are the two bytes that are '>' with bit 1 set.
    stop = _mm_or_si128(
        stop, _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(2)),
                             _mm_set1_epi8('>')));
    stop = _mm_or_si128(stop, _mm_cmpeq_epi8(v, _mm_set1_epi8('&')));
    const __m128i space = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')),
                     _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))),
        _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
    stop = _mm_or_si128(stop,
                        _mm_and_si128(space, _mm_cmpeq_epi8(v, before)));
  }
  return static_cast<unsigned>(_mm_movemask_epi8(stop));
}
#endif

}  // namespace

CountingRule::CountingRule(bool filterMarkup) : filterMarkup_(filterMarkup) {}

void CountingRule::reset() {
  inMarkup_ = false;
  inEntity_ = false;
  previous_ = 0;
  std::memset(tally_, 0, sizeof tally_);
}

template <bool FILTER>
const uint8_t* CountingRule::gatherText(const uint8_t* p, const uint8_t* end,
                                        uint8_t*& out) {
  uint8_t* const full = run_ + RUN_CAPACITY;
  uint8_t previous = previous_;
  while (p < end && out < full) {
#if defined(__SSE2__)
    // Whole blocks: stored as they are, kept up to the first decision. In
    // the common case nothing waits on the block before: p moves by 16 and
    // the previous byte comes from the block itself.
    __m128i last = _mm_cvtsi32_si128(previous);
    bool stopped = false;
    while (end - p >= 16 && out < full) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
      const unsigned stops =
          decisions<FILTER>(v, _mm_or_si128(_mm_slli_si128(v, 1), last));
      if (stops != 0) {
        const unsigned plain = __builtin_ctz(stops);
        // All 16 slots with 0 or 1: no branch on where the block stops.
        for (unsigned i = 0; i < 16; ++i) tally_[i % 4][p[i]] += i < plain;
        out += plain;
        p += plain;
        previous = plain > 0 ? p[-1]
                             : static_cast<uint8_t>(_mm_cvtsi128_si32(last));
        stopped = true;
        break;
      }
      tallyBytes(p, 16);
      out += 16;
      p += 16;
      last = _mm_srli_si128(v, 15);
    }
    if (!stopped) previous = static_cast<uint8_t>(_mm_cvtsi128_si32(last));
    if (out >= full || p == end) break;
#endif
    // One byte that needs a decision (or one of the last 15).
    const uint8_t raw = *p++;
    if (FILTER && (raw == '<' || raw == '&')) {
      inMarkup_ = raw == '<';
      inEntity_ = raw == '&';
      break;
    }
    if (FILTER && raw == '>') continue;  // outside markup: left out
    const uint8_t c = raw == CR ? '\n' : raw;
    const bool folded = FILTER && isFoldingSpace(c) && c == previous;
    if (!folded && c != 255) {
      *out++ = c;
      ++tally_[0][c];
    }
    previous = c;
  }
  previous_ = previous;
  return p;
}

const uint8_t* CountingRule::gather(const uint8_t* p, const uint8_t* end,
                                    size_t& counted) {
  uint8_t* out = run_;
  if (!filterMarkup_) {
    p = gatherText<false>(p, end, out);
    counted = static_cast<size_t>(out - run_);
    return p;
  }
  while (p < end && out < run_ + RUN_CAPACITY) {
    if (inEntity_) {
      const void* semicolon = std::memchr(p, ';', static_cast<size_t>(end - p));
      if (semicolon == nullptr) {  // the entity goes on in the next piece
        p = end;
        break;
      }
      p = static_cast<const uint8_t*>(semicolon) + 1;
      inEntity_ = false;
    } else if (inMarkup_) {
      p = findMarkupStop(p, end);
      if (p == end) break;
      // An '&' inside markup skips its entity; the markup goes on after.
      if (*p == '>') {
        inMarkup_ = false;
      } else {
        inEntity_ = true;
      }
      ++p;
    } else {
      p = gatherText<true>(p, end, out);
    }
  }
  counted = static_cast<size_t>(out - run_);
  return p;
}

void CountingRule::copyCountsTo(int32_t* counts) const {
  static_assert(sizeof tally_[0][0] == 8, "tallies must not wrap");
  for (int b = 0; b < 255; ++b) {
    counts[b] = saturatedCount(tally_[0][b] + tally_[1][b] + tally_[2][b] +
                               tally_[3][b]);
  }
}

}  // namespace letterfreq
