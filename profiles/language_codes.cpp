#include "profiles/language_codes.h"

#include <algorithm>
#include <cctype>

namespace letterfreq {

namespace {

constexpr size_t MAX_TAG_BYTES = 35;
constexpr size_t MAX_SUBTAG_BYTES = 8;

// name, ISO 639-3, BCP 47; scripts/starter_languages.py lists the same
// languages with their sources, data/README.md with these codes.
const std::vector<StarterCode> STARTER_CODES = {
    {"English", "eng", "en"},
    {"French", "fra", "fr"},
    {"German", "deu", "de"},
    {"Spanish", "spa", "es"},
    {"Portuguese", "por", "pt-PT"},
    {"Catalan", "cat", "ca"},
    {"Galician", "glg", "gl"},
    {"Asturian", "ast", "ast"},
    {"Aragonese", "arg", "an"},
    {"Occitan", "oci", "oc"},
    {"Italian", "ita", "it"},
    {"Ligurian", "lij", "lij"},
    {"Friulian", "fur", "fur"},
    {"Sardinian", "srd", "sc"},
    {"Romansh", "roh", "rm"},
    {"Romanian", "ron", "ro"},
    {"Dutch", "nld", "nl"},
    {"Frisian", "fry", "fy"},
    {"Afrikaans", "afr", "af"},
    {"Danish", "dan", "da"},
    {"Norwegian", "nob", "nb"},
    {"Norwegian Nynorsk", "nno", "nn"},
    {"Swedish", "swe", "sv"},
    {"Icelandic", "isl", "is"},
    {"Finnish", "fin", "fi"},
    {"Estonian", "est", "et"},
    {"Hungarian", "hun", "hu"},
    {"Polish", "pol", "pl"},
    {"Silesian", "szl", "szl"},
    {"Czech", "ces", "cs"},
    {"Slovak", "slk", "sk"},
    {"Upper Sorbian", "hsb", "hsb"},
    {"Lower Sorbian", "dsb", "dsb"},
    {"Slovenian", "slv", "sl"},
    {"Croatian", "hrv", "hr"},
    {"Bosnian", "bos", "bs"},
    {"Lithuanian", "lit", "lt"},
    {"Latvian", "lav", "lv"},
    {"Albanian", "sqi", "sq"},
    {"Welsh", "cym", "cy"},
    {"Irish", "gle", "ga"},
    {"Scottish Gaelic", "gla", "gd"},
    {"Breton", "bre", "br"},
    {"Basque", "eus", "eu"},
    {"Esperanto", "epo", "eo"},
    {"Interlingua", "ina", "ia"},
    {"Turkish", "tur", "tr"},
    {"Azerbaijani", "aze", "az"},
    {"Uzbek", "uzb", "uz"},
    {"Kurdish", "kmr", "ku"},
    {"Indonesian", "ind", "id"},
    {"Malay", "msa", "ms"},
    {"Tagalog", "tgl", "tl"},
    {"Vietnamese", "vie", "vi"},
    {"Guarani", "grn", "gn"},
    {"Kaqchikel", "cak", "cak"},
    {"Triqui", "trs", "trs"},
    {"Kabyle", "kab", "kab"},
    {"Fulah", "ful", "ff"},
    {"Songhay", "ses", "ses"},
    {"Acholi", "ach", "ach"},
    {"Xhosa", "xho", "xh"},
    {"Zulu", "zul", "zu"},
    {"Southern Ndebele", "nbl", "nr"},
    {"Northern Sotho", "nso", "nso"},
    {"Southern Sotho", "sot", "st"},
    {"Swati", "ssw", "ss"},
    {"Tswana", "tsn", "tn"},
    {"Tsonga", "tso", "ts"},
    {"Venda", "ven", "ve"},
    {"Kinyarwanda", "kin", "rw"},
    {"Oromo", "orm", "om"},
    {"Russian", "rus", "ru"},
    {"Ukrainian", "ukr", "uk"},
    {"Belarusian", "bel", "be"},
    {"Bulgarian", "bul", "bg"},
    {"Macedonian", "mkd", "mk"},
    {"Serbian", "srp", "sr-Cyrl"},
    {"Kazakh", "kaz", "kk"},
    {"Tajik", "tgk", "tg"},
    {"Mongolian", "mon", "mn"},
    {"Greek", "ell", "el"},
    {"Armenian", "hye", "hy"},
    {"Georgian", "kat", "ka"},
    {"Hebrew", "heb", "he"},
    {"Arabic", "ara", "ar"},
    {"Persian", "fas", "fa"},
    {"Urdu", "urd", "ur"},
    {"Saraiki", "skr", "skr"},
    {"Uyghur", "uig", "ug"},
    {"Hindi", "hin", "hi"},
    {"Marathi", "mar", "mr"},
    {"Nepali", "nep", "ne"},
    {"Bengali", "ben", "bn"},
    {"Assamese", "asm", "as"},
    {"Gujarati", "guj", "gu"},
    {"Punjabi", "pan", "pa"},
    {"Odia", "ori", "or"},
    {"Tamil", "tam", "ta"},
    {"Telugu", "tel", "te"},
    {"Kannada", "kan", "kn"},
    {"Malayalam", "mal", "ml"},
    {"Sinhala", "sin", "si"},
    {"Santali", "sat", "sat"},
    {"Dzongkha", "dzo", "dz"},
    {"Thai", "tha", "th"},
    {"Khmer", "khm", "km"},
    {"Burmese", "mya", "my"},
    {"Amharic", "amh", "am"},
    {"Chinese", "zho", "zh-Hans"},
    {"Chinese (traditional)", "zho", "zh-Hant"},
    {"Japanese", "jpn", "ja"},
    {"Korean", "kor", "ko"},
};

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string_view languageSubtag(std::string_view tag) {
  return tag.substr(0, tag.find('-'));
}

// The ISO 639-3 code of a stored tag: that of the starter language with
// the same language subtag, or the subtag itself when it has three letters.
std::string iso6393Of(std::string_view tag) {
  const std::string_view language = languageSubtag(tag);
  for (const StarterCode& starter : STARTER_CODES) {
    if (sameIgnoringCase(languageSubtag(starter.tag), language) ||
        sameIgnoringCase(starter.iso6393, language)) {
      return starter.iso6393;
    }
  }
  std::string lower;
  for (char c : language) {
    lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return lower.size() == 3 ? lower : std::string();
}

}  // namespace

const std::vector<StarterCode>& starterCodes() { return STARTER_CODES; }

LanguageCodes languageCodes(const std::string& name,
                            const std::string& storedCode) {
  // A code that is no tag can only come from a damaged or foreign file.
  if (isLanguageTag(storedCode)) return {storedCode, iso6393Of(storedCode)};
  for (const StarterCode& starter : STARTER_CODES) {
    if (name == starter.name) return {starter.tag, starter.iso6393};
  }
  return {};
}

bool isLanguageTag(std::string_view text) {
  if (text.empty() || text.size() > MAX_TAG_BYTES) return false;
  bool first = true;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('-', start), text.size());
    const std::string_view subtag = text.substr(start, end - start);
    if (subtag.empty() || subtag.size() > MAX_SUBTAG_BYTES) return false;
    if (first && subtag.size() < 2) return false;
    for (char c : subtag) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte >= 0x80 || !(first ? std::isalpha(byte) : std::isalnum(byte))) {
        return false;
      }
    }
    first = false;
    start = end + 1;
  }
  return true;
}

bool namesLanguage(std::string_view word, const std::string& name,
                   const LanguageCodes& codes) {
  if (word.empty()) return false;
  return sameIgnoringCase(word, name) || sameIgnoringCase(word, codes.tag) ||
         sameIgnoringCase(word, codes.iso6393) ||
         sameIgnoringCase(word, languageSubtag(codes.tag));
}

}  // namespace letterfreq
