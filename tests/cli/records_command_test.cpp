#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "db/record_codec.h"
#include "tests/db/db_test_bytes.h"
#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::asString;
using testing::concat;
using testing::runCliCaptured;

class RecordsCommandTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
};

TEST_F(RecordsCommandTest, ListsTheTwoRecordFileAsText) {
  Record linked = testing::textRecord(259, {{257, 6}, {2, 1}}, "ab");
  const std::string db = dir.write(
      "ling2.db",
      asString(concat({testing::TWO_RECORD_FILE, encodeRecord(linked)})));
  const testing::CliResult result = runCliCaptured({"records", "--db", db});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "0\t257\t14\t0\t2:1\t6\n"
            "23\t258\t9\t1\t-\t0\n"
            "41\t259\t17\t0\t257:6,2:1\t3\n");
}

TEST_F(RecordsCommandTest, ListsAsOneJsonObject) {
  const std::string db =
      dir.write("ling2.db", asString(testing::TWO_RECORD_FILE));
  const testing::CliResult result =
      runCliCaptured({"records", "--db", db, "--json"});
  ASSERT_EQ(result.status, 0);
  EXPECT_EQ(result.out.back(), '\n');
  EXPECT_EQ(result.out.find('\n'), result.out.size() - 1);  // one line
  const nlohmann::json parsed = nlohmann::json::parse(result.out);
  EXPECT_EQ(parsed, nlohmann::json::parse(R"({"records":[
      {"offset":0,"id":257,"bodyLength":14,"fields":[],
       "links":[{"target":2,"kind":1}],"dataLength":6},
      {"offset":23,"id":258,"bodyLength":9,
       "fields":[{"tag":258,"kind":3,"value":1000}],"links":[],
       "dataLength":0}]})"));
}

TEST_F(RecordsCommandTest, EmptyDatabaseListsNothing) {
  const std::string db = dir.write("empty.db", "");
  EXPECT_EQ(runCliCaptured({"records", "--db", db}).out, "");
  EXPECT_EQ(runCliCaptured({"records", "--db", db, "--json"}).out,
            "{\"records\":[]}\n");
}

TEST_F(RecordsCommandTest, MissingDatabaseIsRefusedAndNotCreated) {
  const std::string db = dir.file("missing.db");
  const testing::CliResult result = runCliCaptured({"records", "--db", db});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "letterfreq-cli: " + db + ": no such database\n");
  EXPECT_THROW(testing::readFile(db), std::runtime_error);
}

TEST_F(RecordsCommandTest, DamagedDatabaseFailsWithTheEngineLine) {
  const std::string stray = dir.write(
      "stray.db", asString(concat({testing::TWO_RECORD_FILE, {'x'}})));
  testing::CliResult result = runCliCaptured({"records", "--db", stray});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "letterfreq-cli: " + stray +
                            ": !query_all expected RECORD_DELIM at 42\n");

  const std::string cut = dir.write(
      "cut.db", asString(testing::Bytes(testing::TWO_RECORD_FILE.begin(),
                                        testing::TWO_RECORD_FILE.end() - 1)));
  result = runCliCaptured({"records", "--db", cut, "--json"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "letterfreq-cli: " + cut +
                ": !records the file ends inside the record at 23\n");
}

TEST_F(RecordsCommandTest, CommandLineErrorsAndTheProgram) {
  EXPECT_EQ(runCliCaptured({"records"}).status, 2);  // --db is required
  EXPECT_EQ(runCliCaptured({"records", "--db", "x", "--bogus"}).status, 2);
  const std::string db =
      dir.write("ling2.db", asString(testing::TWO_RECORD_FILE));
  const testing::CliResult result =
      testing::runProgram(LETTERFREQ_CLI_PATH, {"records", "--db", db});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "0\t257\t14\t0\t2:1\t6\n23\t258\t9\t1\t-\t0\n");
}

}  // namespace
}  // namespace letterfreq
