// Fetching a sample over HTTP/1.0 and counting its body with the counting
// rule. One call makes one connection, sends one GET request and reads the
// response until the server closes; the head is skipped uninterpreted (the
// status, length and type do not matter), and the response is never held
// whole in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sample/sample_limits.h"

namespace letterfreq {

class CountingPass;

inline constexpr const char* URL_OPEN_FAILED = "URL couldn't be opened!";

// The parts of an http:// address.
struct UrlParts {
  std::string host;      // after "http://" up to the first ':' or '/'
  std::string portText;  // as typed after the ':', or "80"
  uint16_t port = 80;    // never 0
  std::string path;      // the rest as typed, or "/" when empty
};

// Splits an address whose first seven bytes are "http://" (they are not
// examined). A ':' after the first '/' belongs to the path; nothing else is
// interpreted: no user information, escapes or fragments.
UrlParts splitUrl(const std::string& url);

// The port number of a port text, read as atoi reads it (leading white
// space and a sign allowed, stops at the first non-digit, no digits give 0)
// and reduced modulo 65,536.
uint16_t portNumber(const std::string& portText);

// The request bytes: "GET <path> HTTP/1.0", "Host: <host>:<port text>" and
// an empty line, each ended by a single LF.
std::string requestText(const UrlParts& parts);

// The position of the first byte below 32 or of value 127 in `url`, or
// npos. Such an address is refused before anything is sent: a CR LF would
// split the request.
size_t controlBytePosition(const std::string& url);
// Why such an address is refused: "the address holds the control byte 13
// at position 21".
std::string controlByteReason(const std::string& url, size_t at);

// Finds the end of a response head in a stream of reads cut anywhere: the
// head ends at the first empty line, whatever mixture of LF and CR LF ends
// its lines. Keeps the first line (the status line) on the way.
class ResponseHeadSkip {
 public:
  // Returns how many of the bytes belong to the head; the rest (if any)
  // is body.
  size_t skip(const uint8_t* bytes, size_t length);
  bool over() const { return over_; }
  // The first line without CR and LF, at most STATUS_LINE_MAX bytes.
  const std::string& statusLine() const { return statusLine_; }

 private:
  bool lineEnded_ = false;  // the last byte other than CR was an LF
  bool over_ = false;
  bool firstLineEnded_ = false;
  std::string statusLine_;
};

// `url` starts with "http://". Zeroes counts[0..254]; true when the
// connection was made and the response read, false when the address holds
// a control byte or the connection could not be made within
// limits.connectMs (counts stay zero; the caller shows URL_OPEN_FAILED,
// *outcome tells why). The data ends when the server closes, resets, stays
// silent for limits.idleMs, when limits.overallMs has passed since the
// start or when the cancel flag is set: what arrived is counted through
// `pass`, and *outcome (when not null) tells how it ended, with the status
// line. The pass's attachments are left empty on failure.
bool countUrl(const std::string& url, int32_t* counts, CountingPass& pass,
              const SampleLimits& limits = SampleLimits(),
              const SampleProgress& progress = nullptr,
              SampleOutcome* outcome = nullptr);

// The same through a pass of its own, with nothing attached.
bool countUrl(const std::string& url, int32_t* counts, bool filterMarkup);

}  // namespace letterfreq
