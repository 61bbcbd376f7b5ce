#include "profiles/close_languages.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace letterfreq {
namespace {

// The groups detect answers by are those the starter database's accuracy
// report counts by (scripts/starter_languages.py): one list kept twice
// must not drift.
TEST(CloseLanguagesTest, GroupsAreThoseOfTheAccuracyReport) {
  std::ifstream in(LETTERFREQ_SOURCE_DIR "/scripts/starter_languages.py");
  std::stringstream text;
  text << in.rdbuf();
  const std::string all = text.str();
  const size_t start = all.find("CLOSE_GROUPS = [");
  ASSERT_NE(start, std::string::npos);
  const std::string block = all.substr(start, all.find("\n]", start) - start);
  std::vector<std::vector<std::string>> groups;
  const std::regex group(R"(\[([^\[\]]*)\])"), name(R"re("([^"]+)")re");
  for (std::sregex_iterator g(block.begin(), block.end(), group), end; g != end;
       ++g) {
    const std::string members = (*g)[1];
    groups.emplace_back();
    for (std::sregex_iterator n(members.begin(), members.end(), name);
         n != end; ++n) {
      groups.back().push_back((*n)[1]);
    }
  }
  EXPECT_EQ(groups, closeLanguageGroups());
  EXPECT_TRUE(areCloseLanguages("Croatian", "Bosnian"));
  EXPECT_FALSE(areCloseLanguages("Croatian", "Croatian"));
  EXPECT_FALSE(areCloseLanguages("Croatian", "Slovenian"));
}

}  // namespace
}  // namespace letterfreq
