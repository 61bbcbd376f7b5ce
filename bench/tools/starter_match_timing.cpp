// starter_match_timing: the whole `letterfreq-cli match --method 7` of one
// short sample against the starter database, process start, load and
// n-gram weights included (target: under 60 ms), as wall time of the
// program run as a child, output to /dev/null. Two anchors run in turns
// with it, so that the machine's load weighs on all alike, and the ratios
// of the medians are printed: `cat DATABASE` (reading the file once) and
// `letterfreq-cli --help` (the program's start). With a second program (an
// earlier build, say), that is run in turns too and compared:
//   build/starter_match_timing [DATABASE [BASELINE_PROGRAM [RUNS]]]
// The letterfreq-cli beside this program is timed; DATABASE defaults to
// data/ling2.db (run it from the source folder).
#include <limits.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr const char* SAMPLE_TEXT =
    "Der schnelle braune Fuchs springt über den faulen Hund.";

// One run of `argv` (the program first) with its output to /dev/null: its
// wall time in seconds, or a negative value when it failed.
double timeOneRun(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const std::chrono::duration<double> took =
      std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
  return took.count();
}

std::vector<std::string> matchArgs(const std::string& program,
                                   const std::string& database,
                                   const std::string& sample) {
  return {program, "match", "--method", "7", "--db", database, sample};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The letterfreq-cli beside this program.
std::string cliBesideThis() {
  char self[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return "letterfreq-cli";
  return (std::filesystem::path(self).parent_path() / "letterfreq-cli")
      .string();
}

// Medians in milliseconds of the runs of each command, run in turns.
std::vector<double> medianMs(
    const std::vector<std::vector<std::string>>& commands, int runs) {
  std::vector<std::vector<double>> times(commands.size());
  for (int run = 0; run < runs; ++run) {
    for (size_t c = 0; c < commands.size(); ++c) {
      const double t = timeOneRun(commands[c]);
      if (t < 0) return {};
      times[c].push_back(t * 1000.0);
    }
  }
  std::vector<double> medians;
  for (const std::vector<double>& each : times) medians.push_back(median(each));
  return medians;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string database = argc > 1 ? argv[1] : "data/ling2.db";
  const std::string baseline = argc > 2 ? argv[2] : "";
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 21;
  const std::string program = cliBesideThis();
  const std::string sample =
      (std::filesystem::temp_directory_path() /
       ("letterfreq-starter-sample-" + std::to_string(getpid()) + ".txt"))
          .string();
  std::ofstream(sample) << SAMPLE_TEXT;

  std::vector<std::vector<std::string>> commands = {
      matchArgs(program, database, sample),
      {"cat", database},
      {program, "--help"}};
  if (!baseline.empty())
    commands.push_back(matchArgs(baseline, database, sample));
  const std::vector<double> ms = medianMs(commands, runs);
  std::filesystem::remove(sample);
  if (ms.empty()) {
    std::fprintf(stderr, "starter_match_timing: a run failed\n");
    return 1;
  }
  std::printf(
      "match --method 7, one sample, %s: median %.1f ms over %d runs "
      "(target 60 ms: %s)\n",
      database.c_str(), ms[0], runs, ms[0] < 60.0 ? "met" : "missed");
  std::printf("anchor cat of the file: %.1f ms; match over it %.2fx\n", ms[1],
              ms[0] / ms[1]);
  std::printf("anchor letterfreq-cli --help: %.1f ms; match over it %.2fx\n",
              ms[2], ms[0] / ms[2]);
  if (!baseline.empty()) {
    std::printf("baseline %s: median %.1f ms; this over baseline %.3fx\n",
                baseline.c_str(), ms[3], ms[0] / ms[3]);
  }
  return 0;
}
