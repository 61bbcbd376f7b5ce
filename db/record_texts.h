// The fixed texts of the record engine: the no-match data and every "!"
// line it reports (what() of the std::runtime_error it throws, or the text
// handed to RecordFile::reporter). The window, the CLI and the tests use
// these, never their own copies.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace letterfreq {

// The data block (with its NUL) of the record get_record gives for an id
// that no record carries.
inline constexpr const char* NO_MATCH_TEXT = "No match found!";

// The file cannot be opened in the mode an operation needs.
inline constexpr const char* NO_FILE_OPEN_TEXT = "!nofileopen";
// insert_record refusals (returned as false, the file unchanged).
inline constexpr const char* NO_DELIMITER_AT_OFFSET_TEXT =
    "!insert_record says No record delimiter at that offset";
inline constexpr const char* WRONG_RECORD_TEXT = "!wrong record at that offset";
inline constexpr const char* DAMAGED_RECORD_AT_OFFSET_TEXT =
    "!insert_record says the record at that offset is damaged";
// No memory to hold the file for a rewrite (the file unchanged).
inline constexpr const char* NO_MEMORY_TEXT =
    "!couldn't allocate memory for tempfile";
// No memory to hold the file for a reading operation.
inline constexpr const char* NO_MEMORY_TO_READ_TEXT =
    "!couldn't allocate memory for the database file";
// Offsets are signed 32-bit values, so no database file can be longer.
inline constexpr const char* FILE_TOO_LARGE_TEXT =
    "!database file larger than 2147483647 bytes";
// store_record of a record with id 0 when the largest id is 4294967295.
inline constexpr const char* NO_RECORD_ID_LEFT_TEXT = "!no record id left";

// "!get_record expected RECORD_DELIM at 42"; `operation` is get_record or
// query_all, `position` the offset of the wrong byte plus one.
std::string expectedDelimiterText(const char* operation, uint32_t position);
// "!query_link expected RECORD_DELIM at 42 rcvd:120".
std::string queryLinkExpectedDelimiterText(uint32_t position, uint8_t byte);
// "!query_all record at 23 has a length too small for its fields and links".
std::string lengthTooSmallText(const char* operation, uint32_t offset);
// "!store_record the file ends inside the record at 23": appending there
// would hide the new records inside the damaged one.
std::string endsInsideRecordText(const char* operation, uint32_t offset);
// "!nofileopen: Is a directory": a name that is no regular file (a folder,
// pipe, device or symbolic link loop), with the system's reason.
std::string notOpenableText(const std::string& reason);
// Why a file of this type (st_mode) is no database, in the system's words
// where it has them ("Is a directory").
const char* notRegularReason(mode_t mode);
inline constexpr const char* FOREIGN_JOURNAL_TEXT =
    "a journal beside the file does not belong to it: left alone";
// "a journal beside the file does not belong to it: left alone (<name>:
// <reason>)": a warning for readers, the "!" line of a refused write.
std::string foreignJournalText(const std::string& name,
                               const std::string& reason);
// "!couldn't write the journal <name>: <reason>".
std::string journalWriteFailedText(const std::string& name,
                                   const std::string& reason);
// Another program changed the file between the read that decided a write
// and the write (one that does not take this program's locks).
inline constexpr const char* FILE_CHANGED_TEXT =
    "!the database file was changed by another program: nothing written";
// "!couldn't make the lock file <name>: <reason>".
std::string lockFileFailedText(const std::string& name,
                               const std::string& reason);
// "!couldn't read the database file: <reason>".
std::string readFailedText(const std::string& reason);
// "!couldn't write the database file: <reason>".
std::string writeFailedText(const std::string& reason);

}  // namespace letterfreq
