#include "db/record_texts.h"

#include <errno.h>
#include <sys/stat.h>

#include <cstring>

namespace letterfreq {

std::string expectedDelimiterText(const char* operation, uint32_t position) {
  return std::string("!") + operation + " expected RECORD_DELIM at " +
         std::to_string(position);
}

std::string queryLinkExpectedDelimiterText(uint32_t position, uint8_t byte) {
  return expectedDelimiterText("query_link", position) +
         " rcvd:" + std::to_string(byte);
}

std::string lengthTooSmallText(const char* operation, uint32_t offset) {
  return std::string("!") + operation + " record at " + std::to_string(offset) +
         " has a length too small for its fields and links";
}

std::string endsInsideRecordText(const char* operation, uint32_t offset) {
  return std::string("!") + operation + " the file ends inside the record at " +
         std::to_string(offset);
}

std::string notOpenableText(const std::string& reason) {
  return std::string(NO_FILE_OPEN_TEXT) + ": " + reason;
}

const char* notRegularReason(mode_t mode) {
  if (S_ISDIR(mode)) return std::strerror(EISDIR);
  if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
  if (S_ISSOCK(mode)) return "is a socket, not a regular file";
  return "not a regular file";
}

std::string foreignJournalText(const std::string& name,
                               const std::string& reason) {
  return std::string(FOREIGN_JOURNAL_TEXT) + " (" + name + ": " + reason + ")";
}

std::string journalWriteFailedText(const std::string& name,
                                   const std::string& reason) {
  return "!couldn't write the journal " + name + ": " + reason;
}

std::string lockFileFailedText(const std::string& name,
                               const std::string& reason) {
  return "!couldn't make the lock file " + name + ": " + reason;
}

std::string readFailedText(const std::string& reason) {
  return "!couldn't read the database file: " + reason;
}

std::string writeFailedText(const std::string& reason) {
  return "!couldn't write the database file: " + reason;
}

}  // namespace letterfreq
