// A failed file's alert text: the fixed message first ("File couldn't be
// opened!", a "!" line of the record engine), then on a second line the
// file's name and the system's reason for refusing it, looked up when the
// failure is reported ("notes/x.txt: No such file or directory").
#pragma once

#include <string>

namespace letterfreq {

enum class FileUse { Read, ReadWrite };

// `text`, then "\n<name>: <reason>"; only "\n<name>" when the system finds
// nothing wrong with the file (the fault is then in its contents, which
// `text` tells) or when `text` is a "!" line that gives the reason the
// engine met ("!nofileopen: Permission denied"). `text` unchanged when it names the file already, and for
// http:// addresses, whose failures are not the file system's.
std::string withFileCause(const std::string& text, const std::string& name,
                          FileUse use);

}  // namespace letterfreq
