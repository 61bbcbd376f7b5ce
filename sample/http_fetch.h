// Fetching a sample over HTTP/1.0 and counting its body with the counting
// rule.
#pragma once

#include <cstdint>
#include <string>

namespace letterfreq {

inline constexpr const char* URL_OPEN_FAILED = "URL couldn't be opened!";

// `url` starts with "http://". Zeroes counts[0..254]; true when the
// connection was made and the response read to its end, false when it could
// not be made (counts stay zero).
bool countUrl(const std::string& url, int32_t* counts, bool filterMarkup);

}  // namespace letterfreq
