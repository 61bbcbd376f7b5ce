#include "app/sample_meter.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include "widgets/progress_meter.h"

namespace letterfreq {
namespace {

// The load's end only needs to wake the event loop; the loop then sees it.
void wakeOnly(int, void*) {}

void showProgress(ProgressMeter& meter, const SampleLoadJob& job) {
  const uint64_t bytes = job.bytesRead();
  const int64_t total = job.totalBytes();
  meter.progress(loadedShare(bytes, total));
  const std::string text = loadingText(bytes, total);
  if (text != meter.message()) meter.message(text);
}

// Runs the toolkit under the modal meter until the load ends or the meter
// is hidden (its "Cancel", its close box, or the owner's close), which
// cancels the load. No event is handled after that: the meter no longer
// locks the window, and the load ends within a fraction of a second.
void watchUnderMeter(Fl_Window& owner, SampleLoadJob& job) {
  ProgressMeter meter(SAMPLE_LOADING_TEXT);
  showProgress(meter, job);
  meter.start(&owner);
  const int finishedFd = job.finishedFd();
  if (finishedFd >= 0) Fl::add_fd(finishedFd, FL_READ, wakeOnly);
  while (!job.finished()) {
    if (!meter.shown()) {
      job.cancel();
      break;
    }
    showProgress(meter, job);
    Fl::wait(METER_REFRESH_SECONDS);
  }
  if (finishedFd >= 0) Fl::remove_fd(finishedFd);
  meter.finish();
}

}  // namespace

LoadedSample loadSampleWithMeter(Fl_Window& owner,
                                 const std::string& sampleText,
                                 const SampleLimits& limits,
                                 std::chrono::milliseconds delay) {
  SampleLoadJob job(sampleText, limits);
  if (!job.waitFor(delay)) watchUnderMeter(owner, job);
  return job.take();
}

}  // namespace letterfreq
