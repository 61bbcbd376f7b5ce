#include "app/start_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace letterfreq {
namespace {

namespace fs = std::filesystem;

TEST(StartFilesTest, ADefaultNameMissingHereIsTheUsersCopy) {
  testing::TempDir dir;
  const std::string bundled = dir.path() + "/share";
  const std::string user = dir.path() + "/xdg/letterfreq";
  fs::create_directories(bundled);
  testing::writeFile(bundled + "/ling2.db", "starter");
  const std::string missing = dir.file("ling2.db");  // no such file here

  const std::string copy = user + "/ling2.db";
  EXPECT_EQ(resolveStartName(missing, missing, bundled, user), missing)
      << "a name that is a path: only the bundled name itself is looked up";
  EXPECT_EQ(resolveStartName("ling2.db", "ling2.db", bundled, user), copy);
  EXPECT_EQ(testing::readFile(copy), "starter");
  struct stat info {};
  ASSERT_EQ(stat(copy.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
  EXPECT_EQ(std::distance(fs::directory_iterator(user),
                          fs::directory_iterator()),
            1)
      << "no partial copy is left";

  // A later start keeps what the user added.
  testing::writeFile(copy, "the user's own");
  EXPECT_EQ(resolveStartName("ling2.db", "ling2.db", bundled, user), copy);
  EXPECT_EQ(testing::readFile(copy), "the user's own");

  // Other names, and no bundled file: as typed.
  EXPECT_EQ(resolveStartName("lign2.db", "ling2.db", bundled, user),
            "lign2.db");
  EXPECT_EQ(resolveStartName("sample.txt", "sample.txt", bundled, user),
            "sample.txt");
  EXPECT_EQ(resolveStartName("ling2.db", "ling2.db", bundled, ""), "ling2.db");
}

TEST(StartFilesTest, TheUsersFolderFollowsXdgDataHome) {
  const char* savedXdg = std::getenv("XDG_DATA_HOME");
  const std::string xdg = savedXdg ? savedXdg : "";
  setenv("XDG_DATA_HOME", "/data/home", 1);
  EXPECT_EQ(userDataFolder(), "/data/home/letterfreq");
  setenv("XDG_DATA_HOME", "relative/path", 1);  // ignored
  setenv("HOME", std::getenv("HOME") ? std::getenv("HOME") : "/root", 1);
  EXPECT_EQ(userDataFolder(),
            std::string(std::getenv("HOME")) + "/.local/share/letterfreq");
  if (savedXdg) {
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
}

}  // namespace
}  // namespace letterfreq
