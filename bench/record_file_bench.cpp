// The record engine on a 50,000-record database (12,500 generated entries
// of 25 languages, four records each, about 14 MB): every
// RecordFile operation reads the file once and makes one pass; a
// RecordSnapshot reads it once and answers from its indexes. Reported as
// operations per second (items_per_second).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/generated_database.h"
#include "db/record_file.h"
#include "db/record_snapshot.h"
#include "profiles/schema.h"

namespace letterfreq {
namespace {

constexpr int ENTRIES = 12500;  // 50,025 records

// Made once, removed when the program ends.
struct GeneratedDatabase {
  GeneratedDatabase()
      : name((std::filesystem::temp_directory_path() /
              ("letterfreq-record-bench-" + std::to_string(getpid()) + ".db"))
                 .string()) {
    bench::writeGeneratedDatabase(name, ENTRIES);
  }
  ~GeneratedDatabase() { bench::removeDatabaseFiles(name); }
  std::string name;
};

const std::string& databaseName() {
  static const GeneratedDatabase database;
  return database.name;
}

// The entry ids (targets of Count Arrays), spread over the whole file.
const std::vector<uint32_t>& entryIds() {
  static const std::vector<uint32_t> ids = [] {
    std::vector<uint32_t> found;
    const RecordSnapshot snapshot(databaseName());
    for (const RecordRef& ref : snapshot.query_link(0, KIND_COUNT_ARRAY)) {
      found.push_back(snapshot.get_record(ref.id).link(0).target);
    }
    return found;
  }();
  return ids;
}

void setCounters(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations());
  state.counters["records"] =
      static_cast<double>(RecordSnapshot(databaseName()).records().size());
}

void BM_RecordFileQueryLink(benchmark::State& state) {
  const RecordFile file(databaseName());
  const std::vector<uint32_t>& ids = entryIds();
  size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        file.query_link(ids[k++ % ids.size()], KIND_COUNT_ARRAY));
  }
  setCounters(state);
}
BENCHMARK(BM_RecordFileQueryLink)->Unit(benchmark::kMillisecond);

void BM_RecordFileGetRecord(benchmark::State& state) {
  const RecordFile file(databaseName());
  const std::vector<uint32_t>& ids = entryIds();
  size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(file.get_record(ids[(k += 7919) % ids.size()]));
  }
  setCounters(state);
}
BENCHMARK(BM_RecordFileGetRecord)->Unit(benchmark::kMillisecond);

void BM_RecordFileNextRecordId(benchmark::State& state) {
  const RecordFile file(databaseName());
  for (auto _ : state) benchmark::DoNotOptimize(file.next_record_id());
  setCounters(state);
}
BENCHMARK(BM_RecordFileNextRecordId)->Unit(benchmark::kMillisecond);

void BM_SnapshotBuild(benchmark::State& state) {
  databaseName();
  for (auto _ : state) {
    benchmark::DoNotOptimize(RecordSnapshot(databaseName()));
  }
  setCounters(state);
}
BENCHMARK(BM_SnapshotBuild)->Unit(benchmark::kMillisecond);

void BM_SnapshotQueryLink(benchmark::State& state) {
  const RecordSnapshot snapshot(databaseName());
  const std::vector<uint32_t>& ids = entryIds();
  size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        snapshot.query_link(ids[k++ % ids.size()], KIND_COUNT_ARRAY));
  }
  setCounters(state);
}
BENCHMARK(BM_SnapshotQueryLink);

void BM_SnapshotGetRecord(benchmark::State& state) {
  const RecordSnapshot snapshot(databaseName());
  const std::vector<uint32_t>& ids = entryIds();
  size_t k = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        snapshot.get_record(ids[(k += 7919) % ids.size()]));
  }
  setCounters(state);
}
BENCHMARK(BM_SnapshotGetRecord);

void BM_SnapshotNextRecordId(benchmark::State& state) {
  const RecordSnapshot snapshot(databaseName());
  for (auto _ : state) benchmark::DoNotOptimize(snapshot.next_record_id());
  setCounters(state);
}
BENCHMARK(BM_SnapshotNextRecordId);

}  // namespace
}  // namespace letterfreq

BENCHMARK_MAIN();
