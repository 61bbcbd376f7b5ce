// Shown forms of stored text: a name may hold any bytes and be of any
// length, but what the window draws must stay readable and bounded, since
// the toolkit copies labels into fixed buffers (a menu label of more than
// 1,024 bytes overflows one). The stored text itself is never changed;
// only what is drawn is.
#pragma once

#include <cstddef>
#include <string>

namespace letterfreq {

// At most this many bytes of a name are drawn in a row, a list or a meter.
constexpr size_t SHOWN_TEXT_LIMIT = 200;
// A tooltip may show more of it.
constexpr size_t TOOLTIP_TEXT_LIMIT = 1000;
// What marks a shortened text: "…" (U+2026) in UTF-8.
inline constexpr const char* ELLIPSIS = "\xE2\x80\xA6";

// `text` with control bytes written as C escapes ("\t", "\n", "\r",
// "\x1B") and, when longer than `limit` bytes, cut at a character
// boundary and ended with ELLIPSIS. Other bytes stay as they are.
std::string shownText(const std::string& text,
                      size_t limit = SHOWN_TEXT_LIMIT);

// The longest start of `text` that, ended with ELLIPSIS, is at most
// `width` pixels wide in the current font; `text` itself when it fits.
// Needs a display (it measures text).
std::string fitToWidth(const std::string& text, int width);

}  // namespace letterfreq
