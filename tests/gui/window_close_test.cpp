// Closing the main window while a load runs ends the load and the program,
// with no window manager (as under this Xvfb): each case runs the window
// and its event loop in a child process, as main() does, closes it the way
// a close box does while the load's meter is up, and waits for the process
// to end.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/window.h"
#include "db/record_file.h"
#include "profiles/entry_add.h"
#include "tests/gui/gui_support.h"
#include "tests/support/temp_dir.h"

extern char** environ;

namespace letterfreq {
namespace {

// The child's orders: "sample:NAME" or "database:NAME".
constexpr const char* CASE_VARIABLE = "LETTERFREQ_CLOSE_CASE";

// Closes the window once a load's modal meter is up; looks again until.
void closeWhenTheMeterIsUp(void* data) {
  auto* window = static_cast<Window*>(data);
  if (Fl::modal() != nullptr && Fl::modal() != window) {
    Fl::handle(FL_CLOSE, window);  // what the close box sends
    return;
  }
  Fl::repeat_timeout(0.02, closeWhenTheMeterIsUp, data);
}

void startTheLoad(void* data) {
  auto* window = static_cast<Window*>(data);
  const std::string order = std::getenv(CASE_VARIABLE);
  const std::string name = order.substr(order.find(':') + 1);
  // Typed into its field and started with Enter, as a user does: the
  // field has the focus while the load runs.
  if (order.rfind("sample:", 0) == 0) {
    window->sampleInput->value(name.c_str());
    window->sampleInput->take_focus();
    window->goButton->do_callback();
  } else {
    window->databaseInput->value(name.c_str());
    window->databaseInput->take_focus();
    window->openDbButton->do_callback();
  }
}

// Run in the child only: the window and its event loop, until no window
// is left; then the process ends at once.
TEST(WindowCloseChild, RunsTheWindowUntilItCloses) {
  if (std::getenv(CASE_VARIABLE) == nullptr) GTEST_SKIP() << "a child's part";
  testing::RecordedDialogs dialogs;
  Window window(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
  Fl::add_timeout(0.0, startTheLoad, &window);
  Fl::add_timeout(0.02, closeWhenTheMeterIsUp, &window);
  Fl::run();
  std::_Exit(dialogs.alerts.empty() ? 0 : 3);
}

// Runs the child's part for `order`; its exit status, or -1 when it is
// still running after `limit` (then it is killed).
int childStatus(const std::string& order, std::chrono::seconds limit) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
  env.push_back(std::string(CASE_VARIABLE) + "=" + order);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string self = "/proc/self/exe";
  std::string filter = "--gtest_filter=WindowCloseChild.*";
  char* argv[] = {self.data(), filter.data(), nullptr};
  const pid_t child = ::fork();
  if (child == 0) {
    ::execve("/proc/self/exe", argv, envp.data());
    ::_exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

constexpr std::chrono::seconds LIMIT{15};

// The load starts from a timeout, as `letterfreq FILE` starts it: the
// toolkit's wait it returns into must not sleep on with no window left.
TEST(WindowCloseTest, ClosingDuringASampleLoadEndsTheProgram) {
  LETTERFREQ_NEEDS_DISPLAY();
  testing::TempDir dir;
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(childStatus("sample:" + fifo, LIMIT), 0);
  EXPECT_EQ(childStatus("sample:/dev/urandom", LIMIT), 0);
}

TEST(WindowCloseTest, ClosingDuringADatabaseLoadEndsTheProgram) {
  LETTERFREQ_NEEDS_DISPLAY();
  testing::TempDir dir;
  RecordFile file(dir.file("large.db"));
  LetterProfile sample;
  sample.counts[int{'a'}] = 3;
  sample.sortOrder();
  std::vector<NewEntry> entries;
  const EntryToAdd entry{"Latin", "e", "sample.txt"};
  for (int i = 0; i < 40000; ++i) entries.push_back({entry, sample, nullptr});
  storeEntries(file, entries);
  EXPECT_EQ(childStatus("database:" + file.fileName(), LIMIT), 0);
}

}  // namespace
}  // namespace letterfreq
