// Times `letterfreq-cli match` of 1,000 samples against a database of 1,000
// entries (the target is under 2 seconds), with its ratio to an anchor
// timed in the same run: reading the database and every sample file once
// with plain reads, which no match can skip. Makes, in the folder given as
// the first argument (default $TMPDIR/letterfreq-match-timing), 1,000
// entries of generated languages (100 of 10 entries each, or as many
// languages as the second argument says) and 1,000 sample files of about
// 2 kB, then runs the command in process and prints the times. The files
// stay, so the program itself can be timed the same way:
//   time letterfreq-cli match --db FOLDER/timing.db FOLDER/sample-*.txt
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_runner.h"
#include "db/record_file.h"
#include "profiles/entry_add.h"
#include "sample/sample_loader.h"

namespace letterfreq {
namespace {

constexpr int ENTRIES = 1000;
constexpr int SAMPLES = 1000;
constexpr int SAMPLE_BYTES = 2000;

uint32_t nextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// Text of one generated language: its own weights over 40 letters, spaces
// between words. Different seeds of one language give similar texts.
std::string languageText(int language, uint32_t seed) {
  uint32_t weightsState = 1000u + static_cast<uint32_t>(language);
  std::vector<uint32_t> weights(40);
  uint32_t sum = 0;
  for (uint32_t& w : weights) sum += w = 1 + nextRandom(weightsState) % 50;
  std::string text;
  uint32_t state = seed;
  while (text.size() < SAMPLE_BYTES) {
    const int word = 2 + static_cast<int>(nextRandom(state) % 8);
    for (int i = 0; i < word; ++i) {
      uint32_t pick = nextRandom(state) % sum;
      size_t letter = 0;
      while (pick >= weights[letter]) pick -= weights[letter++];
      // Letters a..z, then some bytes above 127 as in accented text.
      text += static_cast<char>(letter < 26 ? 'a' + letter : 0xC0 + letter);
    }
    text += ' ';
  }
  return text;
}

std::string writeFile(const std::filesystem::path& path,
                      const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  return path.string();
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
      .count();
}

// The database: every entry's records in one append. False (with the
// reason on standard error) when a generated entry cannot be counted.
bool writeTimingDatabase(const std::filesystem::path& folder,
                         const std::string& db, int languageCount) {
  {
    RecordFile file(db);
    std::vector<LetterProfile> languages;
    std::vector<Record> records;
    uint32_t nextId = file.next_record_id();
    const std::string entryFile = (folder / "entry.txt").string();
    for (int l = 0; l < languageCount; ++l) {
      const std::string name = "Language " + std::to_string(l);
      for (int e = 0; e < ENTRIES / languageCount; ++e) {
        writeFile(entryFile, languageText(l, 77u * l + e));
        LetterProfile sample;
        std::string failure;
        if (!loadSample(entryFile, sample, &failure)) {
          std::cerr << entryFile << ": " << failure << "\n";
          return false;
        }
        sample.sortOrder();
        EntryRecords one = entryRecords(
            languages, {name, "entry " + std::to_string(e), entryFile}, sample,
            nextId);
        nextId = one.records.back().id() + 1;
        if (one.newLanguage) {
          LetterProfile language;
          language.name = name;
          language.recordId = one.languageId;
          languages.push_back(language);
        }
        records.insert(records.end(), one.records.begin(), one.records.end());
      }
    }
    file.append_records(records);
  }
  return true;
}

// The anchor: every file of `args` after the command word and "--db"
// read once into a reused buffer; seconds.
double readEveryFile(const std::vector<std::string>& args) {
  const auto start = std::chrono::steady_clock::now();
  std::vector<char> buffer(1 << 17);
  size_t total = 0;
  for (size_t a = 2; a < args.size(); ++a) {
    std::ifstream in(args[a], std::ios::binary);
    while (
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
        in.gcount() > 0) {
      total += static_cast<size_t>(in.gcount());
    }
  }
  const double seconds = secondsSince(start);
  return total > 0 ? seconds : -1.0;
}

int run(const std::filesystem::path& folder, int languageCount) {
  std::filesystem::create_directories(folder);
  const std::string db = (folder / "timing.db").string();
  std::filesystem::remove(db);
  if (!writeTimingDatabase(folder, db, languageCount)) return 1;

  std::vector<std::string> args = {"match", "--db", db};
  for (int s = 0; s < SAMPLES; ++s) {
    char name[32];
    std::snprintf(name, sizeof name, "sample-%04d.txt", s);
    args.push_back(writeFile(folder / name,
                             languageText(s % languageCount, 99991u * s + 5)));
  }

  for (const char* method : {"1", "4", "6"}) {
    std::vector<std::string> withMethod = args;
    withMethod.insert(withMethod.begin() + 3, {"--method", method});
    std::istringstream in;
    std::ostringstream out, err;
    const auto start = std::chrono::steady_clock::now();
    const int status = runCli(withMethod, in, out, err);
    const double seconds = secondsSince(start);
    const double anchor = readEveryFile(args);
    std::cout << "method " << method << ": " << SAMPLES << " samples against "
              << ENTRIES / languageCount * languageCount << " entries ("
              << languageCount << " languages): " << seconds << " s ("
              << seconds / anchor << "x reading the files once), exit "
              << status << ", " << out.str().size() << " bytes out\n";
    if (status != 0) {
      std::cerr << err.str();
      return 1;
    }
  }
  std::cout << "files kept in " << folder.string() << "\n";
  return 0;
}

}  // namespace
}  // namespace letterfreq

int main(int argc, char** argv) {
  const char* tmp = std::getenv("TMPDIR");
  const std::filesystem::path folder =
      argc > 1 ? std::filesystem::path(argv[1])
               : std::filesystem::path(tmp ? tmp : "/tmp") /
                     "letterfreq-match-timing";
  const int languages = argc > 2 ? std::atoi(argv[2]) : 100;
  if (languages < 1 || languages > 1000) {
    std::cerr << "usage: match_cli_timing [FOLDER [LANGUAGES (1 to 1000)]]\n";
    return 2;
  }
  return letterfreq::run(folder, languages);
}
