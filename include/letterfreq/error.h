// letterfreq::Error: what every call of the library throws when it cannot
// do its work (a file that cannot be read or written, a damaged database,
// a language name that names nothing). It carries the file concerned
// (empty when none is) and the reason in words; the library itself never
// prints and never ends the program.
#ifndef LETTERFREQ_ERROR_H_
#define LETTERFREQ_ERROR_H_

#include <stdexcept>
#include <string>

namespace letterfreq {

class Error : public std::runtime_error {
 public:
  Error(std::string file, std::string reason);

  // The file the failure concerns; empty when it concerns none.
  const std::string& file() const { return file_; }
  // Why, without the file's name ("no such database", "!query_all
  // expected RECORD_DELIM at 42").
  const std::string& reason() const { return reason_; }
  // what() is "FILE: REASON", or REASON alone without a file.

 private:
  std::string file_;
  std::string reason_;
};

}  // namespace letterfreq

#endif  // LETTERFREQ_ERROR_H_
