#include "letterfreq/error.h"

#include <utility>

namespace letterfreq {

namespace {

std::string errorText(const std::string& file, const std::string& reason) {
  return file.empty() ? reason : file + ": " + reason;
}

}  // namespace

Error::Error(std::string file, std::string reason)
    : std::runtime_error(errorText(file, reason)),
      file_(std::move(file)),
      reason_(std::move(reason)) {}

}  // namespace letterfreq
