#include "profiles/language_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace letterfreq {
namespace {

TEST(LanguageCodesTest, EveryStarterLanguageHasCodesOfItsOwn) {
  std::set<std::string> names, tags;
  for (const StarterCode& starter : starterCodes()) {
    EXPECT_TRUE(names.insert(starter.name).second) << starter.name;
    EXPECT_TRUE(tags.insert(starter.tag).second) << starter.tag;
    EXPECT_TRUE(isLanguageTag(starter.tag)) << starter.tag;
    EXPECT_EQ(std::string(starter.iso6393).size(), 3u) << starter.name;
    const LanguageCodes codes = languageCodes(starter.name, "");
    EXPECT_EQ(codes.tag, starter.tag);
    EXPECT_EQ(codes.iso6393, starter.iso6393);
  }
  EXPECT_EQ(languageCodes("Chinese (traditional)", "").tag, "zh-Hant");
  EXPECT_EQ(languageCodes("Serbian", "").tag, "sr-Cyrl");
  EXPECT_EQ(languageCodes("Portuguese", "").tag, "pt-PT");
  EXPECT_EQ(languageCodes("Klingon", "").tag, "");
}

TEST(LanguageCodesTest, AStoredCodeWinsWhenItIsATag) {
  EXPECT_EQ(languageCodes("English", "en-GB").tag, "en-GB");
  EXPECT_EQ(languageCodes("English", "en-GB").iso6393, "eng");
  EXPECT_EQ(languageCodes("Brazilian", "pt-BR").iso6393, "por");
  EXPECT_EQ(languageCodes("Swiss German", "gsw").iso6393, "gsw");
  EXPECT_EQ(languageCodes("Mine", "qaa").iso6393, "qaa");
  EXPECT_EQ(languageCodes("Mine", "xy").iso6393, "");  // not known
  // A damaged file's code is no code.
  EXPECT_EQ(languageCodes("English", "en\tGB").tag, "en");
  EXPECT_EQ(languageCodes("Mine", "\x1b[2J").tag, "");
}

TEST(LanguageCodesTest, TagsAreCheckedForShape) {
  for (const char* good : {"en", "pt-BR", "zh-Hant", "sr-Cyrl-RS", "gsw",
                           "de-CH-1996", "EN"}) {
    EXPECT_TRUE(isLanguageTag(good)) << good;
  }
  for (const char* bad : {"", "e", "en-", "-en", "en--GB", "e1", "en_GB",
                          "en GB", "toolongsubtag", "en-\xc3\xa9",
                          "a-b-c-d-e-f-g-h-i-j-k-l-m-n-o-p-q-r-s"}) {
    EXPECT_FALSE(isLanguageTag(bad)) << bad;
  }
}

TEST(LanguageCodesTest, ALanguageIsNamedByNameOrAnyCode) {
  const LanguageCodes chinese = languageCodes("Chinese (traditional)", "");
  for (const char* word : {"Chinese (traditional)", "chinese (TRADITIONAL)",
                           "zh-Hant", "ZH-HANT", "zh", "zho"}) {
    EXPECT_TRUE(namesLanguage(word, "Chinese (traditional)", chinese))
        << word;
  }
  for (const char* word : {"", "Chinese", "zh-Hans", "Hant", "z"}) {
    EXPECT_FALSE(namesLanguage(word, "Chinese (traditional)", chinese))
        << word;
  }
  EXPECT_FALSE(namesLanguage("", "", LanguageCodes{}));
}

}  // namespace
}  // namespace letterfreq
