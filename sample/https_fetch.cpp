#include "sample/https_fetch.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <memory>
#include <string_view>

#include "sample/address_count.h"
#include "sample/curl_library.h"
#include "sample/http_fetch.h"

namespace letterfreq {

bool isHttpsAddress(const std::string& text) {
  return text.compare(0, std::char_traits<char>::length(HTTPS_PREFIX),
                      HTTPS_PREFIX) == 0;
}

namespace {

using Clock = std::chrono::steady_clock;

// What the callbacks share during one transfer.
struct Transfer {
  explicit Transfer(CountingPass& pass) : pass(pass) {}
  CountingPass& pass;
  const SampleProgress* progress = nullptr;
  SampleOutcome* outcome = nullptr;
  uint64_t bytesRead = 0;  // heads and body, for the progress
  bool connected = false;  // a request went out on an open connection
  bool encoded = false;    // the response's body has a content encoding
  bool capped = false;     // its decoded body passed DECODED_BODY_MAX
  Clock::time_point lastData;

  void received(size_t length) {
    bytesRead += length;
    lastData = Clock::now();
    if (*progress) (*progress)(bytesRead, -1);
  }
};

// "Content-Encoding:" with a value other than "identity", in any case.
bool namesContentEncoding(std::string_view line) {
  constexpr std::string_view NAME = "content-encoding:";
  if (line.size() < NAME.size()) return false;
  for (size_t i = 0; i < NAME.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(line[i])) != NAME[i]) return false;
  }
  std::string_view value = line.substr(NAME.size());
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
    value.remove_prefix(1);
  }
  return !value.empty() && value != "identity";
}

// Header lines of every response, redirects included: each status line
// starts a new head, so the outcome ends with the last response's.
size_t onHeaderLine(char* data, size_t size, size_t count, void* user) {
  Transfer& transfer = *static_cast<Transfer*>(user);
  const size_t length = size * count;
  std::string_view line(data, length);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  SampleOutcome& outcome = *transfer.outcome;
  if (line.compare(0, 5, "HTTP/") == 0) {
    outcome.statusLine = std::string(line.substr(0, STATUS_LINE_MAX));
    outcome.headEnded = false;
    transfer.encoded = false;
  } else if (namesContentEncoding(line)) {
    transfer.encoded = true;
  } else if (line.empty()) {
    outcome.headEnded = true;
  }
  transfer.received(length);
  return length;
}

// The body of the last response only (libcurl drops those of redirects).
size_t onBody(char* data, size_t size, size_t count, void* user) {
  Transfer& transfer = *static_cast<Transfer*>(user);
  const size_t length = size * count;
  const auto* bytes = reinterpret_cast<const uint8_t*>(data);
  size_t taken = length;
  // A small compressed body may stand for a great many bytes: what is
  // counted of it stays within what a plain body could bring.
  if (transfer.encoded &&
      transfer.outcome->bodyBytes + length > DECODED_BODY_MAX) {
    taken = static_cast<size_t>(DECODED_BODY_MAX - transfer.outcome->bodyBytes);
    transfer.capped = true;
  }
  transfer.pass.feed(bytes, taken);
  transfer.outcome->bodyBytes += taken;
  transfer.received(taken);
  return transfer.capped ? 0 : length;  // 0 ends the transfer
}

