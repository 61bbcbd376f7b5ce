#include "sample/curl_library.h"

#include <dlfcn.h>

namespace letterfreq {

namespace {

struct Loaded {
  CurlLibrary library{};
  std::string failure;  // empty when the library is ready
};

// Sets `to` to the function `name` of `handle`; false when it is missing.
template <class Function>
bool find(void* handle, const char* name, Function& to) {
  to = reinterpret_cast<Function>(::dlsym(handle, name));
  return to != nullptr;
}

bool findAll(void* handle, CurlLibrary& l) {
  return find(handle, "curl_easy_init", l.easyInit) &&
         find(handle, "curl_easy_setopt", l.easySetopt) &&
         find(handle, "curl_easy_getinfo", l.easyGetinfo) &&
         find(handle, "curl_easy_strerror", l.easyStrerror) &&
         find(handle, "curl_easy_cleanup", l.easyCleanup) &&
         find(handle, "curl_multi_init", l.multiInit) &&
         find(handle, "curl_multi_add_handle", l.multiAddHandle) &&
         find(handle, "curl_multi_remove_handle", l.multiRemoveHandle) &&
         find(handle, "curl_multi_perform", l.multiPerform) &&
         find(handle, "curl_multi_poll", l.multiPoll) &&
         find(handle, "curl_multi_info_read", l.multiInfoRead) &&
         find(handle, "curl_multi_cleanup", l.multiCleanup);
}

Loaded load() {
  Loaded loaded;
  void* handle = ::dlopen(CURL_LIBRARY_NAME, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = ::dlerror();
    loaded.failure = std::string("libcurl could not be loaded: ") +
                     (error != nullptr ? error : CURL_LIBRARY_NAME);
    return loaded;
  }
  decltype(&::curl_global_init) globalInit = nullptr;
  if (!find(handle, "curl_global_init", globalInit) ||
      !findAll(handle, loaded.library)) {
    loaded.failure = std::string(CURL_LIBRARY_NAME) + " lacks a function";
  } else if (globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    loaded.failure = "libcurl failed to start";
  }
  // Never unloaded: its global state lives to the end of the program.
  return loaded;
}

}  // namespace

const CurlLibrary* curlLibrary(std::string* failure) {
  static const Loaded loaded = load();
  if (loaded.failure.empty()) return &loaded.library;
  if (failure != nullptr) *failure = loaded.failure;
  return nullptr;
}

}  // namespace letterfreq
