// An example program of the letterfreq library, built against the
// installed headers and library:
//
//   c++ -std=c++17 detect_languages.cpp -o detect_languages
//       $(pkg-config --cflags --libs letterfreq)
//
// detect_languages TEXT...: the language of each TEXT by the starter
// database, its next guesses, and the best three by Difference.
// detect_languages --add DB LANGUAGE CODE FILE: adds FILE to DB (made
// when missing) as an entry of LANGUAGE and lists DB's languages.
#include <letterfreq/letterfreq.h>

#include <iostream>
#include <string>

namespace {

int detectTexts(int argc, char** argv) {
  const letterfreq::Detector detector;  // the starter database
  std::cout << "method: " << detector.method() << '\n';
  for (int i = 1; i < argc; ++i) {
    const letterfreq::Answer answer = detector.detect(argv[i]);
    std::cout << answer.language << '\t' << answer.code << '\t'
              << answer.confidence;
    for (const letterfreq::Guess& next : answer.alternatives) {
      std::cout << '\t' << next.language << ' ' << next.confidence;
    }
    std::cout << '\n';
    const auto scores = detector.rank(std::string(argv[i]), "diff");
    std::cout << "diff:";
    for (size_t r = 0; r < 3 && r < scores.size(); ++r) {
      std::cout << ' ' << scores[r].language;
    }
    std::cout << '\n';
  }
  return 0;
}

int addEntry(char** argv) {
  letterfreq::Database database = letterfreq::Database::open(
      argv[2], {letterfreq::OpenMode::ForAdding, nullptr});
  database.add(argv[3], letterfreq::Sample::ofFile(argv[5]),
               {"example entry", argv[4]});
  for (const letterfreq::Language& language : database.languages()) {
    std::cout << language.name << '\t' << language.code << '\t'
              << language.entries << '\t' << language.bytes << '\n';
  }
  const letterfreq::Detector only(database, {{argv[4]}, {}});
  std::cout << only.detect(letterfreq::Sample::ofFile(argv[5])).language
            << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 6 && std::string(argv[1]) == "--add") return addEntry(argv);
    return detectTexts(argc, argv);
  } catch (const letterfreq::Error& e) {
    // The library names the file and the reason; the program decides.
    std::cerr << "detect_languages: " << e.file() << ": " << e.reason()
              << '\n';
    return 1;
  }
}
