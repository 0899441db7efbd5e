// The log file as its callers see it: the exact line format, the levels, the three places a
// log opens, and lines from several threads.
#include <corbel/log.h>
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/log.h"
#include "tests/common/temp_dir.h"

namespace fs = std::filesystem;
using ovr::testing::ReadFile;
using ovr::testing::StripLogPrefixes;
using ovr::testing::TempDir;

namespace {

class LogTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseLogFile();
    ReleaseLogSettings();
    ovr::log::SetFrameworkRoot(nullptr);
    if (!savedCwd.empty()) fs::current_path(savedCwd);
  }

  // Opens "<tmp>/<name>" at `level`.
  std::string OpenAt(unsigned char level, const char *name = "test.log") {
    EXPECT_TRUE(InitLog());
    EXPECT_TRUE(SetLogConfig(name, tmp.path().c_str(), 100000, nullptr, level));
    EXPECT_TRUE(OpenLogFile());
    return tmp / name;
  }

  void ChangeDirectory(const fs::path &dir) {
    if (savedCwd.empty()) savedCwd = fs::current_path();
    fs::current_path(dir);
  }

  TempDir tmp;
  fs::path savedCwd;
};

long KernelThreadId() {
  return static_cast<long>(syscall(SYS_gettid));
}

TEST_F(LogTest, LinePrefixHoldsLocalTimeWithMillisecondsAndKernelThreadId) {
  // Half-hour offset east of UTC, so a stamp in UTC or in whole hours cannot pass.
  setenv("TZ", "OVR-05:30", 1);
  tzset();
  std::string path = OpenAt(3);
  time_t before = time(nullptr);
  LogInfo("productName : %s\n", "notepad++");
  long otherTid = 0;
  std::thread([&] {
    otherTid = KernelThreadId();
    LogInfo("from %s\n", "elsewhere");
  }).join();

  std::string text = ReadFile(path);
  static const std::regex line(
      R"(\[ (\d{4})-(\d{2})-(\d{2}) (\d{2}):(\d{2}):(\d{2}):(\d{3}) \] \[ (-?\d+) \] (.*)\n)");
  std::vector<std::smatch> lines;
  for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it)
    lines.push_back(*it);
  ASSERT_EQ(lines.size(), 3u) << text;
  EXPECT_EQ(lines[0].position(0) + lines[0].length(0) + lines[1].length(0) + lines[2].length(0),
            static_cast<long>(text.size()));

  // The open line repeats its own stamp as its message.
  std::string stamp0 = text.substr(2, 23);
  EXPECT_EQ(lines[0][9].str(), "[INFO] Log open time: " + stamp0);
  EXPECT_EQ(lines[1][9].str(), "[INFO] productName : notepad++");
  EXPECT_EQ(lines[2][9].str(), "[INFO] from elsewhere");
  EXPECT_EQ(std::stol(lines[1][8].str()), KernelThreadId());
  EXPECT_EQ(std::stol(lines[2][8].str()), otherTid);
  EXPECT_NE(otherTid, KernelThreadId());

  // The stamp is the wall clock shifted by the zone's 5:30.
  struct tm parts {};
  parts.tm_year = std::stoi(lines[1][1].str()) - 1900;
  parts.tm_mon = std::stoi(lines[1][2].str()) - 1;
  parts.tm_mday = std::stoi(lines[1][3].str());
  parts.tm_hour = std::stoi(lines[1][4].str());
  parts.tm_min = std::stoi(lines[1][5].str());
  parts.tm_sec = std::stoi(lines[1][6].str());
  time_t stampAsUtc = timegm(&parts);
  EXPECT_LE(std::abs(static_cast<long>(stampAsUtc - (before + 5 * 3600 + 1800))), 2L);
}

