// starter_match_timing: the whole `letterfreq-cli match --method 7` of one
// short sample against the starter database, process start, load and
// n-gram weights included (target: under 60 ms), as wall time of the
// program run as a child, output to /dev/null. With a second program (an
// earlier build, say), both are run in turns and the ratio of their
// medians printed, so the machine's load weighs on both alike:
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

// One run of `program match --method 7 --db database sample`: its wall
// time in seconds, or a negative value when it failed.
double timeOneRun(const std::string& program, const std::string& database,
                  const std::string& sample) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
    execl(program.c_str(), program.c_str(), "match", "--method", "7", "--db",
          database.c_str(), sample.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const std::chrono::duration<double> took =
      std::chrono::steady_clock::now() - start;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
  return took.count();
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

  std::vector<double> times, baseTimes;
  for (int run = 0; run < runs; ++run) {
    const double t = timeOneRun(program, database, sample);
    const double b =
        baseline.empty() ? 0.0 : timeOneRun(baseline, database, sample);
    if (t < 0 || b < 0) {
      std::fprintf(stderr, "starter_match_timing: a run failed\n");
      std::filesystem::remove(sample);
      return 1;
    }
    times.push_back(t);
    baseTimes.push_back(b);
  }
  std::filesystem::remove(sample);
  const double ms = median(times) * 1000.0;
  std::printf("match --method 7, one sample, %s: median %.1f ms, fastest "
              "%.1f ms over %d runs (target 60 ms: %s)\n",
              database.c_str(), ms,
              *std::min_element(times.begin(), times.end()) * 1000.0, runs,
              ms < 60.0 ? "met" : "missed");
  if (!baseline.empty()) {
    const double baseMs = median(baseTimes) * 1000.0;
    std::printf("baseline %s: median %.1f ms; this over baseline %.3fx\n",
                baseline.c_str(), baseMs, ms / baseMs);
  }
  return 0;
}
