// The tallies of the accuracy tool and the Markdown tables made of them:
// right and tried snippets per method, language, source kind and length.
#pragma once

#include <array>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace letterfreq {

constexpr int SNIPPET_LENGTHS[] = {30, 100, 400};
constexpr int LENGTH_COUNT = 3;
constexpr int PAIR_LENGTH = 1;  // close pairs are reported at 100 bytes

struct Counts {
  int right = 0;
  int tried = 0;
  double share() const { return tried ? 100.0 * right / tried : 0.0; }
};

struct Tally {
  std::vector<std::string> methods;    // menu names
  std::vector<std::string> languages;  // database names
  std::vector<std::string> kinds;      // source kinds with held-out text
  // [method][language][kind][length]
  std::vector<std::vector<std::vector<std::array<Counts, LENGTH_COUNT>>>> cells;
  // Per language, what the last method (N-gram Likelihood) took it for at
  // PAIR_LENGTH bytes when wrong.
  std::vector<std::map<int, int>> mistakes;
  // Per language and length, the last method's wrong answers that name a
  // language of its own close group.
  std::vector<std::array<int, LENGTH_COUNT>> closeMisses;
  std::vector<std::set<std::string>> closeGroups;

  void resize() {
    cells.assign(methods.size(),
                 std::vector<std::vector<std::array<Counts, LENGTH_COUNT>>>(
                     languages.size(),
                     std::vector<std::array<Counts, LENGTH_COUNT>>(kinds.size())));
    mistakes.assign(languages.size(), {});
    closeMisses.assign(languages.size(), {});
  }

  bool tested(size_t language) const {
    for (const auto& cell : cells[0][language]) {
      if (cell[0].tried) return true;
    }
    return false;
  }

  // One language over all its kinds.
  Counts language(size_t method, size_t lang, int length) const {
    Counts sum;
    for (const auto& cell : cells[method][lang]) {
      sum.right += cell[length].right;
      sum.tried += cell[length].tried;
    }
    return sum;
  }

  // The mean over the tested languages (each the same weight); kind -1: all.
  double mean(size_t method, int kind, int length) const {
    return meanOverLanguages([&](size_t lang) {
      return kind < 0 ? language(method, lang, length)
                      : cells[method][lang][kind][length];
    });
  }

  // The last method's mean when an answer within the close group counts as
  // right.
  double meanWithinGroup(int length) const {
    return meanOverLanguages([&](size_t lang) {
      Counts c = language(methods.size() - 1, lang, length);
      c.right += closeMisses[lang][length];
      return c;
    });
  }

  // The mean share over the languages that `countsOf` gives tries for.
  template <typename CountsOf>
  double meanOverLanguages(CountsOf countsOf) const {
    double sum = 0;
    int count = 0;
    for (size_t lang = 0; lang < languages.size(); ++lang) {
      const Counts c = countsOf(lang);
      if (!c.tried) continue;
      sum += c.share();
      ++count;
    }
    return count ? sum / count : 0.0;
  }

  int languagesWith(int kind) const {
    int count = 0;
    for (size_t lang = 0; lang < languages.size(); ++lang) {
      if (cells[0][lang][kind][0].tried) ++count;
    }
    return count;
  }

  bool close(const std::string& a, const std::string& b) const {
    for (const auto& group : closeGroups) {
      if (group.count(a) && group.count(b)) return true;
    }
    return false;
  }

  // The language most often taken for `lang`, or -1.
  int mainMistake(size_t lang) const {
    int best = -1, times = 0;
    for (const auto& [guess, n] : mistakes[lang]) {
      if (n > times) best = guess, times = n;
    }
    return best;
  }
};

inline void printLengthsHeader(std::FILE* out, const char* first) {
  std::fprintf(out, "| %s |", first);
  for (int length : SNIPPET_LENGTHS) std::fprintf(out, " %d bytes |", length);
  std::fprintf(out, "\n|---|");
  for (int l = 0; l < LENGTH_COUNT; ++l) std::fprintf(out, "---:|");
  std::fprintf(out, "\n");
}

