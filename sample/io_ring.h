// A small io_uring of the Linux kernel, driven through its system calls:
// many file operations handed to the kernel in one call and their results
// collected. Made for batches whose every operation is waited for before
// the next batch is queued. Where the kernel has none (too old, disabled,
// refused by a sandbox) the ring does not open and the caller does the
// work the plain way.
#pragma once

#include <linux/io_uring.h>

#include <cstddef>
#include <cstdint>

namespace letterfreq {

class IoRing {
 public:
  // Room for `entries` operations at a time (rounded up by the kernel).
  explicit IoRing(unsigned entries);
  ~IoRing();
  IoRing(const IoRing&) = delete;
  IoRing& operator=(const IoRing&) = delete;

  // False when the kernel gave no ring: the operations cannot be queued.
  bool usable() const { return fd_ >= 0; }
  unsigned capacity() const { return entries_; }
  // The kernel's IORING_FEAT_* flags of this ring (0 when unusable).
  uint32_t features() const { return features_; }

  // Makes `count` empty slots for direct descriptors (files the ring
  // opens for its own later entries, never in the process's table).
  bool registerFileSlots(unsigned count);

  // The next free entry, zeroed, or null when `capacity` are queued.
  io_uring_sqe* queue();
  // Hands the queued entries to the kernel and waits until all of them
  // have completed; each completion is given to `onResult(userData,
  // result)`. False when the kernel refused the call: the ring is then
  // unusable, and entries it did not take are lost (their results are
  // never told).
  template <class OnResult>
  bool run(OnResult&& onResult) {
    unsigned expected = queued_;
    if (!submit(expected)) return false;
    while (expected > 0) {
      const unsigned got = reap(onResult);
      expected -= got;
      if (expected > 0 && got == 0 && !waitFor(expected)) return false;
    }
    return true;
  }

 private:
  // Submits what is queued, waiting for `wait` completions in the same
  // call (one system call for a whole batch).
  bool submit(unsigned wait);
  bool waitFor(unsigned count);
  template <class OnResult>
  unsigned reap(OnResult& onResult) {
    unsigned head = *cqHead_;
    const unsigned tail = __atomic_load_n(cqTail_, __ATOMIC_ACQUIRE);
    unsigned count = 0;
    for (; head != tail; ++head, ++count) {
      const io_uring_cqe& done = cqes_[head & cqMask_];
      onResult(done.user_data, done.res);
    }
    __atomic_store_n(cqHead_, head, __ATOMIC_RELEASE);
    return count;
  }
  void unmap();

  int fd_ = -1;
  unsigned entries_ = 0;
  uint32_t features_ = 0;
  unsigned queued_ = 0;
  void* rings_ = nullptr;
  size_t ringsSize_ = 0;
  io_uring_sqe* sqes_ = nullptr;
  size_t sqesSize_ = 0;
  unsigned* sqTail_ = nullptr;
  unsigned* sqHead_ = nullptr;
  unsigned sqMask_ = 0;
  unsigned* sqArray_ = nullptr;
  unsigned* cqHead_ = nullptr;
  unsigned* cqTail_ = nullptr;
  unsigned cqMask_ = 0;
  io_uring_cqe* cqes_ = nullptr;
};

}  // namespace letterfreq
