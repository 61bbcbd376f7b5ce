// letterfreq::Sample: a text counted as letterfreq counts a sample (markup
// tags and character entities left out, CR read as LF, a run of the same
// white-space byte counted once), with everything any method needs, so
// that one count serves detect, rank and Database::add. A value that owns
// its counts (some 70 KiB); it can be moved, not copied.
#ifndef LETTERFREQ_SAMPLE_H_
#define LETTERFREQ_SAMPLE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace letterfreq {

class Sample {
 public:
  // The bytes of `text`, counted as a file holding them would be; its
  // source (what Database::add stores as the entry's source) is `source`.
  static Sample ofText(std::string_view text,
                       const std::string& source = "text");
  // The file `path`, read to its end. Throws letterfreq::Error with the
  // file and the system's reason when it cannot be opened or read.
  static Sample ofFile(const std::string& path);

  Sample(const Sample&) = delete;
  Sample& operator=(const Sample&) = delete;
  Sample(Sample&& other) noexcept;
  Sample& operator=(Sample&& other) noexcept;
  ~Sample();

  // The bytes counted (0 for an empty text or one of markup alone).
  int64_t countedBytes() const;
  // How often byte value `byte` was counted; byte 255 never is.
  int64_t count(uint8_t byte) const;
  const std::string& source() const;

  struct Data;  // the library's own

 private:
  explicit Sample(std::unique_ptr<Data> data);
  std::unique_ptr<Data> data_;
  friend const Data& sampleData(const Sample& sample);
  friend Sample sampleOf(std::unique_ptr<Data> data);
};

}  // namespace letterfreq

#endif  // LETTERFREQ_SAMPLE_H_
