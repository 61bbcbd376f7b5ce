// Too little memory for a load is an error with a "!" line that names the
// file, never an abort: the real program in a child whose address space
// is limited (setrlimit through the shell's ulimit -v).
#include <gtest/gtest.h>

#include <string>

#include "tests/profiles/schema_bytes.h"
#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__)
#define LETTERFREQ_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LETTERFREQ_UNDER_ASAN 1
#endif
#endif

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::runProgram;

TEST(MemoryLimitTest, ALoadThatOutgrowsMemoryFailsWithAMessage) {
#ifdef LETTERFREQ_UNDER_ASAN
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
  // 200,000 tiny languages: a 4 MB file whose profiles need over 1 GB.
  std::string bytes;
  for (uint32_t id = 257; id < 257 + 200000; ++id) {
    bytes += testing::languageRecord(id, "L");
  }
  testing::TempDir dir;
  const std::string db = dir.write("many.db", bytes);
  const std::string limited = "ulimit -v 300000 && exec \"$0\" \"$@\"";
  for (const char* command : {"show", "match"}) {
    std::vector<std::string> args = {"-c", limited, LETTERFREQ_CLI_PATH,
                                     command, "--db", db};
    if (std::string(command) == "match") args.push_back("-");
    const CliResult result = runProgram("/bin/sh", args, "some text");
    EXPECT_EQ(result.status, 1) << command << ": " << result.err;
    EXPECT_EQ(result.err, "letterfreq-cli: " + db +
                              ": !couldn't allocate memory for the database "
                              "file\n")
        << command;
    EXPECT_EQ(result.out, "") << command;
  }
  EXPECT_EQ(testing::readFile(db), bytes);
}

}  // namespace
}  // namespace letterfreq
