#include "tests/support/cli_harness.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>

#include "cli/cli_runner.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace testing {

CliResult runCliCaptured(const std::vector<std::string>& args,
                         const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  CliResult result;
  result.status = runCli(args, in, out, err);
  result.out = out.str();
  result.err = err.str();
  return result;
}

CliResult runProgram(const std::string& program,
                     const std::vector<std::string>& args,
                     const std::string& input) {
  // Files rather than pipes: no deadlock however much the program writes.
  TempDir dir;
  const std::string inPath = dir.write("stdin", input);
  const std::string outPath = dir.file("stdout");
  const std::string errPath = dir.file("stderr");

  // Everything the child needs is made before fork: after it, the child
  // only calls async-signal-safe functions.
  std::vector<std::string> argvStrings;
  argvStrings.push_back(program);
  argvStrings.insert(argvStrings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : argvStrings) argv.push_back(s.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int in = open(inPath.c_str(), O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  CliResult result;
  if (WIFEXITED(wstatus)) {
    result.status = WEXITSTATUS(wstatus);
  } else if (WIFSIGNALED(wstatus)) {
    result.status = 128 + WTERMSIG(wstatus);
  }
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  return result;
}

}  // namespace testing
}  // namespace letterfreq
