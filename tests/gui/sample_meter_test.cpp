// "Go" on sources that take long: a server that stalls, a FIFO nobody
// writes, a server that never stops. The real window loads on a worker
// thread; a modal meter opens once the load has taken a while, its Cancel
// keeps the earlier sample, and closing the window ends the load. A load
// that finishes at once shows no meter, and a load counted under the meter
// gives the same profile as one counted directly.
#include "app/sample_meter.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/window.h"
#include "sample/ngram_counter.h"
#include "sample/sample_loader.h"
#include "tests/gui/gui_support.h"
#include "tests/support/hostile_servers.h"
#include "tests/support/temp_dir.h"
#include "widgets/progress_meter.h"
#include "widgets/tree_browser.h"

namespace letterfreq {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using testing::LoopbackServer;
using testing::openedRows;

// Generous: the machine is shared. An unbounded load would never end.
constexpr milliseconds SLACK{2000};

// The meter while it is up, or null.
ProgressMeter* shownMeter() {
  return dynamic_cast<ProgressMeter*>(Fl::modal());
}

// Looks at the toolkit every few milliseconds while "Go" runs: records
// whether the sample meter was up, what it said, and hands it to `act`
// (once) when `ready` says so.
class MeterWatch {
 public:
  using Act = std::function<void(ProgressMeter&)>;
  using Ready = std::function<bool(const ProgressMeter&)>;

  explicit MeterWatch(Act act = nullptr, Ready ready = nullptr)
      : act_(std::move(act)), ready_(std::move(ready)) {
    Fl::add_timeout(0.0, tick, this);
  }
  ~MeterWatch() { Fl::remove_timeout(tick, this); }

  bool seen = false;
  bool modal = false;  // the meter was the modal window
  std::string title;
  std::vector<std::string> messages;
  Clock::time_point actedAt{};

 private:
  static void tick(void* data) {
    auto& watch = *static_cast<MeterWatch*>(data);
    if (ProgressMeter* meter = shownMeter()) watch.look(*meter);
    Fl::repeat_timeout(0.01, tick, data);
  }

  void look(ProgressMeter& meter) {
    seen = true;
    modal = Fl::modal() == &meter;
    title = meter.label() ? meter.label() : "";
    if (messages.empty() || messages.back() != meter.message()) {
      messages.push_back(meter.message());
    }
    if (act_ && (!ready_ || ready_(meter))) {
      actedAt = Clock::now();
      Act act = std::move(act_);
      act_ = nullptr;
      act(meter);
    }
  }

  Act act_;
  Ready ready_;
};

void pressCancel(ProgressMeter& meter) {
  meter.cancelButton()->do_callback();
}

std::string loopbackUrl(int port) {
  return "http://127.0.0.1:" + std::to_string(port) + "/";
}

// True when this process holds a descriptor open on `path`.
bool holdsOpen(const std::string& path) {
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return false;
  bool found = false;
  char target[4096];
  while (dirent* entry = readdir(fds)) {
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length > 0 && std::string(target, length) == path) found = true;
  }
  closedir(fds);
  return found;
}

class SampleMeterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LETTERFREQ_NEEDS_DISPLAY();
    window =
        std::make_unique<Window>(WINDOW_WIDTH, WINDOW_HEIGHT, WINDOW_TITLE);
    Fl::check();
  }

  // Types `text` into sampleInput and presses "Go"; how long it took.
  milliseconds go(const std::string& text) {
    window->sampleInput->value(text.c_str());
    const Clock::time_point start = Clock::now();
    window->goButton->do_callback();
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  }

  // An earlier sample on show, which a cancelled load must keep.
  void loadEarlierSample() {
    go(dir.write("earlier.txt", "Gallia est omnis divisa"));
    ASSERT_TRUE(window->sampleLoaded);
    earlierRows = openedRows(*window->sampleTree);
    earlierCounts = window->sampleProfile.counts;
  }

  void expectEarlierSampleKept() {
    EXPECT_TRUE(window->sampleLoaded);
    EXPECT_EQ(openedRows(*window->sampleTree), earlierRows);
    EXPECT_EQ(window->sampleProfile.counts, earlierCounts);
    EXPECT_EQ(window->sampleProfile.sampleCount, 1);
    EXPECT_TRUE(dialogs.alerts.empty());
  }

  testing::TempDir dir;
  testing::RecordedDialogs dialogs;
  std::unique_ptr<Window> window;
  std::vector<std::string> earlierRows;
  std::array<int32_t, PROFILE_SLOTS> earlierCounts{};
};

TEST_F(SampleMeterTest, AFastLoadShowsNoMeter) {
  MeterWatch watch;
  go(dir.write("quick.txt", "Hello"));
  EXPECT_FALSE(watch.seen);
  EXPECT_TRUE(window->sampleLoaded);
  EXPECT_EQ(window->sampleProfile.counts['l'], 2);
}

