// likelihood_gaps: the raw material of detect's confidence calibration.
// Every line of standard input is one sample, ranked by the best method of
// the database (a likelihood method). A first line names the languages in
// database order, tab-separated; then, per sample, it prints the sample's
// feature count N and, for every language in database order, s_L - s_best
// ("-" for a language without data), tab-separated. bench/fit-confidence
// reads it.
//
//   likelihood_gaps --db FILE < snippets.txt > gaps.tsv
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

#include "db/record_file.h"
#include "profiles/database_load.h"
#include "profiles/language_detector.h"
#include "profiles/methods.h"
#include "profiles/sample_features.h"
#include "sample/counting_pass.h"

namespace letterfreq {
namespace {

void printGaps(const Ranking& ranking, size_t languages) {
  std::vector<bool> scored(languages, false);
  int64_t best = 0;
  bool any = false;
  for (size_t r = 0; r < ranking.languages.size(); ++r) {
    if (std::isnan(ranking.scores[r])) continue;
    const auto e = static_cast<size_t>(ranking.languages[r]);
    scored[e] = true;
    if (!any || ranking.ngramSums[e] > best) best = ranking.ngramSums[e];
    any = true;
  }
  std::printf("%llu", static_cast<unsigned long long>(ranking.sampleFeatures));
  for (size_t e = 0; e < languages; ++e) {
    if (scored[e]) {
      std::printf("\t%lld", static_cast<long long>(ranking.ngramSums[e] - best));
    } else {
      std::printf("\t-");
    }
  }
  std::printf("\n");
}

int run(const std::string& databaseName) {
  RecordFile file(databaseName);
  const DatabaseLoad load = loadDatabase(file, LoadHooks{});
  const MatchMethod& method = bestDetectionMethod(load);
  if (method.features == NO_FEATURES) {
    std::cerr << "likelihood_gaps: " << databaseName
              << " carries no likelihood method's data\n";
    return 1;
  }
  const MatchTarget target(load.languageProfiles(), load.features);
  SampleFeatures features;
  CountingPass pass;
  features.attachFor(method, pass);
  for (size_t e = 0; e < load.languages.size(); ++e) {
    std::printf("%s%s", e ? "\t" : "", load.languages[e].profile.name.c_str());
  }
  std::printf("\n");
  Ranking ranking;
  LetterProfile sample;
  std::string line;
  while (std::getline(std::cin, line)) {
    pass.start();
    pass.feed(reinterpret_cast<const uint8_t*>(line.data()), line.size());
    pass.finish(sample.counts.data());
    rankByMethod(method, target, features.with(sample.counts.data()), 0,
                 ranking);
    printGaps(ranking, load.languages.size());
  }
  return 0;
}

}  // namespace
}  // namespace letterfreq

int main(int argc, char** argv) {
  CLI::App app{"The likelihood gaps of every line of standard input"};
  std::string database;
  app.add_option("--db", database, "The database")->required();
  CLI11_PARSE(app, argc, argv);
  try {
    return letterfreq::run(database);
  } catch (const std::exception& error) {
    std::cerr << "likelihood_gaps: " << error.what() << "\n";
    return 1;
  }
}
