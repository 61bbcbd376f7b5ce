// The system calls of the record engine, each opening the file for one
// step and closing it through an RAII handle (FileBytes and OpenFile keep
// a file for longer, as they say). Failures throw std::runtime_error with
// the engine's "!" texts (db/record_texts.h). Nothing here knows the
// record format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace letterfreq {

// Creates the file empty when it is missing and leaves an existing one as
// it is; NO_FILE_OPEN_TEXT when it cannot be opened for appending.
void createDatabaseFile(const std::string& name);

// The whole file in one buffer, read in large blocks. NO_FILE_OPEN_TEXT
// when it cannot be opened for reading (or is a folder),
// FILE_TOO_LARGE_TEXT past MAX_FILE_SIZE, NO_MEMORY_TO_READ_TEXT, or
// readFailedText.
std::vector<uint8_t> readDatabaseFile(const std::string& name);

// A file kept open for reading parts of it later; closed with its last
// owner. Reads go to the file that was opened, even after it was renamed
// or replaced under its name.
class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile();
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;

  // Exactly `length` bytes at `offset` into `out`; false when the file
  // ends before them (it was cut short since) or the read fails.
  bool readAt(uint64_t offset, uint8_t* out, size_t length) const;

 private:
  int fd_;
};

// A whole database file in memory for reading, with readDatabaseFile's
// errors. A non-empty regular file is mapped read-only, which costs
// neither a copy nor a zero fill: a large file costs little more to open
// than a small one. Anything else (an empty file, a pipe, a file that
// cannot be mapped) is read as readDatabaseFile reads it.
//
// A mapping covers the size the file had when it was made: later appends
// are not in it. Bytes another program overwrites in place show through,
// and one that cuts the file short while it is mapped makes reading the
// lost pages fault (SIGBUS), so a mapping is held for one job (a load),
// not kept: what must outlive it is read again through file().
class FileBytes {
 public:
  explicit FileBytes(const std::string& name);
  explicit FileBytes(std::vector<uint8_t> bytes);
  ~FileBytes();
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  // The mapped file, kept open; null when the bytes were read.
  const std::shared_ptr<const OpenFile>& file() const { return file_; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  void* mapping_ = nullptr;
  std::vector<uint8_t> read_;
  std::shared_ptr<const OpenFile> file_;
};

// Appends `bytes` with one write and flushes them to disk. On any failure
// the file is cut back to its old length and writeFailedText thrown.
void appendToDatabaseFile(const std::string& name,
                          const std::vector<uint8_t>& bytes);

// Overwrites bytes inside the file at `offset` (its size stays) and
// flushes them to disk.
void overwriteDatabaseBytes(const std::string& name, uint32_t offset,
                            const std::vector<uint8_t>& bytes);

struct ByteRange {
  const uint8_t* data;
  size_t size;
};

// Gives the file the contents `pieces` (concatenated) without ever
// leaving it half written: they go to a temporary file in the same folder
// (with the file's permissions), which is flushed to disk and renamed over
// the file; a symbolic link is followed and kept. On failure the temporary
// file is removed, the file is untouched and writeFailedText thrown.
void replaceDatabaseFile(const std::string& name,
                         const std::vector<ByteRange>& pieces);

}  // namespace letterfreq
