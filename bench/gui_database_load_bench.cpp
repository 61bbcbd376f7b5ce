// "Open DB" in the real window on a database of 1,000 entries over 25
// languages (target: the tree shown in under 1 second, under 400 MB peak):
// the callback (file read, load under the meter, list and tree built) and
// one full draw of the window. Then the worst case of a user opening every
// branch of the tree. Needs a display (run under xvfb-run); peakRssMB is
// this process's high-water mark so far, made before the database (which a
// child process writes) counts for nothing.
//
// BM_GuiOpenDbAgainstCli times "Open DB" against `letterfreq-cli show`
// (run in process) on the same file of 1k, 10k and 100k entries, in turns
// within each iteration, and prints windowOverCli, the ratio of the two
// (target: at most 1.5).
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/callbacks.h"
#include "app/window.h"
#include "bench/generated_database.h"
#include "cli/cli_runner.h"
#include "widgets/dialogs.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

std::string databaseOf(int entries) {
  return bench::generatedDatabaseFile("letterfreq-gui-bench", entries);
}

double peakRssMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Opens every branch under `node`, as a user clicking through all of them.
size_t openEverything(TreeBrowser& tree, TreeNode* node) {
  size_t rows = 0;
  std::vector<TreeNode*> pending{node};
  while (!pending.empty()) {
    TreeNode* at = pending.back();
    pending.pop_back();
    if (!at->isBranch()) continue;
    tree.open(at);
    for (size_t i = 0; i < at->childCount(); ++i) {
      pending.push_back(at->child(i));
      ++rows;
    }
  }
  return rows;
}

class WindowRun {
 public:
  explicit WindowRun(benchmark::State& state) : state_(state) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
      state.SkipWithError("needs a display (xvfb-run)");
      return;
    }
    path_ = databaseOf(static_cast<int>(state.range(0)));
    if (path_.empty()) {
      state.SkipWithError("could not make the database");
      return;
    }
    // No box may wait for an answer.
    replaceDialogHandlers({[](const std::string&) {},
                           [](const std::string&) { return false; }, nullptr});
    window_ = std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT,
                                       WINDOW_TITLE);
    window_->databaseInput->value(path_.c_str());
  }
  bool ready() const { return window_ != nullptr; }
  Window& window() { return *window_; }

  void openDb() {
    window_->openDbButton->do_callback();
    window_->redraw();
    Fl::flush();
    if (!window_->databaseLoaded) state_.SkipWithError("load incomplete");
  }

 private:
  benchmark::State& state_;
  std::string path_;
  std::unique_ptr<Window> window_;
};

void BM_GuiOpenDb(benchmark::State& state) {
  WindowRun run(state);
  if (!run.ready()) return;
  for (auto _ : state) run.openDb();
  state.counters["peakRssMB"] = peakRssMB();
  state.counters["rows"] =
      static_cast<double>(run.window().histTree->rowCount());
}
BENCHMARK(BM_GuiOpenDb)->Arg(1000)->Unit(benchmark::kMillisecond);

void BM_GuiOpenDbAndOpenEveryBranch(benchmark::State& state) {
  WindowRun run(state);
  if (!run.ready()) return;
  size_t rows = 0;
  for (auto _ : state) {
    run.openDb();
    TreeBrowser& tree = *run.window().histTree;
    rows = openEverything(tree, tree.root());
    run.window().redraw();
    Fl::flush();
  }
  state.counters["peakRssMB"] = peakRssMB();
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_GuiOpenDbAndOpenEveryBranch)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond);

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                       start)
      .count();
}

void BM_GuiOpenDbAgainstCli(benchmark::State& state) {
  WindowRun run(state);
  if (!run.ready()) return;
  const std::string path = databaseOf(static_cast<int>(state.range(0)));
  double window = 0, cli = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    run.openDb();
    window += secondsSince(start);
    start = std::chrono::steady_clock::now();
    std::istringstream in;
    std::ostringstream out, err;
    if (runCli({"show", "--db", path}, in, out, err) != 0) {
      state.SkipWithError("show failed");
    }
    cli += secondsSince(start);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["windowMs"] = 1000 * window / n;
  state.counters["cliShowMs"] = 1000 * cli / n;
  state.counters["windowOverCli"] = cli > 0 ? window / cli : 0;
}
BENCHMARK(BM_GuiOpenDbAgainstCli)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace letterfreq

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  letterfreq::bench::removeGeneratedDatabases("letterfreq-gui-bench",
                                              {1000, 10000, 100000});
  return 0;
}
