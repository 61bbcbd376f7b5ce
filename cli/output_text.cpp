#include "cli/output_text.h"

#include <cstdint>
#include <cstdio>

namespace letterfreq {

namespace {

// The length of the valid UTF-8 sequence at bytes[at], 0 when none starts
// there (stray continuation byte, overlong form, surrogate, beyond U+10FFFF,
// or cut short).
size_t utf8SequenceLength(std::string_view bytes, size_t at) {
  const auto byte = [&](size_t k) {
    return static_cast<uint8_t>(bytes[at + k]);
  };
  const uint8_t lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // the allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(k) < 0x80 || byte(k) > 0xBF) return 0;
  }
  return length;
}

bool isValidUtf8(std::string_view bytes) {
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = utf8SequenceLength(bytes, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

void appendHexEscape(std::string& text, uint8_t byte) {
  char escape[5];
  std::snprintf(escape, sizeof escape, "\\x%02x", byte);
  text += escape;
}

// One UTF-8 sequence (or one invalid byte: valid false) as a text field
// shows it.
void appendShown(std::string& text, std::string_view piece, bool valid) {
  const auto lead = static_cast<uint8_t>(piece[0]);
  switch (lead) {
    case '\t': text += "\\t"; return;
    case '\n': text += "\\n"; return;
    case '\r': text += "\\r"; return;
    case '\\': text += "\\\\"; return;
    default: break;
  }
  const bool c1Control =
      piece.size() == 2 && lead == 0xC2 && static_cast<uint8_t>(piece[1]) < 0xA0;
  if (valid && lead >= 32 && lead != 127 && !c1Control) {
    text.append(piece);
    return;
  }
  for (char c : piece) appendHexEscape(text, static_cast<uint8_t>(c));
}

std::string hexOf(std::string_view bytes) {
  static const char DIGITS[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const auto byte = static_cast<uint8_t>(c);
    hex += DIGITS[byte >> 4];
    hex += DIGITS[byte & 15];
  }
  return hex;
}

template <class Json>
void putTextInto(Json& object, const std::string& key,
                 std::string_view bytes) {
  object[key] = std::string(bytes);
  if (!isValidUtf8(bytes)) object[key + "Hex"] = hexOf(bytes);
}

template <class Json>
void writeJsonLineOf(std::ostream& out, const Json& value) {
  out << value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
      << "\n";
}

}  // namespace

std::string escapedField(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t at = 0; at < bytes.size();) {
    const size_t length = utf8SequenceLength(bytes, at);
    const size_t taken = length == 0 ? 1 : length;
    appendShown(text, bytes.substr(at, taken), length != 0);
    at += taken;
  }
  return text;
}

void putText(nlohmann::json& object, const std::string& key,
             std::string_view bytes) {
  putTextInto(object, key, bytes);
}

void putText(nlohmann::ordered_json& object, const std::string& key,
             std::string_view bytes) {
  putTextInto(object, key, bytes);
}

void putCodes(nlohmann::json& object, const LanguageCodes& codes) {
  object["code"] = nullptr;
  object["iso6393"] = nullptr;
  if (!codes.tag.empty()) object["code"] = codes.tag;
  if (!codes.iso6393.empty()) object["iso6393"] = codes.iso6393;
}

void writeJsonLine(std::ostream& out, const nlohmann::json& value) {
  writeJsonLineOf(out, value);
}

void writeJsonLine(std::ostream& out, const nlohmann::ordered_json& value) {
  writeJsonLineOf(out, value);
}

}  // namespace letterfreq
