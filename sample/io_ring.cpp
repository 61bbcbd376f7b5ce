#include "sample/io_ring.h"

#include <errno.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace letterfreq {

namespace {

int ringSetup(unsigned entries, io_uring_params* params) {
#ifdef __NR_io_uring_setup
  return static_cast<int>(syscall(__NR_io_uring_setup, entries, params));
#else
  (void)entries;
  (void)params;
  errno = ENOSYS;
  return -1;
#endif
}

int ringEnter(int fd, unsigned submit, unsigned wait, unsigned flags) {
#ifdef __NR_io_uring_enter
  return static_cast<int>(
      syscall(__NR_io_uring_enter, fd, submit, wait, flags, nullptr, 0));
#else
  (void)fd;
  (void)submit;
  (void)wait;
  (void)flags;
  errno = ENOSYS;
  return -1;
#endif
}

template <class T>
T* at(void* base, uint32_t offset) {
  return reinterpret_cast<T*>(static_cast<char*>(base) + offset);
}

}  // namespace

IoRing::IoRing(unsigned entries) {
  io_uring_params params;
  std::memset(&params, 0, sizeof params);
  fd_ = ringSetup(entries, &params);
  if (fd_ < 0) return;
  // One mapping for both rings is all this ring supports: kernels without
  // it are old enough to lack the file operations too.
  if ((params.features & IORING_FEAT_SINGLE_MMAP) == 0) {
    close(fd_);
    fd_ = -1;
    return;
  }
  ringsSize_ = std::max<size_t>(
      params.sq_off.array + params.sq_entries * sizeof(unsigned),
      params.cq_off.cqes + params.cq_entries * sizeof(io_uring_cqe));
  rings_ = mmap(nullptr, ringsSize_, PROT_READ | PROT_WRITE,
                MAP_SHARED | MAP_POPULATE, fd_, IORING_OFF_SQ_RING);
  sqesSize_ = params.sq_entries * sizeof(io_uring_sqe);
  void* sqes = mmap(nullptr, sqesSize_, PROT_READ | PROT_WRITE,
                    MAP_SHARED | MAP_POPULATE, fd_, IORING_OFF_SQES);
  if (rings_ == MAP_FAILED || sqes == MAP_FAILED) {
    if (rings_ == MAP_FAILED) rings_ = nullptr;
    if (sqes != MAP_FAILED) munmap(sqes, sqesSize_);
    unmap();
    return;
  }
  sqes_ = static_cast<io_uring_sqe*>(sqes);
  entries_ = params.sq_entries;
  features_ = params.features;
  sqHead_ = at<unsigned>(rings_, params.sq_off.head);
  sqTail_ = at<unsigned>(rings_, params.sq_off.tail);
  sqMask_ = *at<unsigned>(rings_, params.sq_off.ring_mask);
  sqArray_ = at<unsigned>(rings_, params.sq_off.array);
  cqHead_ = at<unsigned>(rings_, params.cq_off.head);
  cqTail_ = at<unsigned>(rings_, params.cq_off.tail);
  cqMask_ = *at<unsigned>(rings_, params.cq_off.ring_mask);
  cqes_ = at<io_uring_cqe>(rings_, params.cq_off.cqes);
}

IoRing::~IoRing() { unmap(); }

void IoRing::unmap() {
  if (sqes_ != nullptr) munmap(sqes_, sqesSize_);
  if (rings_ != nullptr) munmap(rings_, ringsSize_);
  sqes_ = nullptr;
  rings_ = nullptr;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  entries_ = 0;
  features_ = 0;
}

bool IoRing::registerFileSlots(unsigned count) {
#ifdef __NR_io_uring_register
  if (!usable()) return false;
  std::vector<int> empty(count, -1);
  return syscall(__NR_io_uring_register, fd_, IORING_REGISTER_FILES,
                 empty.data(), count) == 0;
#else
  (void)count;
  return false;
#endif
}

io_uring_sqe* IoRing::queue() {
  if (!usable() || queued_ >= entries_) return nullptr;
  const unsigned tail = *sqTail_ + queued_;
  const unsigned index = tail & sqMask_;
  sqArray_[index] = index;
  io_uring_sqe* entry = &sqes_[index];
  std::memset(entry, 0, sizeof *entry);
  ++queued_;
  return entry;
}

bool IoRing::submit(unsigned wait) {
  if (queued_ == 0) return true;
  if (!usable()) return false;
  __atomic_store_n(sqTail_, *sqTail_ + queued_, __ATOMIC_RELEASE);
  unsigned left = queued_;
  queued_ = 0;
  while (left > 0) {
    const int taken = ringEnter(fd_, left, wait, IORING_ENTER_GETEVENTS);
    if (taken < 0 && (errno == EINTR || errno == EAGAIN || errno == EBUSY)) {
      continue;
    }
    if (taken <= 0) {
      unmap();
      return false;
    }
    left -= static_cast<unsigned>(taken);
  }
  return true;
}

bool IoRing::waitFor(unsigned count) {
  for (;;) {
    if (ringEnter(fd_, 0, count, IORING_ENTER_GETEVENTS) >= 0) return true;
    if (errno != EINTR && errno != EAGAIN && errno != EBUSY) {
      unmap();
      return false;
    }
    // Interrupted (a signal, Ctrl-C): the operations go on; wait again.
    if (*cqHead_ != __atomic_load_n(cqTail_, __ATOMIC_ACQUIRE)) return true;
  }
}

}  // namespace letterfreq
