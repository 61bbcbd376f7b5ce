// accuracy: how often each matching method names the right language of a
// short piece of text from documents that no entry was built from. Loads a
// database once, cuts a fixed, seeded selection of snippets of about 30, 100
// and 400 bytes from each language's held-out text of each source kind
// (whole UTF-8 characters only), counts each snippet through the counting
// rule and ranks the languages by every method through the matching
// library, all in this one process.
//
//   accuracy --db data/ling2.db --texts .starter/texts [--summary FILE]
//            [--wrong FILE]
//
// TEXTS holds languages.tsv (language name, folder, ...), close.tsv (one
// group of close languages a line) and heldout/FOLDER/KIND.txt. Prints the
// whole Markdown report; --summary also writes its first part to FILE;
// --wrong lists every snippet the last method (Word and N-gram Likelihood)
// got wrong, one a line: language, kind, length, answer, byte offset in the
// held-out text (heldout/FOLDER/KIND.docs names the document there), the
// snippet with its line ends as "\n".
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
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "bench/tools/accuracy_tally.h"
#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/methods.h"
#include "sample/counting_pass.h"
#include "profiles/sample_features.h"

namespace letterfreq {
namespace {

// The source kinds that have held-out documents, in report order.
const char* const KINDS[] = {"firefox", "libreoffice", "libreoffice-help",
                             "gnome-help", "debian-reference"};

struct Options {
  std::string database;
  std::string texts;
  std::string summary;
  std::string wrong;
  int snippets = 100;   // per language, kind and length
  uint32_t seed = 1;    // any fixed value: the selection only has to stay put
};

struct HeldOutText {
  int language;  // position in the database
  int kind;      // position in KINDS
  std::string text;
};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
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

struct Cut {
  size_t offset;  // in the held-out text
  std::string bytes;
};

// `count` snippets of at most `length` bytes, whole characters only. The
// generator is std::mt19937, whose output the standard fixes, used without
// a distribution (those differ between libraries), so every platform cuts
// the same snippets.
std::vector<Cut> cutSnippets(const std::string& text, int length, int count,
                             uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<Cut> snippets;
  size_t size = text.size();
  size_t span = size > static_cast<size_t>(length) ? size - length + 1 : 1;
  for (int i = 0; i < count; ++i) {
    size_t start = random() % span;
    while (start < size && isContinuationByte(text[start])) ++start;
    size_t end = std::min(size, start + length);
    while (end < size && end > start && isContinuationByte(text[end])) --end;
    snippets.push_back({start, text.substr(start, end - start)});
  }
  return snippets;
}

// One snippet as every method sees it: its counts and the counts of every
// feature set, counted in one pass; the feature counts stay in `features`,
// valid until the next snippet is counted.
struct Snippet {
  std::array<int32_t, PROFILE_SLOTS> counts{};
  SampleCounts sample;
};

void countSnippet(const std::string& bytes, SampleFeatures& features,
                  Snippet& snippet) {
  CountingPass pass;
  features.attachAll(pass);
  pass.count(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
             snippet.counts.data());
  snippet.sample = features.with(snippet.counts.data());
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty()) out.push_back(line);
  }
  return out;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  std::string field;
  while (std::getline(in, field, '\t')) out.push_back(field);
  return out;
}

bool fileExists(const std::string& path) {
  return static_cast<bool>(std::ifstream(path, std::ios::binary));
}

// languages.tsv: "name<TAB>folder[<TAB>...]"; every named language must be
// in the database.
std::vector<HeldOutText> readHeldOut(const std::string& folder,
                                     const std::vector<std::string>& names) {
  std::vector<HeldOutText> texts;
  for (const std::string& line : lines(readFile(folder + "/languages.tsv"))) {
    std::vector<std::string> f = fields(line);
    if (f.size() < 2) {
      throw std::runtime_error("languages.tsv: no folder in \"" + line + "\"");
    }
    auto found = std::find(names.begin(), names.end(), f[0]);
    if (found == names.end()) {
      throw std::runtime_error(f[0] + " is not in the database");
    }
    for (int k = 0; k < static_cast<int>(std::size(KINDS)); ++k) {
      std::string path = folder + "/heldout/" + f[1] + "/" + KINDS[k] + ".txt";
      if (!fileExists(path)) continue;
      texts.push_back({static_cast<int>(found - names.begin()), k,
                       readFile(path)});
    }
  }
  return texts;
}

