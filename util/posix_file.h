// Small POSIX helpers shared by the units that touch files: a
// descriptor closed by scope, whole writes, and folder names.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace letterfreq {

// Closes the descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Hands the descriptor over: it is no longer closed here.
  int release();
  // Closes now so that a failing close (a late write error) is seen.
  int close();

 private:
  int fd_;
};

// Writes everything, resuming after partial writes and interruptions.
// Returns 0 or the errno of the failure.
int writeAll(int fd, const uint8_t* data, size_t size);
// The same at `offset`, leaving the file position alone.
int writeAllAt(int fd, const uint8_t* data, size_t size, off_t offset);

// The folder part of `path` ("." for a bare name).
std::string folderOf(const std::string& path);
// The file a name stands for, symbolic links followed; the name itself
// when it cannot be resolved (a missing file).
std::string resolvedName(const std::string& name);
// Flushes the folder of `path` to disk, so that a file made, renamed or
// removed there stays so after a crash. Best effort.
void syncFolderOf(const std::string& path);

}  // namespace letterfreq
