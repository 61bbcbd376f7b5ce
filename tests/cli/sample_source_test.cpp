// letterfreq-cli on sources other than plain files and well-behaved
// servers: a FIFO is counted to its end like a file; a FIFO nobody writes
// and /dev/zero run until Ctrl-C or SIGTERM, which end the program cleanly
// with 128 + the signal's number; an address with control bytes is refused
// before anything reaches the wire.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/cli_harness.h"
#include "tests/support/loopback_server.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::CliResult;
using testing::readFile;
using testing::runCliCaptured;

// Generous: the machine is shared. An unbounded wait would never end.
constexpr milliseconds SLACK{5000};

// The program running on its own, standard output and error to files,
// standard input from `input` (opened for reading and writing, so that a
// FIFO never blocks the open and never ends).
class RunningCli {
 public:
  RunningCli(const testing::TempDir& dir, std::vector<std::string> args,
             const std::string& input = "/dev/null")
      : outPath_(dir.file("stdout")), errPath_(dir.file("stderr")) {
    args.insert(args.begin(), LETTERFREQ_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      const int in = open(input.c_str(), O_RDWR);
      const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 ||
          dup2(out, 1) < 0 || dup2(err, 2) < 0) {
        _exit(126);
      }
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  ~RunningCli() {
    if (pid_ > 0 && status_ < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool started() const { return pid_ > 0; }
  void signal(int number) { kill(pid_, number); }

  // True once the program holds `path` open, within `wait`: it has set
  // up its signal handlers by then (a slow start, under a sanitizer say,
  // would otherwise meet the signal's default action).
  bool holdsOpen(const std::string& path, milliseconds wait) const {
    const std::string fds = "/proc/" + std::to_string(pid_) + "/fd";
    const Clock::time_point deadline = Clock::now() + wait;
    do {
      std::error_code error;
      for (const auto& fd : std::filesystem::directory_iterator(fds, error)) {
        std::error_code unread;
        if (std::filesystem::read_symlink(fd.path(), unread) == path) {
          return true;
        }
      }
      std::this_thread::sleep_for(milliseconds(10));
    } while (Clock::now() < deadline);
    return false;
  }

  // The exit status (128 + signal when killed) once it ends within
  // `wait`, else -1.
  int waitFor(milliseconds wait) {
    const Clock::time_point deadline = Clock::now() + wait;
    while (status_ < 0 && Clock::now() < deadline) {
      int wstatus = 0;
      if (waitpid(pid_, &wstatus, WNOHANG) == pid_) {
        status_ = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus)
                                     : 128 + WTERMSIG(wstatus);
        break;
      }
      std::this_thread::sleep_for(milliseconds(10));
    }
    return status_;
  }

  std::string out() const { return readFile(outPath_); }
  std::string err() const { return readFile(errPath_); }

 private:
  std::string outPath_;
  std::string errPath_;
  pid_t pid_ = -1;
  int status_ = -1;
};

class SampleSourceTest : public ::testing::Test {
 protected:
  std::string makeFifo(const std::string& name) {
    const std::string path = dir.file(name);
    EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
    return path;
  }

  testing::TempDir dir;
};

TEST_F(SampleSourceTest, AFifoIsCountedToItsEndAsAFileIs) {
  const std::string text = "<p>Gallia est omnis &amp; divisa</p>\r\n";
  const std::string fifo = makeFifo("sample.fifo");
  std::thread writer([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    for (int i = 0; i < 3; ++i) {
      if (write(fd, text.data(), text.size()) < 0) break;
      std::this_thread::sleep_for(milliseconds(50));
    }
    close(fd);
  });
  const CliResult fromFifo = runCliCaptured({"count", fifo});
  writer.join();
  const CliResult fromFile =
      runCliCaptured({"count", dir.write("same.txt", text + text + text)});
  EXPECT_EQ(fromFifo.status, 0);
  EXPECT_EQ(fromFifo.err, "");
  const auto body = [](const std::string& out) {
    return out.substr(out.find('\n'));  // after the "sample" line
  };
  EXPECT_EQ(body(fromFifo.out), body(fromFile.out));
}

TEST_F(SampleSourceTest, InterruptEndsAReadThatWouldNeverEnd) {
  struct Case {
    const char* what;
    int signalNumber;
    std::vector<std::string> args;
  };
  const std::string silent = makeFifo("silent.fifo");
  const std::string db = dir.file("ling2.db");
  const Case cases[] = {
      {"count on a FIFO nobody writes, Ctrl-C", SIGINT, {"count", silent}},
      {"count on a FIFO nobody writes, SIGTERM", SIGTERM, {"count", silent}},
      {"count /dev/zero, which never ends", SIGINT, {"count", "/dev/zero"}},
      {"match on a FIFO", SIGINT, {"match", "--db", db, silent}},
      {"add on a FIFO", SIGINT,
       {"add", "--db", db, "--language", "Latin", silent}},
  };
  ASSERT_EQ(runCliCaptured({"add", "--db", db, "--language", "Latin",
                            dir.write("latin.txt", "Gallia")})
                .status,
            0);
  const std::string stored = readFile(db);
  for (const Case& each : cases) {
    SCOPED_TRACE(each.what);
    RunningCli cli(dir, each.args);
    ASSERT_TRUE(cli.started());
    ASSERT_TRUE(cli.holdsOpen(each.args.back(), SLACK));
    // Still reading after a while: it would never end on its own.
    EXPECT_EQ(cli.waitFor(milliseconds(300)), -1);
    cli.signal(each.signalNumber);
    EXPECT_EQ(cli.waitFor(SLACK), 128 + each.signalNumber);
    // The sample it was reading, then the interrupt.
    EXPECT_EQ(cli.err(), "letterfreq-cli: " + each.args.back() + ": " +
                             "The sample's loading was cancelled.\n"
                             "letterfreq-cli: interrupted\n");
  }
  EXPECT_EQ(readFile(db), stored);  // add stored nothing
}

TEST_F(SampleSourceTest, InterruptEndsDetectLinesWithoutAnsweringACutLine) {
  const std::string db = dir.file("ling2.db");
  ASSERT_EQ(runCliCaptured({"add", "--db", db, "--language", "English",
                            dir.write("english.txt", "the lazy dog")})
                .status,
            0);
  const std::string fifo = makeFifo("lines.fifo");
  RunningCli cli(dir, {"detect", "--db", db, "--lines"}, fifo);
  ASSERT_TRUE(cli.started());
  const int writer = open(fifo.c_str(), O_RDWR);
  ASSERT_GE(writer, 0);
  const std::string lines = "The quick brown fox jumps over the lazy dog\nDer";
  ASSERT_EQ(write(writer, lines.data(), lines.size()),
            static_cast<ssize_t>(lines.size()));
  // The first answer shows that the handlers are in place (a signal before
  // that would end the program with the default action). Until the program
  // has opened its output the file is missing, which is no answer either.
  const auto answered = [&] {
    std::error_code missing;
    const auto size = std::filesystem::file_size(dir.file("stdout"), missing);
    return !missing && size > 0;
  };
  const Clock::time_point deadline = Clock::now() + 6 * SLACK;
  while (!answered() && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  ASSERT_TRUE(answered()) << "no answer to the first line";
  EXPECT_EQ(cli.waitFor(milliseconds(100)), -1);  // waits for more lines
  cli.signal(SIGINT);
  EXPECT_EQ(cli.waitFor(SLACK), 128 + SIGINT);
  close(writer);
  const std::string answers = cli.out();
  EXPECT_EQ(answers.rfind("1\t", 0), 0u) << answers;
  EXPECT_EQ(std::count(answers.begin(), answers.end(), '\n'), 1)
      << "the cut line \"Der\" gets no answer";
  EXPECT_EQ(cli.err(), "letterfreq-cli: interrupted\n");
}

TEST_F(SampleSourceTest, AnAddressWithControlBytesSendsNothing) {
  testing::LoopbackServer server("HTTP/1.0 200 OK\r\n\r\nok");
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) +
                          "/a\r\nX-Injected: yes\r\n\r\nGET /second";
  const CliResult result = runCliCaptured({"count", url});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("URL couldn't be opened! (the address holds the "
                            "control byte 13 at position " +
                            std::to_string(url.find('\r') + 1) + ")"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(server.request(), "");  // no connection, no byte on the wire
}

TEST_F(SampleSourceTest, EveryOtherByteOfAnAddressGoesOnTheWireAsTyped) {
  testing::LoopbackServer server("HTTP/1.0 200 OK\r\n\r\nok");
  std::string path = "/a b\"<>{}|\\^`~%zz?q=1#frag";
  for (int byte = 128; byte < 256; ++byte) path += static_cast<char>(byte);
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  const CliResult result = runCliCaptured({"count", "http://" + host + path});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(server.request(),
            "GET " + path + " HTTP/1.0\nHost: " + host + "\n\n");
}

TEST_F(SampleSourceTest, SampleNamesInMessagesHoldNoTerminalControls) {
  // A file name that would clear the screen if printed as it is.
  const std::string missing = dir.file("x\x1b[2J\ty");
  const std::string shown = dir.path() + "/x\\x1b[2J\\ty";
  CliResult result = runCliCaptured({"count", missing});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "letterfreq-cli: " + shown +
                ": File couldn't be opened! (No such file or directory)\n");

  testing::LoopbackServer server("HTTP/1.0 404 Not Found\r\n\r\nmissing");
  const std::string url =
      "http://127.0.0.1:" + std::to_string(server.port()) + "/\x9b" + "2J";
  result = runCliCaptured({"count", url});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "warning: http://127.0.0.1:" +
                            std::to_string(server.port()) +
                            "/\\x9b2J: the server answered \"HTTP/1.0 404 Not "
                            "Found\"\n");
}

}  // namespace
}  // namespace letterfreq
