// The codes a language goes by. Its tag is the BCP 47 tag: the ISO 639-1
// code where one exists, with a script or region where the starter
// database tells two varieties apart ("zh-Hans" and "zh-Hant", "sr-Cyrl",
// "pt-PT"), else the ISO 639-3 code. For a macrolanguage the ISO 639-3 code
// is the macrolanguage's ("ara", "zho"), as its ISO 639-1 code stands for.
// The starter languages have theirs from the table below; a language
// added with a code (add --code) has the one stored with its latest entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace letterfreq {

struct LanguageCodes {
  std::string tag;      // BCP 47; empty when the language has no code
  std::string iso6393;  // empty when not known
};

struct StarterCode {
  const char* name;  // as the starter database stores it
  const char* iso6393;
  const char* tag;
};

// Every language of the starter database, in its order.
const std::vector<StarterCode>& starterCodes();

// The codes of a language: those of the code stored with its entries when
// that is a well-formed tag, else the starter table's for its name.
LanguageCodes languageCodes(const std::string& name,
                            const std::string& storedCode);

// A well-formed tag for add --code: subtags of 1 to 8 ASCII letters or
// digits joined by '-', the first of 2 to 8 letters, at most 35 bytes.
bool isLanguageTag(std::string_view text);

// Whether `word` names the language: its name or either code, in any
// letter case, or the language subtag of its tag ("zh" for "zh-Hant").
bool namesLanguage(std::string_view word, const std::string& name,
                   const LanguageCodes& codes);

}  // namespace letterfreq