std::vector<std::set<std::string>> readCloseGroups(const std::string& folder) {
  std::vector<std::set<std::string>> groups;
  const std::string path = folder + "/close.tsv";
  if (!fileExists(path)) return groups;
  for (const std::string& line : lines(readFile(path))) {
    std::vector<std::string> f = fields(line);
    groups.emplace_back(f.begin(), f.end());
  }
  return groups;
}

// Every method of the menu that the database can answer (the n-gram
// method only with n-gram lists); the pick is the language ranked first,
// if that one has a score.
std::vector<std::function<int(const Snippet&)>> methodsUnderTest(
    const MatchTarget& target, std::vector<std::string>& names) {
  std::vector<std::function<int(const Snippet&)>> picks;
  for (const MatchMethod& method : MATCH_METHODS) {
    if (method.features != NO_FEATURES &&
        !target.features().of(method.features).carriesData()) {
      continue;
    }
    names.push_back(method.name);
    picks.push_back([&target, &method](const Snippet& snippet) {
      const std::vector<MatchRow> rows =
          matchByMethod(method, target, snippet.sample);
      const bool scored = !rows.empty() && !std::isnan(rows[0].score);
      return scored ? rows[0].language : -1;
    });
  }
  return picks;
}

// One line of the --wrong list; line ends and tabs in the snippet are
// written as "\\n" and "\\t" so that each snippet stays on its line.
void printWrong(std::FILE* out, const Tally& tally, const HeldOutText& text,
                int length, int guess, const Cut& cut) {
  std::string shown;
  for (char c : cut.bytes) {
    shown += c == '\n' ? std::string("\\n") : c == '\t' ? std::string("\\t")
                                                       : std::string(1, c);
  }
  std::fprintf(out, "%s\t%s\t%d\t%s\t%zu\t%s\n",
               tally.languages[text.language].c_str(), KINDS[text.kind], length,
               guess >= 0 ? tally.languages[guess].c_str() : "-", cut.offset,
               shown.c_str());
}

// `wrong`, when not null, receives the last method's wrong answers.
void measure(const std::vector<HeldOutText>& texts, const Options& options,
             const std::vector<std::function<int(const Snippet&)>>& picks,
             Tally& tally, std::FILE* wrong) {
  SampleFeatures features;
  Snippet snippet;
  for (const HeldOutText& text : texts) {
    const std::string& name = tally.languages[text.language];
    for (int l = 0; l < LENGTH_COUNT; ++l) {
      uint32_t seed = options.seed ^ nameHash(name + "/" + KINDS[text.kind]) ^
                      static_cast<uint32_t>(SNIPPET_LENGTHS[l]);
      for (const Cut& cut : cutSnippets(text.text, SNIPPET_LENGTHS[l],
                                        options.snippets, seed)) {
        countSnippet(cut.bytes, features, snippet);
        for (size_t m = 0; m < picks.size(); ++m) {
          const int guess = picks[m](snippet);
          Counts& cell = tally.cells[m][text.language][text.kind][l];
          ++cell.tried;
          if (guess == text.language) {
            ++cell.right;
            continue;
          }
          if (m + 1 != picks.size()) continue;
          if (guess >= 0 && tally.close(name, tally.languages[guess])) {
            ++tally.closeMisses[text.language][l];
          }
          if (l == PAIR_LENGTH && guess >= 0) {
            ++tally.mistakes[text.language][guess];
          }
          if (wrong) printWrong(wrong, tally, text, SNIPPET_LENGTHS[l], guess, cut);
        }
      }
    }
  }
}

int tested(const Tally& tally) {
  int count = 0;
  for (size_t lang = 0; lang < tally.languages.size(); ++lang) {
    count += tally.tested(lang);
  }
  return count;
}

