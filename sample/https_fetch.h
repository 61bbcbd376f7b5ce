// Fetching a sample over https:// through libcurl and counting its body
// with the counting rule as it arrives, so memory does not grow with the
// page. The server's certificate is verified against the system's store
// (or SampleLimits::caFile), redirects are followed at most
// HTTPS_MAX_REDIRECTS times and only to http:// or https://, and no proxy
// is used, as for the http:// fetch. The limits and the outcome mean what
// they mean for countUrl (sample/http_fetch.h). A body with a content
// encoding (gzip, deflate, ...; asked for and decoded by libcurl) is
// counted decoded, up to DECODED_BODY_MAX bytes, where it ends
// (SampleEnd::DecodedLimit): a small compressed body cannot make it count
// without end.
#pragma once

#include <cstdint>
#include <string>

#include "sample/sample_limits.h"

namespace letterfreq {

class CountingPass;

inline constexpr const char* HTTPS_PREFIX = "https://";
constexpr long HTTPS_MAX_REDIRECTS = 5;
constexpr uint64_t DECODED_BODY_MAX = uint64_t{16} << 20;

// True when `text` starts with "https://" exactly (lower case).
bool isHttpsAddress(const std::string& text);

// `url` starts with "https://". Zeroes counts[0..254]; true when a
// response came (whole or cut short, as *outcome tells, with the status
// line of the last response), false when the address holds a control
// byte, or no response could be had: the name unknown, the connection
// refused or not made within limits.connectMs, the certificate not
// trusted or not for this host, too many redirects or one to another
// scheme (counts stay zero; the caller shows URL_OPEN_FAILED and
// outcome->failureReason tells libcurl's reason). Counted through `pass`,
// whose attachments are left empty on failure.
bool countHttpsUrl(const std::string& url, int32_t* counts, CountingPass& pass,
                   const SampleLimits& limits,
                   const SampleProgress& progress, SampleOutcome* outcome);

}  // namespace letterfreq
