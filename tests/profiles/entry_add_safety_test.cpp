// Adding entries from several processes at once, and adds killed at many
// points of a batch: the file always loads without a warning, holding every
// entry of an add or none, each id once, each entry under its language.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "profiles/database_load.h"
#include "profiles/entry_add.h"
#include "tests/support/temp_dir.h"
#include "tests/support/feature_samples.h"

namespace letterfreq {
namespace {

LetterProfile someSample() {
  LetterProfile sample;
  for (int k = 0; k < 20; ++k) sample.counts['a' + k] = 20 - k;
  sample.sampleCount = 1;
  sample.sortOrder();
  return sample;
}

struct Loaded {
  DatabaseLoad load;
  std::vector<std::string> warnings;
  size_t entries = 0;
};

Loaded loadOf(const std::string& path) {
  Loaded loaded;
  LoadHooks hooks;
  hooks.warning = [&](const std::string& text) {
    loaded.warnings.push_back(text);
  };
  loaded.load = loadDatabase(RecordSnapshot(path), hooks);
  for (const LoadedLanguage& language : loaded.load.languages) {
    loaded.entries += language.entries.size();
  }
  return loaded;
}

// Runs `work` in a child process; returns its pid.
template <class Work>
pid_t inChild(Work work) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    int status = 0;
    try {
      work();
    } catch (...) {
      status = 1;
    }
    ::_exit(status);
  }
  return pid;
}

int exitStatusOf(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Four processes add 30 entries each, a third of them under one shared
// language and the rest under languages of their own.
TEST(EntryAddSafetyTest, ConcurrentAddsShareNoIdAndMakeNoLanguageTwice) {
  testing::TempDir dir;
  const std::string path = dir.file("ling2.db");
  const LetterProfile sample = someSample();
  constexpr int PROCESSES = 4;
  constexpr int ROUNDS = 30;
  std::vector<pid_t> children;
  for (int c = 0; c < PROCESSES; ++c) {
    children.push_back(inChild([&, c] {
      RecordFile file(path);
      for (int k = 0; k < ROUNDS; ++k) {
        const std::string language =
            k % 3 == 0 ? "Shared"
                       : "L" + std::to_string(c) + "-" + std::to_string(k);
        storeEntry(file, {language, language + "#" + std::to_string(c), "s"},
                   sample);
      }
    }));
  }
  for (pid_t child : children) EXPECT_EQ(exitStatusOf(child), 0);

  std::set<uint32_t> ids;
  const RecordSnapshot snapshot(path);
  for (const RecordRef& ref : snapshot.query_all()) {
    EXPECT_TRUE(ids.insert(ref.id).second) << "id " << ref.id << " twice";
  }
  const Loaded loaded = loadOf(path);
  EXPECT_TRUE(loaded.warnings.empty());
  EXPECT_EQ(loaded.entries, size_t{PROCESSES * ROUNDS});
  std::set<std::string> names;
  for (size_t i = 0; i < loaded.load.languagesReached(); ++i) {
    const std::string& language = loaded.load.languageProfiles()[i].name;
    EXPECT_TRUE(names.insert(language).second) << language << " twice";
    for (const LoadedEntry& entry : loaded.load.languages[i].entries) {
      EXPECT_EQ(entry.name.substr(0, entry.name.find('#')), language);
    }
  }
  EXPECT_EQ(names.size(), size_t{1 + PROCESSES * (ROUNDS - ROUNDS / 3)});
}

// A batch of 200 entries with 8 KB lists each, killed after delays spread
// over the time one takes; after every kill the next add works.
TEST(EntryAddSafetyTest, KilledBatchAddLeavesAllOrNothing) {
  testing::TempDir dir;
  const std::string path = dir.file("ling2.db");
  const LetterProfile sample = someSample();
  const std::vector<uint8_t> list(8192, 7);
  const FeatureBlocks blocks = ngramBlock(&list);
  std::vector<NewEntry> batch;
  for (int k = 0; k < 200; ++k) {
    batch.push_back({{"Batch", "e" + std::to_string(k), "s"}, sample, &blocks});
  }
  auto addBatch = [&] {
    RecordFile file(path);
    storeEntries(file, batch, ngramsAsked());
  };
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(exitStatusOf(inChild(addBatch)), 0);
  const auto oneBatch = std::chrono::steady_clock::now() - start;

  size_t expected = batch.size();
  int whole = 0, none = 0;
  for (int round = 0; round < 30; ++round) {
    const pid_t child = inChild(addBatch);
    std::this_thread::sleep_for(oneBatch * round / 25);
    ::kill(child, SIGKILL);
    exitStatusOf(child);

    const Loaded loaded = loadOf(path);
    EXPECT_TRUE(loaded.warnings.empty()) << loaded.warnings.front();
    if (loaded.entries == expected + batch.size()) {
      ++whole;
      expected += batch.size();
    } else {
      EXPECT_EQ(loaded.entries, expected) << "round " << round;
      ++none;
    }
    RecordFile file(path);
    storeEntry(file, {"Batch", "single", "s"}, sample);
    ++expected;
    EXPECT_EQ(loadOf(path).entries, expected);
  }
  ::testing::Test::RecordProperty("whole", whole);
  ::testing::Test::RecordProperty("none", none);
}

}  // namespace
}  // namespace letterfreq
