#include "widgets/progress_meter.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <gtest/gtest.h>

#include <cmath>
#include <chrono>
#include <limits>
#include <thread>

#include "tests/gui/gui_support.h"
#include "widgets/plain_label.h"
#include "widgets/progress_bar.h"

namespace letterfreq {
namespace {

TEST(ProgressBarTest, RangeIsZeroToOne) {
  ProgressBar bar(0, 0, 75, 15);
  EXPECT_EQ(bar.minimum(), 0.0f);
  EXPECT_EQ(bar.maximum(), 1.0f);
}

TEST(ProgressBarTest, SharesOutsideTheRangeAreHeld) {
  EXPECT_EQ(clampShare(0.25), 0.25f);
  EXPECT_EQ(clampShare(-0.5), 0.0f);
  EXPECT_EQ(clampShare(1.5), 1.0f);
  EXPECT_EQ(clampShare(std::numeric_limits<double>::quiet_NaN()), 0.0f);
  EXPECT_EQ(clampShare(std::numeric_limits<double>::infinity()), 1.0f);
}

TEST(PlainLabelTest, DoublesEveryAt) {
  EXPECT_EQ(plainLabel("Caesar"), "Caesar");
  EXPECT_EQ(plainLabel("a @-> b @@"), "a @@-> b @@@@");
  EXPECT_EQ(plainLabel(""), "");
}

TEST(ProgressMeterTest, CancelHidesTheMeter) {
  LETTERFREQ_NEEDS_DISPLAY();
  Fl_Double_Window owner(600, 400, "owner");
  owner.end();
  owner.show();
  ProgressMeter meter("Loading database...");
  meter.start(&owner);
  EXPECT_TRUE(meter.shown());
  EXPECT_EQ(Fl::modal(), &meter);
  EXPECT_STREQ(meter.label(), "Loading database...");
  meter.progress(0.25f);
  meter.message("Latin @ home");
  Fl::check();
  EXPECT_EQ(meter.progress(), 0.25f);
  EXPECT_EQ(meter.message(), "Latin @ home");
  EXPECT_STREQ(meter.cancelButton()->label(), "Cancel");

  meter.cancelButton()->do_callback();
  EXPECT_FALSE(meter.shown());
  EXPECT_EQ(Fl::modal(), nullptr);
}

TEST(ProgressMeterTest, StepsShowAtMostEveryIntervalAndAnswerCancel) {
  LETTERFREQ_NEEDS_DISPLAY();
  ProgressMeter meter("Loading database...");
  meter.start(nullptr);
  const auto first = std::chrono::steady_clock::now();
  EXPECT_TRUE(meter.step(0.1f, "Latin"));  // the first step always shows
  EXPECT_EQ(meter.progress(), 0.1f);
  EXPECT_EQ(meter.message(), "Latin");
  EXPECT_TRUE(meter.step(0.2f, "Greek"));
  // Too soon to be shown, unless a busy machine made the step late.
  if (std::chrono::steady_clock::now() - first < ProgressMeter::STEP_INTERVAL) {
    EXPECT_EQ(meter.progress(), 0.1f);
    EXPECT_EQ(meter.message(), "Latin");
  }
  std::this_thread::sleep_for(ProgressMeter::STEP_INTERVAL +
                              std::chrono::milliseconds(5));
  EXPECT_TRUE(meter.step(0.3f, "Greek"));
  EXPECT_EQ(meter.progress(), 0.3f);
  EXPECT_EQ(meter.message(), "Greek");
  meter.cancelButton()->do_callback();
  EXPECT_FALSE(meter.step(0.4f, "Greek"));  // a cancel is seen at once
}

TEST(ProgressMeterTest, ClosingTheMeterCancelsToo) {
  LETTERFREQ_NEEDS_DISPLAY();
  ProgressMeter meter("Loading database...");
  meter.start(nullptr);
  meter.do_callback();  // what the window's close box does
  EXPECT_FALSE(meter.shown());
}

TEST(ProgressMeterTest, ClosingTheOwnerCancelsAndClosesIt) {
  LETTERFREQ_NEEDS_DISPLAY();
  Fl_Double_Window owner(600, 400, "owner");
  owner.end();
  owner.show();
  const Fl_Event_Dispatch before = Fl::event_dispatch();
  {
    ProgressMeter meter("Loading database...");
    meter.start(&owner);
    // A modal window makes the toolkit drop other windows' closes.
    Fl::handle(FL_CLOSE, &owner);
    EXPECT_FALSE(meter.shown());  // the work sees its cancel
    EXPECT_FALSE(owner.shown());  // and the owner closed as asked
    meter.finish();
  }
  EXPECT_EQ(Fl::event_dispatch(), before);
}

}  // namespace
}  // namespace letterfreq