TEST_F(SampleMeterTest, CancelOnAStalledServerKeepsTheEarlierSample) {
  loadEarlierSample();
  std::promise<void> clientGone;
  LoopbackServer server([&clientGone](Socket& connection) {
    testing::readRequest(connection);
    connection.writeRaw(std::string(testing::OK_HEAD) + "abc");
    testing::waitForClose(connection);  // stalls until the client goes
    clientGone.set_value();
  });
  // Cancelled once the meter has shown the head and "abc".
  const std::string arrived = loadingText(22, -1);
  MeterWatch watch(pressCancel, [&arrived](const ProgressMeter& meter) {
    return meter.message() == arrived;
  });
  go(loopbackUrl(server.port()));
  const auto cancelTook = std::chrono::duration_cast<milliseconds>(
      Clock::now() - watch.actedAt);

  EXPECT_TRUE(watch.seen);
  EXPECT_TRUE(watch.modal);
  EXPECT_EQ(watch.title, SAMPLE_LOADING_TEXT);
  ASSERT_FALSE(watch.messages.empty());
  EXPECT_EQ(watch.messages.front().rfind(SAMPLE_LOADING_TEXT, 0), 0u);
  EXPECT_EQ(watch.messages.back(), arrived);
  EXPECT_LT(cancelTook, SLACK);
  expectEarlierSampleKept();
  EXPECT_EQ(shownMeter(), nullptr);
  // The connection was closed.
  EXPECT_EQ(clientGone.get_future().wait_for(SLACK), std::future_status::ready);
}

TEST_F(SampleMeterTest, CancelOnAFifoNobodyWritesKeepsTheEarlierSample) {
  loadEarlierSample();
  const std::string fifo = dir.file("silent.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  bool wasOpen = false;
  MeterWatch watch([&](ProgressMeter& meter) {
    wasOpen = holdsOpen(fifo);
    pressCancel(meter);
  });
  const milliseconds took = go(fifo);
  EXPECT_TRUE(watch.seen);
  EXPECT_EQ(watch.messages.front(), loadingText(0, -1));
  EXPECT_LT(took, METER_DELAY + SLACK);
  expectEarlierSampleKept();
  EXPECT_TRUE(wasOpen);
  EXPECT_FALSE(holdsOpen(fifo));
}

TEST_F(SampleMeterTest, AFifoCountedUnderTheMeterCountsAsAFile) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "<p>Gallia &amp; omnis</p>\r\n";
  const std::string fifo = dir.file("slow.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // Written in pieces over about a second, so that the meter opens.
  std::thread writer([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    for (size_t at = 0; at < text.size(); at += text.size() / 10) {
      const size_t length = std::min(text.size() / 10, text.size() - at);
      if (write(fd, text.data() + at, length) < 0) break;
      std::this_thread::sleep_for(milliseconds(100));
    }
    close(fd);
  });
  MeterWatch watch;
  go(fifo);
  writer.join();
  EXPECT_TRUE(watch.seen);
  ASSERT_TRUE(window->sampleLoaded);

  LetterProfile direct;
  NgramCounter directNgrams;
  std::string failure;
  CountingPass pass(directNgrams);
  ASSERT_TRUE(loadSample(dir.write("same.txt", text), direct, &failure, pass));
  direct.sortOrder();
  EXPECT_EQ(window->sampleProfile.counts, direct.counts);
  EXPECT_EQ(window->sampleProfile.order, direct.order);
  EXPECT_EQ(window->sampleProfile.sampleCount, 1);
  const uint32_t* counted = window->sampleFeatures.of(NGRAM_FEATURES).counts;
  EXPECT_EQ(std::vector<uint32_t>(counted, counted + NGRAM_BUCKETS),
            std::vector<uint32_t>(directNgrams.counts(),
                                  directNgrams.counts() + NGRAM_BUCKETS));
}

TEST_F(SampleMeterTest, ClosingTheWindowEndsTheLoad) {
  loadEarlierSample();
  LoopbackServer server(testing::silentSession());
  MeterWatch watch([this](ProgressMeter&) {
    // What the window manager's close button sends.
    Fl::handle(FL_CLOSE, window.get());
  });
  const milliseconds took = go(loopbackUrl(server.port()));
  EXPECT_TRUE(watch.seen);
  EXPECT_FALSE(window->shown());  // the event loop ends: no window is left
  EXPECT_EQ(shownMeter(), nullptr);
  EXPECT_LT(took, METER_DELAY + SLACK);
  expectEarlierSampleKept();
}

TEST_F(SampleMeterTest, AServerThatNeverStopsEndsAtTheOverallLimit) {
  LoopbackServer server(testing::endlessSession(testing::OK_HEAD, "abc "));
  window->sampleLimits.overallMs = 800;
  MeterWatch watch;
  const milliseconds took = go(loopbackUrl(server.port()));
  EXPECT_TRUE(watch.seen);
  EXPECT_GE(took, milliseconds(800));
  EXPECT_LT(took, milliseconds(800) + SLACK);
  // What arrived is the sample, as for a server that closed.
  EXPECT_TRUE(window->sampleLoaded);
  EXPECT_GT(window->sampleProfile.counts['a'], 0);
  EXPECT_TRUE(dialogs.alerts.empty());
}

}  // namespace
}  // namespace letterfreq
