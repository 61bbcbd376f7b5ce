// The profile trees at database size: 1,000 samples over 25 languages laid
// out as the database tree shows them (language, "Entries (n)", one branch
// per entry with its name box and profile, the language's profile, then
// "Totals"), each sample listing all 254 byte values, so that opening every
// branch gives about a million rows. Targets: showing the tree in under
// 1 s with under 400 MB peak memory. Counters: rows built, the growth of
// this process's resident memory while building (rssMB, first run) and its
// peak so far (peakRssMB). Drawing needs a display and is skipped without.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/letter_profile.h"
#include "app/profile_view.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

constexpr int LANGUAGES = 25;
constexpr int ENTRIES = 1000;

uint32_t nextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

LetterProfile makeSample(uint32_t& state) {
  LetterProfile sample;
  for (int b = 1; b <= 254; ++b) {
    sample.counts[b] = 1 + static_cast<int32_t>(nextRandom(state) % 5000);
  }
  sample.sampleCount = 1;
  sample.sortOrder();
  return sample;
}

const std::vector<LetterProfile>& samples() {
  static const std::vector<LetterProfile> made = [] {
    std::vector<LetterProfile> all;
    uint32_t state = 7;
    for (int i = 0; i < ENTRIES; ++i) all.push_back(makeSample(state));
    return all;
  }();
  return made;
}

double residentMB() {
  long pages = 0, resident = 0;
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (!statm) return 0;
  if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(statm);
  return static_cast<double>(resident) * sysconf(_SC_PAGESIZE) / 1048576.0;
}

double peakMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// Lays the samples out as the database tree does; the entries' profiles
// are shown at once (their byte-value rows wait to be opened).
void buildDatabaseTree(TreeBrowser& tree) {
  const std::vector<LetterProfile>& all = samples();
  LetterProfile totals;
  for (int language = 0; language < LANGUAGES; ++language) {
    TreeNode* node = tree.addBranch(nullptr, "Language " + std::to_string(language));
    const int per = ENTRIES / LANGUAGES;
    TreeNode* entries =
        tree.addBranch(node, "Entries (" + std::to_string(per) + ")");
    LetterProfile summed;
    for (int j = 0; j < per; ++j) {
      LetterProfile entry = all[language * per + j];
      auto* name = new Fl_Box(0, 0, 300, 20, "sample text name");
      TreeNode* entryNode =
          tree.addBranch(entries, std::to_string(j), RowContent::of(name), false);
      tree.open(entryNode, false);
      showProfile(tree, entryNode, entry, 10, SHOW_SUMMARY);
      for (int b = 0; b < PROFILE_SLOTS; ++b) {
        summed.counts[b] += entry.counts[b];
        totals.counts[b] += entry.counts[b];
      }
    }
    summed.sortOrder();
    showProfile(tree, node, summed, 10, SHOW_SUMMARY | SHOW_DEVIATIONS);
  }
  TreeNode* node = tree.addBranch(nullptr, "Totals");
  totals.sortOrder();
  showProfile(tree, node, totals, 0, SHOW_SUMMARY);
}

size_t openEverything(TreeBrowser& tree) {
  size_t rows = 0;
  std::vector<TreeNode*> pending{tree.root()};
  while (!pending.empty()) {
    TreeNode* node = pending.back();
    pending.pop_back();
    ++rows;
    if (!node->isBranch()) continue;
    tree.open(node);
    for (size_t i = 0; i < node->childCount(); ++i) {
      pending.push_back(node->child(i));
    }
  }
  return rows - 1;  // not the root
}

void BM_SampleTree(benchmark::State& state) {
  TreeBrowser tree(0, 0, 200, 330, "Tree!");
  tree.showRoot(false);
  const LetterProfile sample = samples()[0];
  for (auto _ : state) {
    LetterProfile shown = sample;
    tree.clear();
    showProfile(tree, nullptr, shown, 0, SHOW_SUMMARY);
    benchmark::DoNotOptimize(tree.rowCount());
  }
}
BENCHMARK(BM_SampleTree)->Unit(benchmark::kMicrosecond);

void BM_DatabaseTree(benchmark::State& state) {
  samples();
  TreeBrowser tree(0, 0, 225, 330, "Hist-Tree!");
  tree.showRoot(false);
  bool first = true;
  for (auto _ : state) {
    const double before = residentMB();
    buildDatabaseTree(tree);
    state.counters["rows"] = static_cast<double>(tree.rowCount());
    if (first) state.counters["rssMB"] = residentMB() - before;
    first = false;
    state.PauseTiming();
    tree.clear();
    state.ResumeTiming();
  }
  state.counters["peakRssMB"] = peakMB();
}
BENCHMARK(BM_DatabaseTree)->Unit(benchmark::kMillisecond);

// Every branch opened: what a user who opened them all would hold.
void BM_DatabaseTreeOpenedFully(benchmark::State& state) {
  samples();
  TreeBrowser tree(0, 0, 225, 330, "Hist-Tree!");
  tree.showRoot(false);
  bool first = true;
  for (auto _ : state) {
    const double before = residentMB();
    buildDatabaseTree(tree);
    const size_t rows = openEverything(tree);
    state.counters["rows"] = static_cast<double>(rows);
    if (first) {
      const double grown = residentMB() - before;
      state.counters["rssMB"] = grown;
      state.counters["bytesPerRow"] = grown * 1048576.0 / rows;
    }
    first = false;
    state.PauseTiming();
    tree.clear();
    state.ResumeTiming();
  }
  state.counters["peakRssMB"] = peakMB();
}
BENCHMARK(BM_DatabaseTreeOpenedFully)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ClearOpenedTree(benchmark::State& state) {
  TreeBrowser tree(0, 0, 225, 330, "Hist-Tree!");
  for (auto _ : state) {
    state.PauseTiming();
    buildDatabaseTree(tree);
    openEverything(tree);
    state.ResumeTiming();
    tree.clear();
  }
}
BENCHMARK(BM_ClearOpenedTree)->Unit(benchmark::kMillisecond)->Iterations(2);

// One full redraw of the tree after a change, all branches closed but the
// languages (0) or every branch open (1).
void BM_DrawOpenedTree(benchmark::State& state) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    state.SkipWithError("needs a display");
    for (auto _ : state) {
    }
    return;
  }
  Fl_Double_Window window(600, 400, "bench");
  auto* tree = new TreeBrowser(350, 60, 225, 330, "Hist-Tree!");
  tree->showRoot(false);
  window.end();
  window.show();
  window.wait_for_expose();
  buildDatabaseTree(*tree);
  if (state.range(0)) openEverything(*tree);
  for (auto _ : state) {
    tree->showRoot(false);  // as after a change: the row list is rebuilt
    Fl::flush();
  }
  state.counters["rows"] = static_cast<double>(tree->rowCount());
  window.hide();
}
BENCHMARK(BM_DrawOpenedTree)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace letterfreq

BENCHMARK_MAIN();
