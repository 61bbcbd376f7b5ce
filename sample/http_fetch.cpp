#include "sample/http_fetch.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "profiles/ngram_counter.h"
#include "sample/counting_rule.h"
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

size_t ResponseHeadSkip::skip(const uint8_t* bytes, size_t length) {
  for (size_t i = 0; i < length && !over_; ++i) {
    const uint8_t byte = bytes[i];
    if (byte == '\r') continue;
    if (byte == '\n' && lineEnded_) {
      over_ = true;
      return i + 1;
    }
    lineEnded_ = byte == '\n';
  }
  return over_ ? 0 : length;
}

bool countUrl(const std::string& url, int32_t* counts, bool filterMarkup,
              NgramCounter* ngrams) {
  std::fill(counts, counts + 255, 0);
  if (ngrams != nullptr) ngrams->reset();
  const UrlParts parts = splitUrl(url);

  std::unique_ptr<SocketClient> client;
  try {
    client = std::make_unique<SocketClient>(parts.host, parts.port);
  } catch (...) {
    // Whatever failed (resolution, connection, time out), the user sees
    // one message; the caller shows it.
    return false;
  }

  // One send of the three request lines; a request that fails to go out
  // shows up as an empty response.
  client->writeRaw(requestText(parts));

  // Read through a buffer: the head skip takes the bytes up to the empty
  // line and the counting rule the rest, so a page costs a few receives.
  CountingRule rule(filterMarkup);
  ResponseHeadSkip head;
  std::vector<uint8_t> buffer(READ_BUFFER_SIZE);
  for (;;) {
    const int received =
        client->readRaw(buffer.data(), static_cast<int>(buffer.size()), 0);
    if (received <= 0) break;  // closed, failed or timed out: end of data
    const size_t length = static_cast<size_t>(received);
    const size_t headBytes = head.over() ? 0 : head.skip(buffer.data(), length);
    if (ngrams == nullptr) {
      rule.feed(buffer.data() + headBytes, length - headBytes);
    } else {
      rule.feed(buffer.data() + headBytes, length - headBytes,
                [ngrams](uint8_t byte) { ngrams->add(byte); });
    }
  }
  rule.copyCountsTo(counts);
  if (ngrams != nullptr) ngrams->finish();
  return true;
}

}  // namespace letterfreq
