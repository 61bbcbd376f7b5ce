#include "cli/interrupt.h"

#include <signal.h>

namespace letterfreq {
namespace {

// Touched by a signal handler: lock-free atomics only.
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<bool> interrupted{false};
std::atomic<int> interruptingSignal{0};

void onInterrupt(int signalNumber) {
  int none = 0;
  if (!interruptingSignal.compare_exchange_strong(none, signalNumber)) {
    // The second time the user means it.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
    return;
  }
  interrupted.store(true);
}

}  // namespace

void installInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

const std::atomic<bool>* interruptFlag() { return &interrupted; }

int interruptSignal() { return interruptingSignal.load(); }

}  // namespace letterfreq
