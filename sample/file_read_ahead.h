// Reading a long list of small sample files ahead, a group at a time:
// one stat a name finds the regular files that fit a slot, then one system
// call for the whole group (sample/io_ring.h) opens, reads and closes
// them. On this kind of machine a system call costs about a microsecond,
// and a plain read of a file takes four of them.
//
// It only learns early what the plain reader would learn (readFileBlocks
// in sample/sample_loader.h): a small regular file's bytes when they are
// all there. Everything else (a name that does not open, a FIFO, a device,
// a folder, a large file, a file that changed while read, a kernel
// without io_uring or too old for its chains) is left to the plain reader,
// which reads that name at its turn: the outcome, the messages and the
// waiting are the plain reader's. Only a regular file that is replaced by
// another kind of file within the microseconds between the two steps may
// be read as it is then.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/page_block.h"
#include "sample/sample_loader.h"

namespace letterfreq {

class IoRing;

class FileReadAhead {
 public:
  // Reads ahead the names for which `wanted` is true (and that name a
  // file: not an address, no NUL byte). `names` must outlive it.
  FileReadAhead(const std::vector<std::string>& names,
                std::function<bool(const std::string&)> wanted);
  ~FileReadAhead();
  FileReadAhead(const FileReadAhead&) = delete;
  FileReadAhead& operator=(const FileReadAhead&) = delete;

  // What was learnt of names[index], reading its group first when needed;
  // indices are asked in increasing order. The bytes stay valid until the
  // next call.
  FileAhead take(size_t index);

  // Files of this size or more are not read ahead.
  static constexpr size_t SLOT_SIZE = 16 * 1024;
  // Files read ahead together.
  static constexpr size_t GROUP_SIZE = 32;

 private:
  void readGroup(size_t first);
  void findRegularFiles();
  bool readRegularFiles();
  void queueRead(size_t i);

  const std::vector<std::string>& names_;
  std::function<bool(const std::string&)> wanted_;
  std::unique_ptr<IoRing> ring_;
  PageBlock slots_;
  std::vector<FileAhead> group_;
  std::vector<int64_t> sizes_;  // -1: not read ahead
  size_t groupStart_ = 0;
  size_t groupEnd_ = 0;
};

// Tests compare the read-ahead with the plain reads: while false, no
// FileReadAhead reads anything ahead (every name is left to the plain
// reader). True unless a test says otherwise.
void setFileReadAheadEnabled(bool enabled);
bool fileReadAheadEnabled();

}  // namespace letterfreq
