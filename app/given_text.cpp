#include "app/given_text.h"

#include "sample/counting_pass.h"

namespace letterfreq {

LoadedSample countGivenText(const std::string& text) {
  LoadedSample loaded;
  CountingPass pass;
  loaded.features.attachAll(pass);
  pass.count(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
             loaded.profile.counts.data());
  loaded.profile.sampleCount = 1;
  loaded.ok = true;
  return loaded;
}

std::string givenTextName(GivenBy by, size_t bytes) {
  return std::string(by == GivenBy::Paste ? "pasted" : "dropped") + " text, " +
         std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "file:///a%20b.txt" and "file://localhost/a%20b.txt" give "/a b.txt";
// a file on another host, or no file URI at all, gives "".
std::string fileFromUri(const std::string& uri) {
  const std::string scheme = "file://";
  if (uri.compare(0, scheme.size(), scheme) != 0) return {};
  std::string rest = uri.substr(scheme.size());
  const std::string local = "localhost";
  if (rest.compare(0, local.size(), local) == 0) rest.erase(0, local.size());
  if (rest.empty() || rest[0] != '/') return {};
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    const bool escaped = rest[i] == '%' && i + 2 < rest.size() &&
                         hexValue(rest[i + 1]) >= 0 &&
                         hexValue(rest[i + 2]) >= 0;
    if (escaped) {
      path +=
          static_cast<char>(hexValue(rest[i + 1]) * 16 + hexValue(rest[i + 2]));
      i += 2;
    } else {
      path += rest[i];
    }
  }
  return path;
}

bool isAddress(const std::string& text) {
  if (text.rfind("http://", 0) != 0 && text.rfind("https://", 0) != 0) {
    return false;
  }
  return text.find_first_of(" \t\r\n") == std::string::npos;
}

}  // namespace

DeliveredText classifyDelivered(const std::string& text) {
  // A URI list may open with comment lines; its entries end in CR LF.
  if (text.rfind("file://", 0) == 0 || text.rfind("#", 0) == 0) {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      std::string entry = text.substr(start, end - start);
      if (!entry.empty() && entry.back() == '\r') entry.pop_back();
      const std::string file = fileFromUri(entry);
      if (!file.empty()) return {DeliveredText::Kind::FileName, file};
      if (!entry.empty() && entry[0] != '#') break;
      start = end + 1;
    }
  }
  std::string trimmed = text;
  while (!trimmed.empty() &&
         (trimmed.back() == '\n' || trimmed.back() == '\r')) {
    trimmed.pop_back();
  }
  if (isAddress(trimmed)) return {DeliveredText::Kind::Address, trimmed};
  return {DeliveredText::Kind::Text, {}};
}

}  // namespace letterfreq