struct EasyDeleter {
  const CurlLibrary* curl = nullptr;
  void operator()(CURL* easy) const { curl->easyCleanup(easy); }
};
struct MultiDeleter {
  const CurlLibrary* curl = nullptr;
  void operator()(CURLM* multi) const { curl->multiCleanup(multi); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;

// The earlier of two limits in milliseconds, where <= 0 means none.
long tighterLimitMs(int a, int b) {
  if (a <= 0) return b > 0 ? b : 0;
  if (b <= 0) return a;
  return std::min(a, b);
}

void configure(const CurlLibrary& curl, CURL* easy, const std::string& url,
               const SampleLimits& limits, Transfer& transfer, char* errors) {
  curl.easySetopt(easy, CURLOPT_URL, url.c_str());
  curl.easySetopt(easy, CURLOPT_ERRORBUFFER, errors);
  curl.easySetopt(easy, CURLOPT_NOSIGNAL, 1L);  // other threads, no alarms
#if LIBCURL_VERSION_NUM >= 0x075500
  curl.easySetopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl.easySetopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
  curl.easySetopt(easy, CURLOPT_PROTOCOLS, CURLPROTO_HTTP | CURLPROTO_HTTPS);
  curl.easySetopt(easy, CURLOPT_REDIR_PROTOCOLS,
                   CURLPROTO_HTTP | CURLPROTO_HTTPS);
#endif
  curl.easySetopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl.easySetopt(easy, CURLOPT_MAXREDIRS, HTTPS_MAX_REDIRECTS);
  curl.easySetopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl.easySetopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!limits.caFile.empty()) {
    // Instead of the system's store: its folder is not looked in either.
    curl.easySetopt(easy, CURLOPT_CAINFO, limits.caFile.c_str());
    curl.easySetopt(easy, CURLOPT_CAPATH, static_cast<const char*>(nullptr));
  }
  // The environment's proxy settings are not used, as by the http:// fetch.
  curl.easySetopt(easy, CURLOPT_PROXY, "");
  curl.easySetopt(easy, CURLOPT_USERAGENT, "letterfreq");
  // Every encoding libcurl decodes is asked for and decoded, so that a
  // server that compresses unasked is counted as its plain page.
  curl.easySetopt(easy, CURLOPT_ACCEPT_ENCODING, "");
  curl.easySetopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                   tighterLimitMs(limits.connectMs, limits.overallMs));
  curl.easySetopt(easy, CURLOPT_HEADERFUNCTION, onHeaderLine);
  curl.easySetopt(easy, CURLOPT_HEADERDATA, &transfer);
  curl.easySetopt(easy, CURLOPT_WRITEFUNCTION, onBody);
  curl.easySetopt(easy, CURLOPT_WRITEDATA, &transfer);
}

// How a transfer stopped: by libcurl with `result`, or by a limit or the
// cancel flag (`stopped` is then not Complete).
struct Stop {
  SampleEnd stopped = SampleEnd::Complete;
  CURLcode result = CURLE_OK;
};

CURLcode finishedResult(const CurlLibrary& curl, CURLM* multi) {
  int left = 0;
  while (CURLMsg* message = curl.multiInfoRead(multi, &left)) {
    if (message->msg == CURLMSG_DONE) return message->data.result;
  }
  return CURLE_OK;
}

void noteConnection(const CurlLibrary& curl, CURL* easy, Transfer& transfer) {
  if (transfer.connected) return;
  curl_off_t requestAt = 0;  // microseconds from the start to the request
  curl.easyGetinfo(easy, CURLINFO_PRETRANSFER_TIME_T, &requestAt);
  if (requestAt > 0) {
    transfer.connected = true;
    transfer.lastData = Clock::now();  // the idle limit counts from here
  }
}

// Drives the transfer, looking at the cancel flag and the limits at least
// every CANCEL_POLL_MS.
Stop drive(const CurlLibrary& curl, CURLM* multi, CURL* easy,
           const SampleLimits& limits, Transfer& transfer) {
  const Clock::time_point start = Clock::now();
  for (;;) {
    int running = 0;
    const CURLMcode performed = curl.multiPerform(multi, &running);
    if (performed != CURLM_OK) return {SampleEnd::Complete, CURLE_FAILED_INIT};
    if (running == 0) {
      const CURLcode result = finishedResult(curl, multi);
      if (transfer.capped) return {SampleEnd::DecodedLimit};
      return {SampleEnd::Complete, result};
    }
    if (limits.cancelled()) return {SampleEnd::Cancelled};
    noteConnection(curl, easy, transfer);
    const Clock::time_point now = Clock::now();
    if (limits.overallMs > 0 &&
        now - start >= std::chrono::milliseconds(limits.overallMs)) {
      return {SampleEnd::OverallLimit};
    }
    if (transfer.connected && limits.idleMs > 0 &&
        now - transfer.lastData >= std::chrono::milliseconds(limits.idleMs)) {
      return {SampleEnd::IdleLimit};
    }
    curl.multiPoll(multi, nullptr, 0, CANCEL_POLL_MS, nullptr);
  }
}

