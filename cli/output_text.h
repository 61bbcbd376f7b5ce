// How names, sources and sample names reach the CLI's output. Stored names
// are bytes that any program may have written, so neither output may be
// forged or garbled by them:
// - Text lines: a field is escaped so that it holds no tab, newline or
//   terminal control: tab, newline, CR and backslash as \t, \n, \r and \\,
//   other bytes below 32, byte 127, the C1 controls (U+0080 to U+009F) and
//   bytes that are no part of valid UTF-8 as \xNN (two lowercase hex
//   digits). Every other byte, UTF-8 text included, is printed as it is.
// - JSON: a text that is valid UTF-8 is its JSON string. A text that is not
//   gets U+FFFD for each invalid byte in its string, and beside it, under
//   its key with "Hex" appended ("name" -> "nameHex"), its exact bytes as
//   lowercase hex, so that two different names never print alike.
#pragma once

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>

#include "profiles/language_codes.h"

namespace letterfreq {

std::string escapedField(std::string_view bytes);

// Sets object[key] (and object[key + "Hex"] when needed) as above.
void putText(nlohmann::json& object, const std::string& key,
             std::string_view bytes);
void putText(nlohmann::ordered_json& object, const std::string& key,
             std::string_view bytes);

// The language's codes beside its name: "code" (BCP 47) and "iso6393",
// null where it has none.
void putCodes(nlohmann::json& object, const LanguageCodes& codes);

// One JSON value and a newline; invalid UTF-8 left anywhere prints as U+FFFD.
void writeJsonLine(std::ostream& out, const nlohmann::json& value);
void writeJsonLine(std::ostream& out, const nlohmann::ordered_json& value);

}  // namespace letterfreq