void printSummary(std::FILE* out, const Tally& tally, const Options& options) {
  const size_t ngram = tally.methods.size() - 1;
  std::fprintf(out, 
      "Top-1 accuracy on held-out documents (no entry was built from them): "
      "%d languages, %d snippets per language, source kind and length, seed "
      "%u; each language counts the same.\n\n",
      tested(tally), options.snippets, options.seed);
  printMethods(out, tally, -1);
  std::fprintf(out, "\n\"%s\" per source kind:\n\n", tally.methods[ngram].c_str());
  printKinds(out, tally, ngram);
  std::fprintf(out, "\nCounting an answer within the language's own close "
              "group (as `scripts/starter_languages.py` lists them) as right, \"%s\" reaches",
              tally.methods[ngram].c_str());
  for (int l = 0; l < LENGTH_COUNT; ++l) {
    std::fprintf(out, "%s %.1f %%", l ? " /" : "", tally.meanWithinGroup(l));
  }
  std::fprintf(out, " at");
  for (int l = 0; l < LENGTH_COUNT; ++l) {
    std::fprintf(out, "%s %d", l ? " /" : "", SNIPPET_LENGTHS[l]);
  }
  std::fprintf(out, " bytes.\n");
  std::fprintf(out, "\nLanguages below 80 %% at %d bytes by \"%s\":\n\n",
              SNIPPET_LENGTHS[PAIR_LENGTH], tally.methods[ngram].c_str());
  printWeakLanguages(out, tally, ngram, 80.0);
}

void printDetails(std::FILE* out, const Tally& tally) {
  for (size_t k = 0; k < tally.kinds.size(); ++k) {
    if (!tally.languagesWith(static_cast<int>(k))) continue;
    std::fprintf(out, "\n### %s (%d languages)\n\n", tally.kinds[k].c_str(),
                tally.languagesWith(static_cast<int>(k)));
    printMethods(out, tally, static_cast<int>(k));
  }
  std::fprintf(out, "\n### Per language\n\n\"%s\" at every length (%%), the "
              "other methods at %d bytes, and the language a wrong %d-byte "
              "answer of \"%s\" named most often.\n\n",
              tally.methods.back().c_str(), SNIPPET_LENGTHS[PAIR_LENGTH],
              SNIPPET_LENGTHS[PAIR_LENGTH], tally.methods.back().c_str());
  printLanguages(out, tally);
}

int run(const Options& options) {
  RecordFile database(options.database);
  DatabaseLoad load = loadDatabase(database, LoadHooks{});
  if (load.outcome != LoadOutcome::Complete) {
    throw std::runtime_error(options.database + ": the load did not complete");
  }
  const MatchTarget target(load.languageProfiles(), load.features);
  Tally tally;
  for (const LetterProfile& p : load.languageProfiles()) {
    tally.languages.push_back(p.name);
  }
  tally.kinds.assign(std::begin(KINDS), std::end(KINDS));
  tally.closeGroups = readCloseGroups(options.texts);
  const std::vector<HeldOutText> texts =
      readHeldOut(options.texts, tally.languages);
  const auto picks = methodsUnderTest(target, tally.methods);
  tally.resize();
  std::FILE* wrong = nullptr;
  if (!options.wrong.empty()) {
    wrong = std::fopen(options.wrong.c_str(), "w");
    if (!wrong) throw std::runtime_error("cannot write " + options.wrong);
  }
  measure(texts, options, picks, tally, wrong);
  if (wrong && std::fclose(wrong) != 0) {
    throw std::runtime_error("cannot write " + options.wrong);
  }

  if (!options.summary.empty()) {
    std::FILE* summary = std::fopen(options.summary.c_str(), "w");
    if (!summary) throw std::runtime_error("cannot write " + options.summary);
    printSummary(summary, tally, options);
    if (std::fclose(summary) != 0) {
      throw std::runtime_error("cannot write " + options.summary);
    }
  }
  printSummary(stdout, tally, options);
  printDetails(stdout, tally);
  return 0;
}

}  // namespace
}  // namespace letterfreq

int main(int argc, char** argv) {
  letterfreq::Options options;
  CLI::App app{"Top-1 accuracy of every matching method on held-out text"};
  app.add_option("--db", options.database, "the database")->required();
  app.add_option("--texts", options.texts,
                 "folder with languages.tsv, close.tsv and heldout/")
      ->required();
  app.add_option("--summary", options.summary,
                 "also write the summary tables to this file");
  app.add_option("--wrong", options.wrong,
                 "list the wrong answers of the last method in this file");
  app.add_option("--snippets", options.snippets,
                 "snippets per language, kind and length")
      ->check(CLI::Range(1, 100000));
  app.add_option("--seed", options.seed, "seed of the snippet selection");
  CLI11_PARSE(app, argc, argv);
  try {
    return letterfreq::run(options);
  } catch (const std::exception& error) {
    std::cerr << "accuracy: " << error.what() << '\n';
    return 1;
  }
}