// Errors that mean no answer was had from the address, even after a
// redirect's head came.
bool noAnswer(CURLcode result) {
  switch (result) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:  // connecting: the only timer set
    case CURLE_TOO_MANY_REDIRECTS:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_FAILED_INIT:
    case CURLE_OUT_OF_MEMORY:
      return true;
    default:
      return false;
  }
}

std::string reasonOf(const CurlLibrary& curl, CURLcode result,
                     const char* errors) {
  return errors[0] != '\0' ? std::string(errors)
                           : std::string(curl.easyStrerror(result));
}

// Fills the outcome from how the transfer stopped; true when a response
// came.
bool judge(const CurlLibrary& curl, const Stop& stop, const Transfer& transfer,
           const char* errors, SampleOutcome& outcome) {
  const bool answered = transfer.connected || !outcome.statusLine.empty();
  if (stop.stopped != SampleEnd::Complete) {
    outcome.end = stop.stopped;
    if (!answered && stop.stopped != SampleEnd::Cancelled) {
      outcome.failureReason = "no connection within the overall time limit";
    }
    return answered;
  }
  // A server that closes without a byte ends the data as for http://.
  if (stop.result == CURLE_OK || stop.result == CURLE_GOT_NOTHING) return true;
  if (stop.result == CURLE_OUT_OF_MEMORY && transfer.connected &&
      !outcome.headEnded) {
    // libcurl's answer to a head line or head over its own limit.
    outcome.failureReason = "the response's head is longer than libcurl takes";
    return false;
  }
  if (noAnswer(stop.result) || !answered) {
    outcome.failureReason = reasonOf(curl, stop.result, errors);
    return false;
  }
  // The data stopped early: a reset, a length not met, a broken stream.
  outcome.end = stop.result == CURLE_RECV_ERROR ? SampleEnd::ConnectionReset
                                                : SampleEnd::ReceiveError;
  return true;
}

}  // namespace

bool countHttpsUrl(const std::string& url, int32_t* counts, CountingPass& pass,
                   const SampleLimits& limits, const SampleProgress& progress,
                   SampleOutcome* outcome) {
  AddressCount count(counts, pass, outcome);
  SampleOutcome& told = count.outcome();
  const size_t control = controlBytePosition(url);
  const CurlLibrary* curl = nullptr;
  if (control != std::string::npos) {
    told.failureReason = controlByteReason(url, control);
  } else {
    curl = curlLibrary(&told.failureReason);
  }
  EasyHandle easy(nullptr, {curl});
  MultiHandle multi(nullptr, {curl});
  if (curl != nullptr) {
    easy.reset(curl->easyInit());
    multi.reset(curl->multiInit());
  }
  if (!easy || !multi) {
    if (told.failureReason.empty())
      told.failureReason = "libcurl failed to start";
    return count.failed();
  }

  Transfer transfer(pass);
  transfer.progress = &progress;
  transfer.outcome = &told;
  char errors[CURL_ERROR_SIZE] = "";
  configure(*curl, easy.get(), url, limits, transfer, errors);
  curl->multiAddHandle(multi.get(), easy.get());
  const Stop stop = drive(*curl, multi.get(), easy.get(), limits, transfer);
  // A transfer that failed in its first round may have sent its request.
  noteConnection(*curl, easy.get(), transfer);
  curl->multiRemoveHandle(multi.get(), easy.get());

  if (judge(*curl, stop, transfer, errors, told)) return count.answered();
  told.bodyBytes = 0;
  return count.failed();
}

}  // namespace letterfreq
