// The public library as a program uses it: only include/letterfreq/
// headers, answers that agree with letterfreq-cli, errors that carry the
// file and the reason.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "letterfreq/letterfreq.h"
#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::TempDir;

const std::string STARTER = LETTERFREQ_SOURCE_DIR "/data/ling2.db";
const std::vector<std::string> TEXTS = {
    "Der schnelle braune Fuchs springt über den faulen Hund.",
    "Le renard brun saute par-dessus le chien paresseux.",
    "The quick brown fox jumps over the lazy dog.",
    "Быстрая коричневая лиса прыгает через ленивую собаку.",
    "",
    "<p>&amp;</p>",
    "xq",
};

// The error a call throws, with its file and reason.
template <class Call>
Error errorOf(const Call& call) {
  try {
    call();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no letterfreq::Error was thrown";
  return Error("", "");
}

TEST(LibraryTest, AnswersAsDetectDoesWithCodesAndAlternatives) {
  const Detector detector(Database::open(STARTER));
  TempDir dir;
  std::vector<std::string> files;
  for (size_t i = 0; i < TEXTS.size(); ++i) {
    files.push_back(dir.write("t" + std::to_string(i), TEXTS[i]));
  }
  std::vector<std::string> args = {"detect", "--db", STARTER, "--codes"};
  args.insert(args.end(), files.begin(), files.end());
  const testing::CliResult cli = testing::runCliCaptured(args);
  ASSERT_EQ(cli.status, 0) << cli.err;
  std::istringstream lines(cli.out);
  for (size_t i = 0; i < TEXTS.size(); ++i) {
    const Answer answer = detector.detect(TEXTS[i]);
    // The same answer for the text, its Sample and its file.
    const Answer ofFile = detector.detect(Sample::ofFile(files[i]));
    EXPECT_EQ(ofFile.language, answer.language);
    EXPECT_EQ(ofFile.confidence, answer.confidence);
    char confidence[16];
    std::snprintf(confidence, sizeof confidence, "%.4f", answer.confidence);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, files[i] + "\t" + answer.code + "\t" + confidence);
    EXPECT_EQ(answer.known(), answer.confidence >= 0.5);
    EXPECT_EQ(answer.reason.empty(), answer.known()) << TEXTS[i];
    if (answer.known()) {
      EXPECT_EQ(answer.alternatives.size(), 2u);
    }
  }
  EXPECT_EQ(detector.detect(TEXTS[0]).iso6393, "deu");
  EXPECT_EQ(detector.detect(TEXTS[4]).code, "und");
  EXPECT_EQ(detector.detect(TEXTS[4]).reason, "nothing counted");
  EXPECT_EQ(detector.detect("1234567890").reason, "no letters");
  // The thresholds move where the answer becomes unknown.
  const Detector strict(Database::open(STARTER), {}, {1.01, 0});
  EXPECT_EQ(strict.detect(TEXTS[0]).reason, "low confidence");
  const Detector longer(Database::open(STARTER), {}, {0.5, 1000});
  EXPECT_EQ(longer.detect(TEXTS[0]).reason, "too short");
  EXPECT_EQ(detector.method(), "N-gram Likelihood");
}

TEST(LibraryTest, RanksEveryLanguageOnceByEveryMethod) {
  const Database database = Database::open(STARTER);
  const Detector detector(database);
  const Sample sample = Sample::ofText(TEXTS[1]);
  const size_t languages = database.languages().size();
  ASSERT_EQ(languages, 113u);
  for (const std::string& method : Detector::methods()) {
    const std::vector<Score> scores = detector.rank(sample, method);
    std::set<std::string> names;
    for (const Score& score : scores) names.insert(score.language);
    EXPECT_EQ(scores.size(), languages) << method;
    EXPECT_EQ(names.size(), languages) << method;
    // Falling scores; those that are no number (no data) last.
    for (size_t r = 1; r < scores.size(); ++r) {
      if (std::isnan(scores[r].score)) continue;
      EXPECT_GE(scores[r - 1].score, scores[r].score) << method;
    }
  }
  EXPECT_EQ(detector.rank(sample, "ngram")[0].language, "French");
  EXPECT_EQ(detector.rank(TEXTS[1])[0].code, "fr");
  EXPECT_EQ(errorOf([&] { detector.rank(sample, "guess"); }).reason(),
            "no method is named \"guess\"");
}

