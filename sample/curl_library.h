// libcurl, loaded when the first https:// address is fetched instead of
// with the program: linked in, it brings some thirty libraries whose
// loading and relocation were most of the start of every command (about
// 25 ms), though most commands never fetch a web page. The calls the
// fetch makes are reached through the table below; the library stays
// loaded to the end of the program.
#pragma once

#include <curl/curl.h>

#include <string>

namespace letterfreq {

// The file the library is loaded from: its name since libcurl 7.16.
inline constexpr const char* CURL_LIBRARY_NAME = "libcurl.so.4";

struct CurlLibrary {
  decltype(&::curl_easy_init) easyInit;
  decltype(&::curl_easy_setopt) easySetopt;
  decltype(&::curl_easy_getinfo) easyGetinfo;
  decltype(&::curl_easy_strerror) easyStrerror;
  decltype(&::curl_easy_cleanup) easyCleanup;
  decltype(&::curl_multi_init) multiInit;
  decltype(&::curl_multi_add_handle) multiAddHandle;
  decltype(&::curl_multi_remove_handle) multiRemoveHandle;
  decltype(&::curl_multi_perform) multiPerform;
  decltype(&::curl_multi_poll) multiPoll;
  decltype(&::curl_multi_info_read) multiInfoRead;
  decltype(&::curl_multi_cleanup) multiCleanup;
};

// The library, loaded and globally initialised once, whichever thread asks
// first; null when that failed, with the reason in *failure.
const CurlLibrary* curlLibrary(std::string* failure);

}  // namespace letterfreq
