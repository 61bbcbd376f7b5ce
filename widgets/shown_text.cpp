#include "widgets/shown_text.h"

#include <FL/fl_draw.H>

#include <cstdio>

namespace letterfreq {
namespace {

bool continuesCharacter(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of the longest start of `text` of at most `bytes` bytes that
// does not end inside a UTF-8 sequence.
size_t characterBoundary(const std::string& text, size_t bytes) {
  if (bytes >= text.size()) return text.size();
  size_t end = bytes;
  // A sequence has at most 4 bytes: never step back further than that.
  for (int back = 0; back < 3 && end > 0 && continuesCharacter(text[end]);
       ++back) {
    --end;
  }
  return continuesCharacter(text[end]) ? bytes : end;
}

void appendEscaped(std::string& out, unsigned char c) {
  switch (c) {
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    default: {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02X", c);
      out += code;
    }
  }
}

}  // namespace

std::string shownText(const std::string& text, size_t limit) {
  std::string shown;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      appendEscaped(shown, byte);
    } else {
      shown += c;
    }
    if (shown.size() > limit) {
      shown.resize(characterBoundary(shown, limit));
      return shown + ELLIPSIS;
    }
  }
  return shown;
}

std::string fitToWidth(const std::string& text, int width) {
  auto widthOf = [](const std::string& s) {
    return fl_width(s.data(), static_cast<int>(s.size()));
  };
  if (widthOf(text) <= width) return text;
  // The longest fitting start, by bisection over byte counts.
  size_t fits = 0, tooLong = text.size();
  while (tooLong - fits > 1) {
    const size_t mid = fits + (tooLong - fits) / 2;
    if (widthOf(text.substr(0, characterBoundary(text, mid)) + ELLIPSIS) <=
        width) {
      fits = mid;
    } else {
      tooLong = mid;
    }
  }
  return text.substr(0, characterBoundary(text, fits)) + ELLIPSIS;
}

}  // namespace letterfreq