// Every method over all languages, or over one kind.
inline void printMethods(std::FILE* out, const Tally& tally, int kind) {
  printLengthsHeader(out, "Method");
  for (size_t m = 0; m < tally.methods.size(); ++m) {
    std::fprintf(out, "| %s |", tally.methods[m].c_str());
    for (int l = 0; l < LENGTH_COUNT; ++l) {
      std::fprintf(out, " %.1f %% |", tally.mean(m, kind, l));
    }
    std::fprintf(out, "\n");
  }
}

// One method per source kind.
inline void printKinds(std::FILE* out, const Tally& tally, size_t method) {
  std::fprintf(out, "| Source kind | Languages |");
  for (int length : SNIPPET_LENGTHS) std::fprintf(out, " %d bytes |", length);
  std::fprintf(out, "\n|---|---:|");
  for (int l = 0; l < LENGTH_COUNT; ++l) std::fprintf(out, "---:|");
  std::fprintf(out, "\n");
  for (size_t k = 0; k < tally.kinds.size(); ++k) {
    std::fprintf(out, "| %s | %d |", tally.kinds[k].c_str(),
                tally.languagesWith(static_cast<int>(k)));
    for (int l = 0; l < LENGTH_COUNT; ++l) {
      std::fprintf(out, " %.1f %% |", tally.mean(method, static_cast<int>(k), l));
    }
    std::fprintf(out, "\n");
  }
}

// Languages under `floor` % at PAIR_LENGTH bytes by `method`, with the
// language they are most often taken for and whether the two are close.
inline void printWeakLanguages(std::FILE* out, const Tally& tally, size_t method,
                               double floor) {
  std::fprintf(out, "| Language | %d bytes | Most often taken for | Close pair |\n"
              "|---|---:|---|---|\n",
              SNIPPET_LENGTHS[PAIR_LENGTH]);
  int rows = 0;
  for (size_t lang = 0; lang < tally.languages.size(); ++lang) {
    Counts c = tally.language(method, lang, PAIR_LENGTH);
    if (!c.tried || c.share() >= floor) continue;
    int other = tally.mainMistake(lang);
    const std::string taken = other < 0 ? "-" : tally.languages[other];
    std::fprintf(out, "| %s | %.1f %% | %s | %s |\n", tally.languages[lang].c_str(),
                c.share(), taken.c_str(),
                other >= 0 && tally.close(tally.languages[lang], taken) ? "yes"
                                                                        : "no");
    ++rows;
  }
  if (!rows) std::fprintf(out, "| (none) | | | |\n");
}

// Per language: the last method at every length, the others at
// PAIR_LENGTH bytes, and the language it is most often taken for.
inline void printLanguages(std::FILE* out, const Tally& tally) {
  const size_t last = tally.methods.size() - 1;
  std::fprintf(out, "| Language | Kinds |");
  for (int length : SNIPPET_LENGTHS) std::fprintf(out, " %d B |", length);
  for (size_t m = 0; m < last; ++m) {
    std::fprintf(out, " %s %d B |", tally.methods[m].c_str(),
                SNIPPET_LENGTHS[PAIR_LENGTH]);
  }
  std::fprintf(out, " Most often taken for |\n|---|---:|");
  for (size_t i = 0; i < LENGTH_COUNT + last; ++i) std::fprintf(out, "---:|");
  std::fprintf(out, "---|\n");
  for (size_t lang = 0; lang < tally.languages.size(); ++lang) {
    if (!tally.tested(lang)) continue;
    int kinds = 0;
    for (const auto& cell : tally.cells[0][lang]) kinds += cell[0].tried > 0;
    std::fprintf(out, "| %s | %d |", tally.languages[lang].c_str(), kinds);
    for (int l = 0; l < LENGTH_COUNT; ++l) {
      std::fprintf(out, " %.1f |", tally.language(last, lang, l).share());
    }
    for (size_t m = 0; m < last; ++m) {
      std::fprintf(out, " %.1f |", tally.language(m, lang, PAIR_LENGTH).share());
    }
    int other = tally.mainMistake(lang);
    std::fprintf(out, " %s |\n", other < 0 ? "" : tally.languages[other].c_str());
  }
}

}  // namespace letterfreq
