// Detector::spans: the languages of a text's stretches. The text is cut
// into blocks of about SPAN_BLOCK bytes on character (mostly word)
// boundaries; each block gets every candidate's share over a window of
// SPAN_WINDOW bytes around it; the best path of languages through the
// blocks (Viterbi), paying SWITCH_COST for each change of language, makes
// the runs.
#include <algorithm>
#include <cmath>
#include <limits>

#include "api/detector_data.h"
#include "profiles/candidates.h"

namespace letterfreq {

namespace {

constexpr size_t SPAN_BLOCK = 16;    // bytes a block holds, about
constexpr size_t WORD_REACH = 12;    // how far a block end looks for a space
constexpr size_t SPAN_WINDOW = 40;   // bytes scored on each side of a block
constexpr double SWITCH_COST = 12.0;  // in nats of the shares' logarithms
constexpr double LEAST_SHARE = 1e-9;  // a share of 0 weighs as this
// A run shorter than this, or whose language is no likelier than the
// rest over its own bytes, cannot be told: it joins a neighbour.
constexpr size_t LEAST_RUN = 2 * SPAN_WINDOW;
constexpr double LEAST_RUN_SHARE = 0.5;

bool continuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The next character boundary at or after `at`.
size_t boundaryFrom(std::string_view text, size_t at) {
  while (at < text.size() &&
         continuationByte(static_cast<unsigned char>(text[at]))) {
    ++at;
  }
  return std::min(at, text.size());
}

// Block ends: after about SPAN_BLOCK bytes, at the next white space when
// one is near (the block then ends after it), else on a character boundary.
std::vector<size_t> blockEnds(std::string_view text) {
  std::vector<size_t> ends;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = std::min(text.size(), at + SPAN_BLOCK);
    const size_t reach = std::min(text.size(), end + WORD_REACH);
    size_t space = end;
    while (space < reach && text[space] != ' ' && text[space] != '\n') ++space;
    end = space < reach ? space + 1 : boundaryFrom(text, end);
    ends.push_back(end);
    at = end;
  }
  return ends;
}

// The best language of each block, by Viterbi over the blocks' log shares.
std::vector<size_t> bestPath(const std::vector<std::vector<double>>& logs) {
  const size_t languages = logs.front().size();
  std::vector<std::vector<size_t>> from(logs.size(),
                                        std::vector<size_t>(languages));
  std::vector<double> score = logs.front();
  for (size_t b = 1; b < logs.size(); ++b) {
    const size_t leader = static_cast<size_t>(
        std::max_element(score.begin(), score.end()) - score.begin());
    std::vector<double> next(languages);
    for (size_t l = 0; l < languages; ++l) {
      const bool stay = score[l] >= score[leader] - SWITCH_COST;
      from[b][l] = stay ? l : leader;
      next[l] = logs[b][l] + (stay ? score[l] : score[leader] - SWITCH_COST);
    }
    score.swap(next);
  }
  std::vector<size_t> path(logs.size());
  path.back() = static_cast<size_t>(
      std::max_element(score.begin(), score.end()) - score.begin());
  for (size_t b = logs.size() - 1; b > 0; --b) path[b - 1] = from[b][path[b]];
  return path;
}

// Each language's share of a piece of text, in load order (0 for one
// that is no candidate or has no score).
std::vector<double> languageShares(Detector::Data& data,
                                   std::string_view piece) {
  const MatchMethod& method = data.detector.method();
  data.pass.count(reinterpret_cast<const uint8_t*>(piece.data()),
                  piece.size(), data.text.counts.data());
  rankByMethod(method, data.target, data.features.with(data.text.counts.data()),
               0, data.ranking);
  if (!data.candidates.empty()) {
    keepCandidates(data.candidates, method, 0, data.ranking);
  }
  const std::vector<MatchRow> rows =
      namedRows(data.ranking, data.target.languages());
  const std::vector<float> shares = rankingShares(rows, method);
  std::vector<double> result(data.codes.size(), 0.0);
  for (size_t r = 0; r < rows.size(); ++r) {
    result[static_cast<size_t>(rows[r].language)] = shares[r];
  }
  return result;
}

// Language positions are kept in Span::language as decimal text until
// the runs are named.
size_t positionOf(const Span& run) { return std::stoul(run.language); }

double shareOver(Detector::Data& data, std::string_view text,
                 const Span& run, size_t language) {
  return languageShares(data, text.substr(run.start, run.end - run.start))
      [language];
}

// Joins each run that cannot be told to the neighbour whose language is
// likelier over its bytes, the weakest first, until none is left.
std::vector<Span> joinUntold(Detector::Data& data, std::string_view text,
                             std::vector<Span> runs) {
  while (runs.size() > 1) {
    size_t weakest = runs.size();
    double weakestShare = 2.0;
    for (size_t r = 0; r < runs.size(); ++r) {
      const double share = shareOver(data, text, runs[r], positionOf(runs[r]));
      const bool untold = runs[r].end - runs[r].start < LEAST_RUN ||
                          share < LEAST_RUN_SHARE;
      if (untold && share < weakestShare) {
        weakest = r;
        weakestShare = share;
      }
    }
    if (weakest == runs.size()) break;
    const size_t left = weakest > 0 ? weakest - 1 : weakest + 1;
    const size_t right = weakest + 1 < runs.size() ? weakest + 1 : left;
    const size_t into =
        shareOver(data, text, runs[weakest], positionOf(runs[left])) >=
                shareOver(data, text, runs[weakest], positionOf(runs[right]))
            ? left
            : right;
    runs[into].start = std::min(runs[into].start, runs[weakest].start);
    runs[into].end = std::max(runs[into].end, runs[weakest].end);
    runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(weakest));
    // Neighbours of one language become one run.
    for (size_t r = 1; r < runs.size(); ++r) {
      if (runs[r].language != runs[r - 1].language) continue;
      runs[r - 1].end = runs[r].end;
      runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(r));
      break;
    }
  }
  return runs;
}

std::vector<Span> namedRuns(Detector::Data& data, std::string_view text,
                            std::vector<Span> runs) {
  for (Span& run : runs) {
    const size_t language = positionOf(run);
    run.confidence = shareOver(data, text, run, language);
    run.language = data.loaded->languages[language].profile.name;
    run.code = data.codes[language].tag;
    run.iso6393 = data.codes[language].iso6393;
  }
  return runs;
}

}  // namespace

std::vector<Span> Detector::spans(std::string_view text) const {
  if (text.empty()) return {};
  const std::lock_guard<std::mutex> turn(data_->turn);
  const std::vector<size_t> ends = blockEnds(text);
  std::vector<std::vector<double>> logs;
  size_t start = 0;
  for (const size_t end : ends) {
    const size_t from = start > SPAN_WINDOW ? start - SPAN_WINDOW : 0;
    const size_t to = std::min(text.size(), end + SPAN_WINDOW);
    std::vector<double> shares =
        languageShares(*data_, text.substr(from, to - from));
    for (double& share : shares) share = std::log(std::max(share, LEAST_SHARE));
    logs.push_back(std::move(shares));
    start = end;
  }
  const std::vector<size_t> path = bestPath(logs);
  std::vector<Span> runs;
  start = 0;
  for (size_t b = 0; b < ends.size(); ++b) {
    if (b + 1 < ends.size() && path[b + 1] == path[b]) continue;
    runs.push_back({start, ends[b], std::to_string(path[b]), "", "", 0.0});
    start = ends[b];
  }
  return namedRuns(*data_, text, joinUntold(*data_, text, std::move(runs)));
}

}  // namespace letterfreq
