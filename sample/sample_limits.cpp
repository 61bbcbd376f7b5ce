#include "sample/sample_limits.h"

namespace letterfreq {

bool SampleOutcome::statusOk() const {
  if (!isHttp) return true;
  // "HTTP/1.0 200 OK": the code is the three bytes after the first space.
  const size_t space = statusLine.find(' ');
  if (statusLine.compare(0, 5, "HTTP/") != 0 || space == std::string::npos ||
      statusLine.size() < space + 4) {
    return false;
  }
  for (size_t i = space + 1; i < space + 4; ++i) {
    if (statusLine[i] < '0' || statusLine[i] > '9') return false;
  }
  const size_t after = space + 4;
  return statusLine[space + 1] == '2' &&
         (statusLine.size() == after || statusLine[after] == ' ');
}

const char* sampleEndText(SampleEnd end) {
  switch (end) {
    case SampleEnd::Complete:
      return "complete";
    case SampleEnd::ConnectionReset:
      return "connection reset";
    case SampleEnd::ReceiveError:
      return "receive error";
    case SampleEnd::IdleLimit:
      return "idle time limit";
    case SampleEnd::OverallLimit:
      return "overall time limit";
    case SampleEnd::DecodedLimit:
      return "decoded size limit";
    case SampleEnd::Cancelled:
      return "cancelled";
  }
  return "complete";
}

}  // namespace letterfreq
