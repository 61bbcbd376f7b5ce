// starter_match_timing: the whole `letterfreq-cli match --method 7` of one
// short sample against the starter database, process start, load and
// n-gram weights included (target: under 60 ms), as wall time of the
// program run as a child, output to /dev/null, and its processor time
// (user and system, which a loaded machine changes less). Two anchors run
// in turns with it, so that the machine's load weighs on all alike, and
// the ratios of the medians are printed: `cat DATABASE` (reading the file
// once) and `letterfreq-cli --help` (the program's start). With a second
// program (an
// earlier build, say), that is run in turns too and compared:
//   build/starter_match_timing [DATABASE [BASELINE_PROGRAM [RUNS]]]
// The letterfreq-cli beside this program is timed; DATABASE defaults to
// data/ling2.db (run it from the source folder).
#include <limits.h>
#include <sys/resource.h>
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

struct RunTimes {
  double wall = -1.0;  // seconds; negative when the run failed
  double cpu = 0.0;    // user and system seconds
};

double seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) +
         static_cast<double>(time.tv_usec) / 1e6;
}

// One run of `argv` (the program first) with its output to /dev/null.
RunTimes timeOneRun(const std::vector<std::string>& argv) {
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
  struct rusage usage = {};
  wait4(pid, &status, 0, &usage);
  const std::chrono::duration<double> took =
      std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return {took.count(), seconds(usage.ru_utime) + seconds(usage.ru_stime)};
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

// Medians in milliseconds of the runs of each command, run in turns: wall
// times, then processor times.
std::vector<RunTimes> medianMs(
    const std::vector<std::vector<std::string>>& commands, int runs) {
  std::vector<std::vector<double>> walls(commands.size());
  std::vector<std::vector<double>> cpus(commands.size());
  for (int run = 0; run < runs; ++run) {
    for (size_t c = 0; c < commands.size(); ++c) {
      const RunTimes t = timeOneRun(commands[c]);
      if (t.wall < 0) return {};
      walls[c].push_back(t.wall * 1000.0);
      cpus[c].push_back(t.cpu * 1000.0);
    }
  }
  std::vector<RunTimes> medians;
  for (size_t c = 0; c < commands.size(); ++c) {
    medians.push_back({median(walls[c]), median(cpus[c])});
  }
  return medians;
}

// "NAME: W ms (processor C ms); match over it Rx (processor Rx)".
void printRatio(const char* name, const RunTimes& anchor,
                const RunTimes& match) {
  std::printf("%s: %.1f ms (processor %.1f ms); match over it %.2fx "
              "(processor %.2fx)\n",
              name, anchor.wall, anchor.cpu, match.wall / anchor.wall,
              match.cpu / anchor.cpu);
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
  const std::vector<RunTimes> ms = medianMs(commands, runs);
  std::filesystem::remove(sample);
  if (ms.empty()) {
    std::fprintf(stderr, "starter_match_timing: a run failed\n");
    return 1;
  }
  std::printf(
      "match --method 7, one sample, %s: median %.1f ms over %d runs "
      "(target 60 ms: %s), processor %.1f ms\n",
      database.c_str(), ms[0].wall, runs, ms[0].wall < 60.0 ? "met" : "missed",
      ms[0].cpu);
  printRatio("anchor cat of the file", ms[1], ms[0]);
  printRatio("anchor letterfreq-cli --help", ms[2], ms[0]);
  if (!baseline.empty()) printRatio(("baseline " + baseline).c_str(), ms[3], ms[0]);
  return 0;
}
