// Names and sources of any bytes in the CLI's output: text lines keep
// their shape, JSON keeps different names apart.
#include "cli/output_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli_harness.h"
#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

using testing::CliResult;
using testing::runCliCaptured;

// The hex digits back into bytes, as a reader of "...Hex" would.
std::string fromHex(const std::string& hex) {
  std::string bytes;
  for (size_t k = 0; k + 1 < hex.size(); k += 2) {
    bytes += static_cast<char>(std::stoi(hex.substr(k, 2), nullptr, 16));
  }
  return bytes;
}

TEST(OutputTextTest, TextFieldsEscapeControlsBackslashAndInvalidBytes) {
  EXPECT_EQ(escapedField("German"), "German");
  EXPECT_EQ(escapedField("Fran\xc3\xa7" "ais \xe4\xb8\xad"),
            "Fran\xc3\xa7" "ais \xe4\xb8\xad");
  EXPECT_EQ(escapedField("a\tb\nc\rd\\e"), "a\\tb\\nc\\rd\\\\e");
  EXPECT_EQ(escapedField(std::string("\x1b[31mred\x7f\0", 10)),
            "\\x1b[31mred\\x7f\\x00");
  // Stray continuation, cut sequence, overlong form, surrogate, C1 control.
  EXPECT_EQ(escapedField("\x80" "x\xc3"), "\\x80x\\xc3");
  EXPECT_EQ(escapedField("\xc0\xaf\xed\xa0\x80"),
            "\\xc0\\xaf\\xed\\xa0\\x80");
  EXPECT_EQ(escapedField("\xc2\x9b" "2J\xc2\xa0"), "\\xc2\\x9b2J\xc2\xa0");
}

TEST(OutputTextTest, JsonKeepsInvalidBytesRecoverableBesideTheText) {
  nlohmann::json valid, first, second;
  putText(valid, "name", "Fran\xc3\xa7" "ais");
  EXPECT_EQ(valid.dump(), "{\"name\":\"Fran\xc3\xa7" "ais\"}");

  putText(first, "name", "ab\xff");
  putText(second, "name", "ab\xfe");
  std::ostringstream a, b;
  writeJsonLine(a, first);
  writeJsonLine(b, second);
  EXPECT_NE(a.str(), b.str());
  EXPECT_EQ(a.str(),
            "{\"name\":\"ab\xef\xbf\xbd\",\"nameHex\":\"6162ff\"}\n");
  EXPECT_EQ(fromHex(nlohmann::json::parse(b.str())["nameHex"]), "ab\xfe");
}

// A database whose languages are named to break lines and terminals.
class HostileOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db = dir.file("ling2.db");
    sample = dir.write("sample.txt", "some text");
    for (const std::string& name : names) {
      const CliResult added = runCliCaptured(
          {"add", "--db", db, "--language", name, "--name", name, sample});
      ASSERT_EQ(added.status, 0) << added.err;
    }
  }

  testing::TempDir dir;
  std::string db, sample;
  const std::vector<std::string> names = {
      "Tab\there", "Line\nbreak", "\x1b]0;title\x07", "ab\xff", "ab\xfe"};
};

TEST_F(HostileOutputTest, ShowAndMatchLinesKeepTheirFields) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"show", "--db", db},
        std::vector<std::string>{"match", "--db", db, sample}}) {
    const CliResult result = runCliCaptured(args);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
    std::istringstream lines(result.out);
    std::string line;
    size_t count = 0;
    while (std::getline(lines, line)) {
      ++count;
      const size_t tabs = std::count(line.begin(), line.end(), '\t');
      EXPECT_TRUE(line.rfind("sample\t", 0) == 0 || tabs >= 2) << line;
    }
    // show: 5 languages + 5 entries + totals; match: sample + 5 rows.
    EXPECT_EQ(count, args[0] == "show" ? 11u : 6u);
  }
  const CliResult shown = runCliCaptured({"show", "--db", db});
  EXPECT_NE(shown.out.find("language\tTab\\there\t"), std::string::npos);
  EXPECT_NE(shown.out.find("\tLine\\nbreak\t"), std::string::npos);
  EXPECT_NE(shown.out.find("\\x1b]0;title\\x07"), std::string::npos);
}

TEST_F(HostileOutputTest, JsonGivesEveryNameBackExactly) {
  const CliResult result = runCliCaptured({"show", "--db", db, "--json"});
  ASSERT_EQ(result.status, 0) << result.err;
  const nlohmann::json whole = nlohmann::json::parse(result.out);
  std::vector<std::string> read;
  for (const nlohmann::json& language : whole["languages"]) {
    read.push_back(language.contains("nameHex")
                       ? fromHex(language["nameHex"])
                       : language["name"].get<std::string>());
  }
  EXPECT_EQ(read, names);
}

TEST_F(HostileOutputTest, DatabaseNamesInErrorLinesHoldNoTerminalControls) {
  const std::string missing = dir.file("x\x1b[2J\ty.db");
  const CliResult result = runCliCaptured({"show", "--db", missing});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "letterfreq-cli: " + dir.path() +
                            "/x\\x1b[2J\\ty.db: no such database\n");
}

}  // namespace
}  // namespace letterfreq