TEST(LibraryTest, CandidatesRestrictTheAnswerAndItsShares) {
  const Database database = Database::open(STARTER);
  const Detector only(database, {{"nl", "Frisian"}, {}});
  const Answer answer = only.detect(TEXTS[0]);  // German text
  EXPECT_TRUE(answer.language == "Dutch" || answer.language == "Frisian");
  double sum = answer.confidence;
  for (const Guess& guess : answer.alternatives) sum += guess.confidence;
  EXPECT_NEAR(sum, 1.0, 1e-4);
  EXPECT_EQ(only.rank(TEXTS[0], "diff").size(), 2u);
  const Detector ignoring(database, {{}, {"de"}});
  EXPECT_NE(ignoring.detect(TEXTS[0]).language, "German");

  const Error unknown = errorOf([&] { Detector(database, {{"xx"}, {}}); });
  EXPECT_EQ(unknown.file(), STARTER);
  EXPECT_EQ(unknown.reason(),
            "no language of the database is named or coded \"xx\"");
  EXPECT_EQ(errorOf([&] { Detector(database, {{"de"}, {"German"}}); }).reason(),
            "the candidates leave no language");
}

TEST(LibraryTest, AddsEntriesThatTheNextDetectorsSee) {
  TempDir dir;
  const std::string path = dir.file("new.db");
  Database database = Database::open(path, {OpenMode::ForAdding, nullptr});
  EXPECT_TRUE(database.languages().empty());
  const Detector before(database);
  database.add("Klingon", Sample::ofText("tlhIngan Hol Dajatlh'a'"),
               {"phrase", "tlh"});
  database.add("Klingon", Sample::ofText("Qapla' batlh"));
  database.add("English", Sample::ofText("the cat sat on the mat"));
  const std::vector<Language> languages = database.languages();
  ASSERT_EQ(languages.size(), 2u);
  EXPECT_EQ(languages[0].name, "Klingon");
  EXPECT_EQ(languages[0].code, "tlh");
  EXPECT_EQ(languages[0].entries, 2);
  EXPECT_EQ(languages[0].bytes, 23 + 12);
  EXPECT_EQ(languages[1].code, "en");  // from the starter table
  EXPECT_EQ(Detector(database).detect("Qapla' tlhIngan").language, "Klingon");
  // A detector keeps the languages it was made with.
  EXPECT_EQ(before.detect("Qapla'").language, "unknown");
  // What a reader of the same file sees.
  EXPECT_EQ(Database::open(path).languages().size(), 2u);
}

TEST(LibraryTest, ErrorsCarryTheFileAndTheReason) {
  TempDir dir;
  const std::string missing = dir.file("missing.db");
  Error e = errorOf([&] { Database::open(missing); });
  EXPECT_EQ(e.file(), missing);
  EXPECT_EQ(e.reason(), "no such database");
  EXPECT_EQ(std::string(e.what()), missing + ": no such database");

  const std::string damaged = dir.write("damaged.db", "not a database");
  e = errorOf([&] { Database::open(damaged); });
  EXPECT_EQ(e.file(), damaged);
  EXPECT_EQ(e.reason().substr(0, 1), "!");

  e = errorOf([&] { Database::open(dir.path()); });  // a folder
  EXPECT_EQ(e.file(), dir.path());
  EXPECT_FALSE(e.reason().empty());

  e = errorOf([&] { Sample::ofFile(dir.file("none.txt")); });
  EXPECT_EQ(e.file(), dir.file("none.txt"));
  EXPECT_EQ(e.reason(), "No such file or directory");

  Database readOnly = Database::open(STARTER);
  e = errorOf([&] { readOnly.add("English", Sample::ofText("hello")); });
  EXPECT_EQ(e.reason(),
            "the database was opened read-only; open it for adding");
  Database adding =
      Database::open(dir.file("a.db"), {OpenMode::ForAdding, nullptr});
  EXPECT_EQ(errorOf([&] { adding.add("", Sample::ofText("x")); }).reason(),
            "You must type in or select a language.");
  EXPECT_EQ(errorOf([&] {
              adding.add("X", Sample::ofText("x"), {"", "not a code"});
            }).reason(),
            "not a language code: \"not a code\"");
  EXPECT_TRUE(adding.languages().empty());  // nothing was written
}

