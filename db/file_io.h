// The system calls of the record engine, each opening the file for one
// step and closing it through an RAII handle. Failures throw
// std::runtime_error with the engine's "!" texts (db/record_texts.h).
// Nothing here knows the record format.
#pragma once

#include <cstddef>
#include <cstdint>
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
