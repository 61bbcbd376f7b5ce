#include <cstring>
#include <utility>

#include "api/library_data.h"
#include "letterfreq/error.h"
#include "sample/counting_pass.h"
#include "sample/sample_loader.h"

namespace letterfreq {

namespace {

int64_t countedBytesOf(const LetterProfile& profile) {
  int64_t total = 0;
  for (int32_t count : profile.counts) total += count;
  return total;
}

}  // namespace

Sample::Sample(std::unique_ptr<Data> data) : data_(std::move(data)) {}
Sample::Sample(Sample&& other) noexcept = default;
Sample& Sample::operator=(Sample&& other) noexcept = default;
Sample::~Sample() = default;

const Sample::Data& sampleData(const Sample& sample) { return *sample.data_; }

Sample sampleOf(std::unique_ptr<Sample::Data> data) {
  return Sample(std::move(data));
}

Sample Sample::ofText(std::string_view text, const std::string& source) {
  auto data = std::make_unique<Data>();
  data->source = source;
  CountingPass pass;
  data->features.attachAll(pass);
  pass.count(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
             data->profile.counts.data());
  data->profile.sampleCount = 1;
  data->profile.sortOrder();
  data->profile.computeTotals();
  return Sample(std::move(data));
}

Sample Sample::ofFile(const std::string& path) {
  auto data = std::make_unique<Data>();
  data->source = path;
  CountingPass pass;
  data->features.attachAll(pass);
  SampleOutcome outcome;
  if (!countFile(path, data->profile.counts.data(), pass, SampleLimits(),
                 nullptr, &outcome)) {
    throw Error(path, outcome.fileError != 0
                          ? std::strerror(outcome.fileError)
                          : FILE_OPEN_FAILED);
  }
  data->profile.sampleCount = 1;
  data->profile.sortOrder();
  data->profile.computeTotals();
  return Sample(std::move(data));
}

int64_t Sample::countedBytes() const { return countedBytesOf(data_->profile); }

int64_t Sample::count(uint8_t byte) const {
  return byte < PROFILE_SLOTS ? data_->profile.counts[byte] : 0;
}

const std::string& Sample::source() const { return data_->source; }

}  // namespace letterfreq