TEST(LibraryTest, LinesAnswerAsTheyEndAndStopWhenAsked) {
  const Detector detector(Database::open(STARTER));
  std::istringstream in(TEXTS[0] + "\r\n\n" + TEXTS[1] + "\r\r\n" + TEXTS[2]);
  std::vector<Answer> answers;
  EXPECT_TRUE(detector.detectLines(in, [&](uint64_t line, const Answer& a) {
    EXPECT_EQ(line, answers.size() + 1);
    answers.push_back(a);
    return true;
  }));
  ASSERT_EQ(answers.size(), 4u);
  EXPECT_EQ(answers[0].confidence, detector.detect(TEXTS[0]).confidence);
  EXPECT_EQ(answers[1].language, "unknown");
  // Only the CR right before the LF is left out.
  EXPECT_EQ(answers[2].confidence,
            detector.detect(TEXTS[1] + "\r").confidence);
  EXPECT_EQ(answers[3].language, "English");
  std::istringstream again(TEXTS[0] + "\n" + TEXTS[1] + "\n");
  int heard = 0;
  detector.detectLines(again, [&](uint64_t, const Answer&) {
    return ++heard < 1;
  });
  EXPECT_EQ(heard, 1);
}

TEST(LibraryTest, OneDetectorAnswersManyThreadsAlike) {
  const Detector detector(Database::open(STARTER));
  std::vector<double> alone;
  for (const std::string& text : TEXTS) {
    alone.push_back(detector.detect(text).confidence);
  }
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 50; ++round) {
        for (size_t i = 0; i < TEXTS.size(); ++i) {
          if (detector.detect(TEXTS[i]).confidence != alone[i]) ++wrong[t];
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

TEST(LibraryTest, SpansSplitMixedTextOnCharacterBoundaries) {
  const Detector detector(Database::open(STARTER));
  const std::string english =
      "The committee met on Tuesday to discuss the budget for the coming "
      "year, and most members agreed that the plan was sound. ";
  const std::string german =
      "Der Ausschuss traf sich am Dienstag, um über den Haushalt für das "
      "kommende Jahr zu sprechen, und die meisten Mitglieder stimmten zu. ";
  const std::string russian =
      "Комитет собрался во вторник, чтобы обсудить бюджет на следующий "
      "год, и большинство членов согласились с планом. ";
  const std::string text = english + german + russian;
  const std::vector<Span> spans = detector.spans(text);
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_EQ(spans[0].language, "English");
  EXPECT_EQ(spans[1].language, "German");
  EXPECT_EQ(spans[2].language, "Russian");
  EXPECT_EQ(spans[2].code, "ru");
  // The runs cover the text, each boundary within 20 bytes of the truth
  // and on a character boundary.
  EXPECT_EQ(spans[0].start, 0u);
  EXPECT_EQ(spans[2].end, text.size());
  EXPECT_NEAR(double(spans[1].start), double(english.size()), 20);
  EXPECT_NEAR(double(spans[2].start), double(english.size() + german.size()),
              20);
  for (const Span& span : spans) {
    EXPECT_NE(static_cast<unsigned char>(text[span.start]) & 0xC0, 0x80);
    EXPECT_GT(span.confidence, 0.5);
  }
  EXPECT_EQ(spans[0].end, spans[1].start);
  // One language, and no text.
  ASSERT_EQ(detector.spans(german).size(), 1u);
  EXPECT_TRUE(detector.spans("").empty());
}

}  // namespace
}  // namespace letterfreq
