// load_memory: what a database load takes, as a ratio to the file's size,
// at 1,000, 10,000 and 100,000 generated entries (or the sizes given as
// arguments), with the load's time beside the time of reading the same
// file once (the "cat" anchor), all in one run:
//   build/load_memory [ENTRIES...]
// Each size is loaded in a child process of its own, so one size's heap
// does not count in the next one's figures. Heap bytes are counted by this
// program's operator new; peakHeap is the most held at once during the
// load, kept the heap the load result holds after it, peakRss the growth
// of the resident set (VmHWM) over the child's start. Target: peakHeap at
// most 1.5x the file at 100,000 entries.
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "bench/generated_database.h"
#include "db/file_io.h"
#include "db/record_snapshot.h"
#include "profiles/database_load.h"

namespace {

std::atomic<long long> heapNow{0};
std::atomic<long long> heapPeak{0};

void* counted(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  const long long now =
      heapNow += static_cast<long long>(malloc_usable_size(p));
  long long peak = heapPeak.load();
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
  return p;
}

void uncounted(void* p) {
  if (p == nullptr) return;
  heapNow -= static_cast<long long>(malloc_usable_size(p));
  std::free(p);
}

}  // namespace

void* operator new(size_t size) { return counted(size); }
void* operator new[](size_t size) { return counted(size); }
void operator delete(void* p) noexcept { uncounted(p); }
void operator delete[](void* p) noexcept { uncounted(p); }
void operator delete(void* p, size_t) noexcept { uncounted(p); }
void operator delete[](void* p, size_t) noexcept { uncounted(p); }

namespace letterfreq {
namespace {

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
long long statusKb(const std::string& key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, key.size() + 1, key + ":") == 0) {
      return std::atoll(line.c_str() + key.size() + 1);
    }
  }
  return 0;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                       start)
      .count();
}

// The figures of one size, measured in this (child) process.
int measure(const std::string& path, int entries) {
  const double fileBytes =
      static_cast<double>(std::filesystem::file_size(path));
  // The anchor: the file read into memory once, best of three.
  double readSeconds = 1e9;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const std::vector<uint8_t> bytes = readDatabaseFile(path);
    readSeconds = std::min(readSeconds, secondsSince(start));
  }
  // Peak resident set from here on.
  std::ofstream("/proc/self/clear_refs") << "5";
  const long long rssBefore = statusKb("VmRSS");
  const long long heapBefore = heapNow.load();
  heapPeak = heapBefore;
  const auto start = std::chrono::steady_clock::now();
  const DatabaseLoad load = loadDatabase(RecordSnapshot(path), {});
  const double loadSeconds = secondsSince(start);
  const double peak = static_cast<double>(heapPeak.load() - heapBefore);
  const double kept = static_cast<double>(heapNow.load() - heapBefore);
  const double rss =
      static_cast<double>(statusKb("VmHWM") - rssBefore) * 1024.0;
  if (load.outcome != LoadOutcome::Complete) {
    std::fprintf(stderr, "load_memory: %s did not load\n", path.c_str());
    return 1;
  }
  std::printf(
      "%8d entries  file %7.1f MB  load %8.1f ms (%5.2fx the read, %6.1f "
      "ms)  peakHeap %5.2fx  kept %5.2fx  peakRss %5.2fx  (%5.0f B/entry "
      "kept)\n",
      entries, fileBytes / 1048576.0, loadSeconds * 1000.0,
      loadSeconds / readSeconds, readSeconds * 1000.0, peak / fileBytes,
      kept / fileBytes, rss / fileBytes, kept / entries);
  std::fflush(stdout);  // the child ends by _exit
  return 0;
}

int measureInChild(int entries) {
  const std::string path =
      bench::generatedDatabaseFile("letterfreq-load-memory", entries);
  if (path.empty()) {
    std::fprintf(stderr, "load_memory: could not make %d entries\n", entries);
    return 1;
  }
  std::fflush(stdout);
  const pid_t pid = fork();
  if (pid == 0) _exit(measure(path, entries));
  int status = 0;
  waitpid(pid, &status, 0);
  std::filesystem::remove(path);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace
}  // namespace letterfreq

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000, 100000};
  int status = 0;
  for (int entries : sizes) {
    if (entries < 1) {
      std::fprintf(stderr, "usage: load_memory [ENTRIES...]\n");
      return 2;
    }
    status |= letterfreq::measureInChild(entries);
  }
  return status;
}
