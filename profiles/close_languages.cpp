#include "profiles/close_languages.h"

#include <algorithm>

namespace letterfreq {

const std::vector<std::vector<std::string>>& closeLanguageGroups() {
  static const std::vector<std::vector<std::string>> groups = {
      {"Bosnian", "Croatian", "Serbian"},
      {"Indonesian", "Malay"},
      {"Danish", "Norwegian", "Norwegian Nynorsk", "Swedish"},
      {"Czech", "Slovak"},
      {"Russian", "Ukrainian", "Belarusian"},
      {"Bulgarian", "Macedonian"},
      {"Spanish", "Galician", "Catalan", "Portuguese", "Asturian",
       "Aragonese"},
      {"Upper Sorbian", "Lower Sorbian"},
      {"Chinese", "Chinese (traditional)"},
      {"Hindi", "Marathi", "Nepali"},
      {"Urdu", "Saraiki"},
      {"Zulu", "Xhosa", "Southern Ndebele", "Swati"},
      {"Northern Sotho", "Southern Sotho", "Tswana"},
  };
  return groups;
}

bool areCloseLanguages(const std::string& first, const std::string& second) {
  if (first == second) return false;
  for (const std::vector<std::string>& group : closeLanguageGroups()) {
    const auto has = [&group](const std::string& name) {
      return std::find(group.begin(), group.end(), name) != group.end();
    };
    if (has(first) && has(second)) return true;
  }
  return false;
}

}  // namespace letterfreq