TEST_F(LogTest, LevelDecidesWhichEntryPointsWrite) {
  struct Case {
    unsigned char level;
    const char *expected;
  };
  const Case cases[] = {
      {0, ""},
      {1, "[INFO] i\n"},
      {2, "[INFO] i\n[ERROR] e\n"},
      {3, "[INFO] i\n[ERROR] e\n[DEBUG] d\n"},
      {4, "[INFO] i\n[ERROR] e\n[DEBUG] d\n[TRACE] t\n"},
  };
  for (const Case &c : cases) {
    std::string name = "level" + std::to_string(c.level) + ".log";
    std::string path = OpenAt(c.level, name.c_str());
    LogInfo("i\n");
    LogError("e\n");
    LogDebug("d\n");
    LogTrace("t\n");
    CloseLogFile();
    std::string body = StripLogPrefixes(ReadFile(path));
    // Open and close lines are written at every level, around the level lines.
    static const std::regex marks(
        R"(^\[INFO\] Log open time: [^\n]*\n([\s\S]*)\[INFO\] Log close time: [^\n]*\n$)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(body, m, marks)) << body;
    EXPECT_EQ(m[1].str(), c.expected) << "level " << int(c.level);
    ReleaseLogSettings();
  }
}

TEST_F(LogTest, FormatWithoutLineEndRunsIntoNextLine) {
  std::string path = OpenAt(3);
  LogInfo("App detection need to be cleared");
  LogInfo("next %d\n", 7);
  std::string body = StripLogPrefixes(ReadFile(path));
  EXPECT_NE(body.find("[INFO] App detection need to be cleared[INFO] next 7\n"), std::string::npos)
      << body;
}

TEST_F(LogTest, NothingIsWrittenBeforeOpenAfterCloseOrAfterRelease) {
  EXPECT_EQ(LogDebug("early\n"), 0);
  std::string path = OpenAt(4);
  EXPECT_NE(LogDebug("inside\n"), 0);
  CloseLogFile();
  EXPECT_EQ(LogInfo("after close\n"), 0);
  CloseLogFile();  // closing twice writes no second close line
  std::string body = StripLogPrefixes(ReadFile(path));
  EXPECT_EQ(body.find("early"), std::string::npos);
  EXPECT_EQ(body.find("after close"), std::string::npos);
  EXPECT_NE(body.find("[DEBUG] inside\n[INFO] Log close time: "), std::string::npos) << body;

  // Released settings: an adopted stream is no longer written to, for want of a lock key.
  ReleaseLogSettings();
  FILE *adopted = tmpfile();
  ASSERT_NE(adopted, nullptr);
  ASSERT_TRUE(SetLogFileHandle(adopted));
  EXPECT_EQ(LogInfo("after release\n"), 0);
  EXPECT_EQ(ftell(adopted), 0L);
}

TEST_F(LogTest, OpeningTwiceKeepsTheFirstFile) {
  std::string first = OpenAt(4, "first.log");
  ASSERT_TRUE(SetLogFileName("second.log"));
  EXPECT_TRUE(OpenLogFile());
  EXPECT_STREQ(GetLogFilePath(), first.c_str());
  EXPECT_FALSE(fs::exists(tmp / "second.log"));
  std::string body = StripLogPrefixes(ReadFile(first));
  EXPECT_NE(body.find("[TRACE] gv_logFilePtr already Set\n"), std::string::npos) << body;
}

TEST_F(LogTest, OpenAppendsAndCreateStartsAfresh) {
  ovr::testing::WriteFile(tmp / "a.log", "old line\n");
  std::string path = OpenAt(3, "a.log");
  CloseLogFile();
  EXPECT_EQ(ReadFile(path).rfind("old line\n", 0), 0u);

  ASSERT_TRUE(CreateLogFile());
  LogInfo("fresh\n");
  std::string body = StripLogPrefixes(ReadFile(path));
  EXPECT_EQ(body.find("old line"), std::string::npos);
  EXPECT_EQ(body.rfind("[INFO] Log open time: ", 0), 0u) << body;
}

TEST_F(LogTest, PathComesFromDirectoryThenFrameworkRootThenParentLogs) {
  // A set directory wins, and its missing parents are made.
  std::string nested = tmp / "x/y/logs";
  ASSERT_TRUE(InitLog());
  ASSERT_TRUE(SetLogConfig("a.log", nested.c_str(), 100000, nullptr, 3));
  ASSERT_TRUE(ovr::log::SetFrameworkRoot((tmp / "root").c_str()));
  ASSERT_TRUE(OpenLogFile());
  EXPECT_EQ(std::string(GetLogFilePath()), nested + "/a.log");
  EXPECT_TRUE(fs::is_regular_file(nested + "/a.log"));
  CloseLogFile();
  ReleaseLogSettings();

  // No directory: "<root>/logs", made with its parents.
  std::string root = tmp / "deep/root";
  ASSERT_TRUE(InitLog());
  ASSERT_TRUE(ovr::log::SetFrameworkRoot(root.c_str()));
  ASSERT_TRUE(OpenLogFile());
  EXPECT_EQ(std::string(GetLogFilePath()), root + "/logs/corbel.log");
  EXPECT_TRUE(fs::is_regular_file(root + "/logs/corbel.log"));
  CloseLogFile();
  ReleaseLogSettings();

  // Neither: "../logs" of the current directory.
  ASSERT_TRUE(ovr::log::SetFrameworkRoot(nullptr));
  fs::create_directory(tmp / "work");
  ChangeDirectory(tmp / "work");
  ASSERT_TRUE(InitLog());
  ASSERT_TRUE(OpenLogFile());
  EXPECT_STREQ(GetLogFilePath(), "../logs/corbel.log");
  EXPECT_TRUE(fs::is_regular_file(tmp / "logs/corbel.log"));
}

TEST_F(LogTest, OpenFailureDropsEveryLine) {
  ovr::testing::WriteFile(tmp / "blocker", "a file where the directory should be");
  std::string dir = tmp / "blocker/logs";
  ASSERT_TRUE(InitLog());
  ASSERT_TRUE(SetLogConfig("a.log", dir.c_str(), 100000, nullptr, 3));
  EXPECT_FALSE(OpenLogFile());
  EXPECT_EQ(LogError("lost\n"), 0);
}

TEST_F(LogTest, InitLogResetsOnlyTheLevelOfAnOpenLog) {
  std::string path = OpenAt(0, "mine.log");
  EXPECT_TRUE(InitLog());
  LogDebug("level back to 3\n");
  EXPECT_STREQ(GetLogFilePath(), path.c_str());
  EXPECT_NE(StripLogPrefixes(ReadFile(path)).find("[DEBUG] level back to 3\n"), std::string::npos);
}

TEST_F(LogTest, MakeDirectoryTreeResults) {
  std::string deep = tmp / "a/b//c/";
  EXPECT_EQ(MakeDirectoryTree(deep.c_str()), 0);
  EXPECT_TRUE(fs::is_directory(tmp / "a/b/c"));
  EXPECT_EQ(MakeDirectoryTree(deep.c_str()), 1);

  ovr::testing::WriteFile(tmp / "file", "");
  EXPECT_EQ(MakeDirectoryTree((tmp / "file/sub").c_str()), ENOTDIR);

  // A relative name whose parent (the current directory) is gone: nothing to recurse into.
  fs::create_directory(tmp / "gone");
  ChangeDirectory(tmp / "gone");
  fs::remove(tmp / "gone");
  EXPECT_EQ(MakeDirectoryTree("child"), ENOENT);
}

TEST_F(LogTest, LinesOfConcurrentThreadsNeverInterleave) {
  std::string path = OpenAt(3);
  constexpr int kThreads = 4;
  constexpr int kLines = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) LogInfo("thread %d line %d %s\n", t, i, "payload");
    });
  for (auto &th : threads) th.join();
  CloseLogFile();

  std::string text = ReadFile(path);
  static const std::regex whole(
      R"(\[ \d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3} \] \[ \d+ \] \[INFO\] (thread \d line \d+ payload|Log (open|close) time: [-0-9: ]+))");
  std::istringstream in(text);
  std::string line;
  int count = 0;
  while (std::getline(in, line)) {
    EXPECT_TRUE(std::regex_match(line, whole)) << line;
    ++count;
  }
  EXPECT_EQ(count, kThreads * kLines + 2);
}

}  // namespace
