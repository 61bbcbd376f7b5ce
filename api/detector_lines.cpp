// Detector::detectLines: every line of a stream as one text, counted in
// pieces as its bytes arrive, so that memory does not grow with a line.
#include <istream>
#include <streambuf>
#include <vector>

#include "api/detector_data.h"

namespace letterfreq {

namespace {

constexpr size_t LINE_PIECE = 64 * 1024;  // bytes counted at a time

// One line, counted in pieces as its bytes arrive.
class LineCounter {
 public:
  explicit LineCounter(const MatchMethod& method) : piece_(LINE_PIECE) {
    features_.attachFor(method, pass_);
    start();
  }
  LineCounter(const LineCounter&) = delete;
  LineCounter& operator=(const LineCounter&) = delete;

  void add(uint8_t byte) {
    if (used_ == piece_.size()) flushPiece();
    piece_[used_++] = byte;
  }

  // Ends the line: its counts into `counts`, its features finished.
  void end(int32_t* counts) {
    flushPiece();
    pass_.finish(counts);
  }

  const SampleFeatures& features() const { return features_; }

  void start() {
    pass_.start();
    used_ = 0;
  }

 private:
  void flushPiece() {
    pass_.feed(piece_.data(), used_);
    used_ = 0;
  }

  SampleFeatures features_;
  CountingPass pass_;
  std::vector<uint8_t> piece_;
  size_t used_ = 0;
};

}  // namespace

bool Detector::detectLines(
    std::istream& in,
    const std::function<bool(uint64_t line, const Answer& answer)>& onAnswer)
    const {
  std::streambuf* source = in.rdbuf();
  LineCounter line(data_->detector.method());
  LetterProfile profile;
  uint64_t number = 0;
  bool open = false;       // bytes of an unended line were read
  bool pendingCr = false;  // a CR that an LF may still strip
  for (;;) {
    const int next = source->sbumpc();
    const bool atEnd = next == std::char_traits<char>::eof();
    if (atEnd && !open && !pendingCr) break;
    if (atEnd || next == '\n') {
      line.end(profile.counts.data());
      const Answer answer =
          detectCounted(*this, profile.counts.data(), line.features());
      if (!onAnswer(++number, answer)) break;
      line.start();
      open = pendingCr = false;
      if (atEnd) break;
      continue;
    }
    if (pendingCr) line.add('\r');
    pendingCr = next == '\r';
    if (!pendingCr) line.add(static_cast<uint8_t>(next));
    open = true;
  }
  return !in.bad();
}

}  // namespace letterfreq
