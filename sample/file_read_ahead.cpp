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

// Two entries a file: the read and the close that follows it.
constexpr unsigned RING_ENTRIES = 2 * FileReadAhead::GROUP_SIZE;

}  // namespace

void setFileReadAheadEnabled(bool enabled) { readAheadEnabled = enabled; }
bool fileReadAheadEnabled() { return readAheadEnabled; }

FileReadAhead::FileReadAhead(const std::vector<std::string>& names,
                             std::function<bool(const std::string&)> wanted)
    : names_(names), wanted_(std::move(wanted)) {}

FileReadAhead::~FileReadAhead() { closeUntaken(); }

FileAhead FileReadAhead::take(size_t index) {
  if (index >= groupEnd_ || index < groupStart_) readGroup(index);
  if (index < groupStart_ || index >= groupEnd_) return FileAhead();
  FileAhead taken = group_[index - groupStart_];
  group_[index - groupStart_] = FileAhead();
  return taken;
}

void FileReadAhead::closeUntaken() {
  for (FileAhead& ahead : group_) {
    if (ahead.kind == FileAhead::Kind::Opened) close(ahead.descriptor);
    ahead = FileAhead();
  }
}

void FileReadAhead::readGroup(size_t first) {
  closeUntaken();
  groupStart_ = first;
  groupEnd_ = std::min(names_.size(), first + GROUP_SIZE);
  group_.assign(groupEnd_ - groupStart_, FileAhead());
  if (!readAheadEnabled) return;
  if (!ring_) {
    // Made on the first group: a command with one sample makes none.
    ring_ = std::make_unique<IoRing>(RING_ENTRIES);
    if (ring_->usable()) slots_ = PageBlock(GROUP_SIZE * SLOT_SIZE);
  }
  if (!ring_->usable() || ring_->capacity() < RING_ENTRIES) return;
  openGroup();
  readOpened();
}

// Opens every wanted file of the group as the plain reader opens it.
// Until the next step each opened one is held as Opened.
void FileReadAhead::openGroup() {
  for (size_t i = 0; i < group_.size(); ++i) {
    const std::string& name = names_[groupStart_ + i];
    if (!isFileSample(name) || name.find('\0') != std::string::npos ||
        !wanted_(name)) {
      continue;
    }
    io_uring_sqe* entry = ring_->queue();
    entry->opcode = IORING_OP_OPENAT;
    entry->fd = AT_FDCWD;
    entry->addr = reinterpret_cast<uintptr_t>(name.c_str());
    entry->open_flags = SAMPLE_OPEN_FLAGS;
    entry->user_data = i;
  }
  // A ring that fails here leaves the files it opened open: the kernel
  // gave no word of them. It never does once it made the ring.
  ring_->run([this](uint64_t index, int result) {
    if (index < group_.size() && result >= 0) {
      group_[index].kind = FileAhead::Kind::Opened;
      group_[index].descriptor = result;
    }
  });
}

// Reads and closes the regular files that fit a slot; a file whose read
// shows all of it (a short read past its size, or none at all) becomes
// Whole, any other is left to the plain reader.
void FileReadAhead::readOpened() {
  sizes_.assign(group_.size(), -1);
  for (size_t i = 0; i < group_.size(); ++i) {
    FileAhead& ahead = group_[i];
    if (ahead.kind != FileAhead::Kind::Opened) continue;
    struct stat status;
    if (fstat(ahead.descriptor, &status) != 0) {
      close(ahead.descriptor);
      ahead = FileAhead();
      continue;
    }
    if (!S_ISREG(status.st_mode) ||
        status.st_size >= static_cast<off_t>(SLOT_SIZE)) {
      continue;  // the plain reader reads it from this descriptor
    }
    sizes_[i] = status.st_size;
    io_uring_sqe* read = ring_->queue();
    read->opcode = IORING_OP_READ;
    read->fd = ahead.descriptor;
    read->addr = reinterpret_cast<uintptr_t>(slots_.data() + i * SLOT_SIZE);
    read->len = SLOT_SIZE;
    read->off = 0;
    // The close comes after the read whatever the read gave.
    read->flags = IOSQE_IO_HARDLINK;
    read->user_data = 2 * i;
    io_uring_sqe* closing = ring_->queue();
    closing->opcode = IORING_OP_CLOSE;
    closing->fd = ahead.descriptor;
    closing->user_data = 2 * i + 1;
    ahead = FileAhead();  // closed by the ring
  }
  ring_->run([this](uint64_t code, int result) {
    const size_t i = static_cast<size_t>(code / 2);
    if (code % 2 != 0 || i >= group_.size()) return;
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

}  // namespace letterfreq
