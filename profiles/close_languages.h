// Groups of starter languages so alike that a short sample of one is often
// taken for another (scripts/starter_languages.py lists the same groups for
// the accuracy report). Where the best two languages of a ranking are in
// one group and the second is nearly as likely, an answer names both.
#pragma once

#include <string>
#include <vector>

namespace letterfreq {

const std::vector<std::vector<std::string>>& closeLanguageGroups();

// Whether two different languages are in one close group.
bool areCloseLanguages(const std::string& first, const std::string& second);

}  // namespace letterfreq
