// letterfreq::Detector: the language of a text, as `letterfreq-cli
// detect` tells it: the best method the database supports, the best
// language's share of all as its confidence, "unknown" below the least
// confidence (0.5) and for bytes that are no language (nothing counted, no
// letters, mostly digits and signs, one letter repeated). It also ranks every language by any of the
// methods. A Detector may be used from several threads; calls on one
// Detector take turns, so give each thread its own for speed.
#ifndef LETTERFREQ_DETECTOR_H_
#define LETTERFREQ_DETECTOR_H_

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "letterfreq/database.h"
#include "letterfreq/sample.h"

namespace letterfreq {

// A language and its share of all languages (0 to 1).
struct Guess {
  std::string language;
  std::string code;     // BCP 47; empty when the language has none
  std::string iso6393;  // empty when not known
  double confidence = 0.0;
};

// The answer for one text.
struct Answer {
  std::string language = "unknown";
  std::string code = "und";  // "und" for unknown; empty: the language has none
  std::string iso6393 = "und";
  double confidence = 0.0;
  // The next languages, best first; when unknown, the best guesses.
  std::vector<Guess> alternatives;
  // A close language nearly as likely as the answer ("Croatian (or
  // Bosnian)"); empty otherwise.
  std::string orLanguage;
  // Why the answer is unknown ("no letters", "low confidence"); empty for
  // a language.
  std::string reason;

  bool known() const { return language != "unknown"; }
};

// A language's score by a method, in a ranking best first. What a score
// means is the method's (a share for "N-gram Likelihood"); NaN for a
// language without data for it.
struct Score {
  std::string language;
  std::string code;
  double score = 0.0;
};

// The languages a Detector may answer: names or codes in any letter case,
// a language subtag standing for its varieties ("zh" for both Chinese).
// Empty `only`: every language.
struct Candidates {
  std::vector<std::string> only;
  std::vector<std::string> ignore;
};

// A run of one language in a text: the bytes [start, end), which begin
// and end on UTF-8 character boundaries.
struct Span {
  size_t start = 0;
  size_t end = 0;
  std::string language;
  std::string code;     // BCP 47; empty when the language has none
  std::string iso6393;  // empty when not known
  double confidence = 0.0;  // the language's share over the run's bytes
};

// Where a Detector answers "unknown".
struct Thresholds {
  double minConfidence = 0.5;  // the least share of the best language
  int64_t minLength = 0;       // the fewest counted bytes
};

class Detector {
 public:
  // Over the starter database (Database::starter()).
  Detector();
  // Over `database`, as it was loaded; restricted to `candidates`, whose
  // shares are then shares among them. Throws letterfreq::Error when a
  // word names no language of the database or none is left, and when the
  // records the method's weights are made of are damaged.
  explicit Detector(const Database& database,
                    const Candidates& candidates = Candidates(),
                    const Thresholds& thresholds = Thresholds());

  Detector(Detector&& other) noexcept;
  Detector& operator=(Detector&& other) noexcept;
  ~Detector();

  Answer detect(std::string_view text) const;
  Answer detect(const Sample& sample) const;

  // Every line of `in` (ended by LF; a CR before it is left out) as one
  // text, answered as soon as it has ended: `onAnswer` hears its number
  // (from 1) and answer, and returns false to stop. Memory does not grow
  // with a line's length. False when reading `in` failed.
  bool detectLines(
      std::istream& in,
      const std::function<bool(uint64_t line, const Answer& answer)>&
          onAnswer) const;

  // `text` split into runs of one language each, in order, together
  // covering it whole (none for an empty text): the method detect uses,
  // over a window that slides along the text, with a cost for each switch
  // of language, so that a stretch too short to tell stays with its
  // neighbours.
  std::vector<Span> spans(std::string_view text) const;

  // The candidates best first by `method` (a method's name or short name
  // in any case, or its number; empty: the method detect uses). Throws
  // letterfreq::Error for a name that is no method.
  std::vector<Score> rank(const Sample& sample,
                          const std::string& method = "") const;
  std::vector<Score> rank(std::string_view text,
                          const std::string& method = "") const;

  // The name of the method detect uses ("N-gram Likelihood").
  std::string method() const;
  // The names of every method, in menu order.
  static std::vector<std::string> methods();

  struct Data;  // the library's own

 private:
  std::unique_ptr<Data> data_;
  friend Data& detectorData(const Detector& detector);
};

}  // namespace letterfreq

#endif  // LETTERFREQ_DETECTOR_H_
