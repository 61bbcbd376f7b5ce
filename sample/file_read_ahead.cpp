#include "sample/file_read_ahead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "sample/io_ring.h"

namespace letterfreq {

namespace {

std::atomic<bool> readAheadEnabled{true};

// Three entries a file: opening, reading and closing it.
constexpr unsigned RING_ENTRIES = 3 * FileReadAhead::GROUP_SIZE;

#ifndef IORING_FEAT_LINKED_FILE
#define IORING_FEAT_LINKED_FILE (1U << 12)
#endif

// The chains need a kernel that opens a file into a slot of the ring and
// gives that slot to the next entry of the chain only once it is filled.
// Older kernels take the slot too early (the read fails), and the oldest
// open into the process's table and take the slot's close for a close of
// descriptor 0.
bool readsLinkedSlots(const IoRing& ring) {
  return (ring.features() & IORING_FEAT_LINKED_FILE) != 0;
}

}  // namespace

void setFileReadAheadEnabled(bool enabled) { readAheadEnabled = enabled; }
bool fileReadAheadEnabled() { return readAheadEnabled; }

FileReadAhead::FileReadAhead(const std::vector<std::string>& names,
                             std::function<bool(const std::string&)> wanted)
    : names_(names), wanted_(std::move(wanted)) {}

// Out of line: IoRing is complete only here.
FileReadAhead::~FileReadAhead() = default;

FileAhead FileReadAhead::take(size_t index) {
  if (index >= groupEnd_ || index < groupStart_) readGroup(index);
  if (index < groupStart_ || index >= groupEnd_) return FileAhead();
  FileAhead taken = group_[index - groupStart_];
  group_[index - groupStart_] = FileAhead();
  return taken;
}

void FileReadAhead::readGroup(size_t first) {
  groupStart_ = first;
  groupEnd_ = std::min(names_.size(), first + GROUP_SIZE);
  group_.assign(groupEnd_ - groupStart_, FileAhead());
  if (!readAheadEnabled) return;
  if (!ring_) {
    // Made on the first group: a command with one sample makes none.
    ring_ = std::make_unique<IoRing>(RING_ENTRIES);
    if (readsLinkedSlots(*ring_) && ring_->registerFileSlots(GROUP_SIZE)) {
      slots_ = PageBlock(GROUP_SIZE * SLOT_SIZE);
    } else {
      ring_.reset(new IoRing(0));  // no slots: nothing is read ahead
    }
  }
  if (!ring_->usable() || ring_->capacity() < RING_ENTRIES) return;
  findRegularFiles();
  // A ring the kernel stops taking calls from leaves the whole group to
  // the plain reader (and every later one: the ring is then unusable).
  if (!readRegularFiles()) {
    group_.assign(group_.size(), FileAhead());
  }
}

// Looks at what each wanted name is without opening it: a FIFO a writer
// waits on is opened at its turn, by the plain reader, as it would be
// without the read-ahead. Notes the size of each regular file that fits a
// slot. Each name takes one plain stat, which opens no descriptor: the
// ring's own statx runs in a worker thread of the kernel, whose hand-offs
// cost more than the call (a batch of 30,000 snippets took 1.5x the CPU
// time).
void FileReadAhead::findRegularFiles() {
  sizes_.assign(group_.size(), -1);
  for (size_t i = 0; i < group_.size(); ++i) {
    const std::string& name = names_[groupStart_ + i];
    if (!isFileSample(name) || name.find('\0') != std::string::npos ||
        !wanted_(name)) {
      continue;
    }
    struct stat status;  // links are followed, as opening follows them
    if (stat(name.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
        status.st_size < static_cast<off_t>(SLOT_SIZE)) {
      sizes_[i] = static_cast<int64_t>(status.st_size);
    }
  }
}

// Opens, reads and closes each regular file that fits a slot, in one
// chain a file, the opened file living in the ring's own slot; a file
// whose read shows all of it (a short read past its size, or none at all)
// becomes Whole, any other is left to the plain reader.
bool FileReadAhead::readRegularFiles() {
  for (size_t i = 0; i < group_.size(); ++i) {
    if (sizes_[i] >= 0) queueRead(i);
  }
  return ring_->run([this](uint64_t code, int result) {
    const size_t i = static_cast<size_t>(code / 3);
    if (code % 3 != 1 || i >= group_.size()) return;
    const int64_t size = sizes_[i];
    const bool whole =
        result == 0 || (result > 0 && size > 0 && result >= size &&
                        static_cast<size_t>(result) < SLOT_SIZE);
    if (!whole) return;
    FileAhead& ahead = group_[i];
    ahead.kind = FileAhead::Kind::Whole;
    ahead.bytes = slots_.data() + i * SLOT_SIZE;
    ahead.length = static_cast<size_t>(result);
    ahead.size = size;
  });
}

// The chain of file i: open into slot i, read, close whatever the read
// gave. A failed open cancels the rest. The name is opened as the plain
// reader opens it (the ring's slots take no close-on-exec flag).
void FileReadAhead::queueRead(size_t i) {
  io_uring_sqe* open = ring_->queue();
  open->opcode = IORING_OP_OPENAT;
  open->fd = AT_FDCWD;
  open->addr = reinterpret_cast<uintptr_t>(names_[groupStart_ + i].c_str());
  open->open_flags = SAMPLE_OPEN_FLAGS & ~O_CLOEXEC;
  open->file_index = static_cast<uint32_t>(i + 1);
  open->flags = IOSQE_IO_LINK;
  open->user_data = 3 * i;
  io_uring_sqe* read = ring_->queue();
  read->opcode = IORING_OP_READ;
  read->fd = static_cast<int>(i);
  read->addr = reinterpret_cast<uintptr_t>(slots_.data() + i * SLOT_SIZE);
  read->len = SLOT_SIZE;
  read->off = 0;
  read->flags = IOSQE_FIXED_FILE | IOSQE_IO_HARDLINK;
  read->user_data = 3 * i + 1;
  io_uring_sqe* closing = ring_->queue();
  closing->opcode = IORING_OP_CLOSE;
  closing->file_index = static_cast<uint32_t>(i + 1);
  closing->user_data = 3 * i + 2;
}

}  // namespace letterfreq
