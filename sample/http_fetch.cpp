#include "sample/http_fetch.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <string_view>
#include <vector>

#include "sample/address_count.h"
#include "sample/socket.h"

namespace letterfreq {

namespace {

constexpr size_t PREFIX_LENGTH = 7;  // "http://"
constexpr size_t READ_BUFFER_SIZE = 64 * 1024;

bool isAtoiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

}  // namespace

uint16_t portNumber(const std::string& portText) {
  size_t i = 0;
  while (i < portText.size() && isAtoiSpace(portText[i])) ++i;
  bool negative = false;
  if (i < portText.size() && (portText[i] == '+' || portText[i] == '-')) {
    negative = portText[i] == '-';
    ++i;
  }
  // Arithmetic modulo 65,536 from the start, so long texts cannot overflow.
  uint32_t value = 0;
  for (; i < portText.size() && portText[i] >= '0' && portText[i] <= '9'; ++i) {
    value = (value * 10 + static_cast<uint32_t>(portText[i] - '0')) & 0xFFFF;
  }
  if (negative) value = (0x10000 - value) & 0xFFFF;
  return static_cast<uint16_t>(value);
}

UrlParts splitUrl(const std::string& url) {
  // The address is a C text: it ends at its first NUL byte.
  const std::string_view text(url.c_str());
  const std::string_view rest = text.size() > PREFIX_LENGTH
                                    ? text.substr(PREFIX_LENGTH)
                                    : std::string_view();
  UrlParts parts;
  size_t at = std::min(rest.find_first_of(":/"), rest.size());
  parts.host = std::string(rest.substr(0, at));
  if (at < rest.size() && rest[at] == ':') {
    ++at;
    const size_t portEnd = std::min(rest.find('/', at), rest.size());
    parts.portText = std::string(rest.substr(at, portEnd - at));
    at = portEnd;
  }
  parts.port = portNumber(parts.portText);
  if (parts.port == 0) {
    parts.port = 80;
    parts.portText = "80";
  }
  parts.path = std::string(rest.substr(at));
  if (parts.path.empty()) parts.path = "/";
  return parts;
}

std::string requestText(const UrlParts& parts) {
  return "GET " + parts.path + " HTTP/1.0\n" + "Host: " + parts.host + ":" +
         parts.portText + "\n" + "\n";
}

size_t controlBytePosition(const std::string& url) {
  for (size_t i = 0; i < url.size(); ++i) {
    const auto byte = static_cast<unsigned char>(url[i]);
    if (byte < 32 || byte == 127) return i;
  }
  return std::string::npos;
}

std::string controlByteReason(const std::string& url, size_t at) {
  return "the address holds the control byte " +
         std::to_string(static_cast<unsigned char>(url[at])) + " at position " +
         std::to_string(at + 1);
}

size_t ResponseHeadSkip::skip(const uint8_t* bytes, size_t length) {
  for (size_t i = 0; i < length && !over_; ++i) {
    const uint8_t byte = bytes[i];
    if (byte == '\r') continue;
    if (byte == '\n') firstLineEnded_ = true;
    if (!firstLineEnded_ && statusLine_.size() < STATUS_LINE_MAX) {
      statusLine_.push_back(static_cast<char>(byte));
    }
    if (byte == '\n' && lineEnded_) {
      over_ = true;
      return i + 1;
    }
    lineEnded_ = byte == '\n';
  }
  return over_ ? 0 : length;
}

namespace {

using Clock = std::chrono::steady_clock;

// The earlier of two limits in milliseconds, where <= 0 means none.
int tighterLimitMs(int a, int b) {
  if (a <= 0) return b;
  if (b <= 0) return a;
  return std::min(a, b);
}

Clock::time_point deadlineAfter(Clock::time_point from, int limitMs) {
  return limitMs > 0 ? from + std::chrono::milliseconds(limitMs)
                     : Clock::time_point::max();
}

// `overallBound`: the receive waited up to the overall deadline, not the
// idle one.
SampleEnd endOf(ReceiveStatus status, bool overallBound) {
  switch (status) {
    case ReceiveStatus::Reset:
      return SampleEnd::ConnectionReset;
    case ReceiveStatus::Failed:
      return SampleEnd::ReceiveError;
    case ReceiveStatus::Cancelled:
      return SampleEnd::Cancelled;
    case ReceiveStatus::TimedOut:
      return overallBound ? SampleEnd::OverallLimit : SampleEnd::IdleLimit;
    case ReceiveStatus::Data:
    case ReceiveStatus::Closed:
      break;
  }
  return SampleEnd::Complete;
}

// Reads the response through a buffer: the head skip takes the bytes up to
// the empty line and the counting rule the rest, so a page costs a few
// receives. Every receive waits no longer than the idle limit and the
// overall deadline allow.
void readResponse(Socket& connection, CountingPass& pass,
                  const SampleLimits& limits, Clock::time_point overallDeadline,
                  const SampleProgress& progress, SampleOutcome& outcome) {
  ResponseHeadSkip head;
  std::vector<uint8_t> buffer(READ_BUFFER_SIZE);
  uint64_t bytesRead = 0;
  for (;;) {
    const Clock::time_point deadline =
        std::min(deadlineAfter(Clock::now(), limits.idleMs), overallDeadline);
    const Received received =
        connection.readWithin(buffer.data(), static_cast<int>(buffer.size()),
                              deadline, limits.cancel);
    if (received.status != ReceiveStatus::Data) {
      outcome.end = endOf(received.status, deadline == overallDeadline);
      break;
    }
    const size_t length = static_cast<size_t>(received.bytes);
    const size_t headBytes = head.over() ? 0 : head.skip(buffer.data(), length);
    outcome.bodyBytes += length - headBytes;
    pass.feed(buffer.data() + headBytes, length - headBytes);
    bytesRead += length;
    if (progress) progress(bytesRead, -1);
  }
  outcome.statusLine = head.statusLine();
  outcome.headEnded = head.over();
}

}  // namespace

bool countUrl(const std::string& url, int32_t* counts, CountingPass& pass,
              const SampleLimits& limits, const SampleProgress& progress,
              SampleOutcome* outcome) {
  AddressCount count(counts, pass, outcome);
  SampleOutcome& told = count.outcome();
  const size_t control = controlBytePosition(url);
  if (control != std::string::npos) {
    told.failureReason = controlByteReason(url, control);
    return count.failed();  // nothing is sent
  }
  const UrlParts parts = splitUrl(url);
  const Clock::time_point start = Clock::now();
  const Clock::time_point overallDeadline =
      deadlineAfter(start, limits.overallMs);

  std::unique_ptr<SocketClient> client;
  try {
    client = std::make_unique<SocketClient>(
        parts.host, parts.port, tighterLimitMs(limits.connectMs, limits.overallMs),
        limits.cancel);
  } catch (const std::exception& error) {
    // Whatever failed (resolution, connection, time out), the user sees
    // one message, which the caller shows; the reason is kept for it.
    told.failureReason = error.what();
    if (limits.cancelled()) told.end = SampleEnd::Cancelled;
    return count.failed();
  } catch (...) {
    return count.failed();
  }

  // One send of the three request lines; a request that fails to go out
  // shows up as an empty response.
  client->writeRaw(requestText(parts));
  readResponse(*client, pass, limits, overallDeadline, progress, told);
  return count.answered();
}

bool countUrl(const std::string& url, int32_t* counts, bool filterMarkup) {
  CountingPass pass(filterMarkup);
  return countUrl(url, counts, pass);
}

}  // namespace letterfreq
