// The engine tests' main: every test runs with a home, a cache and temporary folders of its own
// (ctest runs each in a process of its own, and the tests are found only at build time, too
// late for the folders tests/CMakeLists.txt gives the others). Nothing is written where a
// running Bidquill or the seller's settings live.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

// `fresh`: emptied first (a test's own; the program's is shared by the processes ctest runs
// side by side, so it is only made).
void useFolders(const std::string& name, bool fresh) {
  std::string id;
  for (char c : name) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  fs::path home = fs::path(BIDQUILL_TEST_HOMES) / id;
  std::error_code ec;
  if (fresh) fs::remove_all(home, ec);
  fs::create_directories(home / "tmp", ec);
  fs::create_directories(home / "run", ec);
  ::chmod((home / "run").c_str(), 0700);
  auto set = [](const char* key, const fs::path& p) { ::setenv(key, p.c_str(), 1); };
  set("HOME", home);
  set("TMPDIR", home / "tmp");
  set("XDG_RUNTIME_DIR", home / "run");
  set("XDG_CACHE_HOME", home / ".cache");
  set("XDG_CONFIG_HOME", home / ".config");
  set("XDG_DATA_HOME", home / ".local/share");
}

class OwnFolders : public ::testing::EmptyTestEventListener {
  void OnTestProgramStart(const ::testing::UnitTest&) override { useFolders("program", false); }
  void OnTestStart(const ::testing::TestInfo& test) override {
    useFolders(std::string(test.test_suite_name()) + "." + test.name(), true);
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new OwnFolders);
  return RUN_ALL_TESTS();
}

TEST(TestFolders, EveryTestHasItsOwn) {
  std::string home = std::getenv("HOME");
  EXPECT_NE(home.find("TestFolders_EveryTestHasItsOwn"), std::string::npos) << home;
  EXPECT_EQ(fs::temp_directory_path(), fs::path(home) / "tmp");
}
