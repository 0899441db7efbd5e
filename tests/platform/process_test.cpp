// Processes on Linux: snapshots, module paths, termination, launching with a time limit,
// command-line splitting and the command-line query.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/error.h"
#include "platform/machine.h"
#include "platform/posix/command_line.h"
#include "platform/posix/posix_process.h"
#include "platform/process.h"
#include "platform/process_query.h"
#include "tests/common/temp_dir.h"

namespace {

using namespace ovr::platform;
namespace fs = std::filesystem;

TEST(CommandLineTest, SplitsByTheWindowsRules) {
  struct Case {
    const char *line;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"MsiExec.exe /X{81922150} /qn /norestart", {"MsiExec.exe", "/X{81922150}", "/qn", "/norestart"}},
      {"\"C:\\Program Files\\A\\unins000.exe\" /VERYSILENT",
       {"C:\\Program Files\\A\\unins000.exe", "/VERYSILENT"}},
      {"  prog   a\tb  ", {"prog", "a", "b"}},
      {"p \"a b\" c\"d e\"f", {"p", "a b", "cd ef"}},
      {"p a\\\\b \\\\\\\\\"x y\" \\\"q\\\"", {"p", "a\\\\b", "\\\\x y", "\"q\""}},
      {"p \"say \"\"hi\"\"\"", {"p", "say \"hi\""}},
      {"p \"\" x", {"p", "", "x"}},
      {"C:\\dir\\p.exe a\\", {"C:\\dir\\p.exe", "a\\"}},
      {"\"unclosed prog", {"unclosed prog"}},
      {"", {}},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(SplitCommandLine(c.line), c.args) << c.line;
  }
}

class ProcessTest : public ::testing::Test {
 protected:
  // A copy of the system's sleep program under `name`, as a product's executable runs, in a
  // directory whose name the command-line query can look for (`sub` below it, if given).
  std::string Sleeper(const std::string &name, const std::string &sub = "") {
    fs::path folder = dir.path() / "Pdfsam-Community" / sub;
    fs::create_directories(folder);
    fs::path path = folder / name;
    fs::copy_file("/bin/sleep", path);
    return path.string();
  }

  static std::u16string Widen(const std::string &ascii) { return {ascii.begin(), ascii.end()}; }

  // How often `line` is among the command lines one query returns.
  static long Count(const ProcessQuery &query, const std::u16string &line) {
    std::vector<std::u16string> lines;
    EXPECT_EQ(QueryProcessCommandLines(query, u"pdfsam-community", lines), 0);
    return std::count(lines.begin(), lines.end(), line);
  }

  // Ends a launched child and collects it.
  static void End(const ProcessHandle &child) {
    EXPECT_EQ(TerminateProcessHandle(child, 0), kErrorSuccess);
    EXPECT_EQ(WaitForProcessExit(child, 5000), WaitOutcome::Ended);
  }

  static uint32_t Run(const std::string &line, const char *workingDirectory, uint32_t &exitCode,
                      uint32_t limit = 10000) {
    ProcessHandle child;
    if (uint32_t code = LaunchProcess(line, workingDirectory, child)) return code;
    if (WaitForProcessExit(child, limit) != WaitOutcome::Ended) return kWaitTimeout;
    return QueryProcessExitCode(child, exitCode);
  }

  ovr::testing::TempDir dir;
};

TEST_F(ProcessTest, LaunchReportsTheExitCodeOrWhyNothingStarted) {
  uint32_t exitCode = 99;
  EXPECT_EQ(Run("sh -c \"exit 3\"", nullptr, exitCode), kErrorSuccess);
  EXPECT_EQ(exitCode, 3u);
  EXPECT_EQ(Run("no-such-program-anywhere /S", nullptr, exitCode), kErrorFileNotFound);
  EXPECT_EQ(Run("/no/such/dir/prog", nullptr, exitCode), kErrorFileNotFound);
  EXPECT_EQ(Run("sh -c true", (dir / "missing").c_str(), exitCode), kErrorDirectory);
  EXPECT_EQ(LastErrorCode(), kErrorDirectory);
}

TEST_F(ProcessTest, LaunchRunsInTheWorkingDirectoryAndFindsProgramsOnPath) {
  fs::create_directory(dir.path() / "bin");
  // A stand-in installer that records its arguments and where it ran.
  std::ofstream(dir.path() / "bin" / "MsiExec.exe")
      << "#!/bin/sh\necho \"$@\" > \"$(pwd)/args.txt\"\nexit 1641\n";
  fs::permissions(dir.path() / "bin" / "MsiExec.exe", fs::perms::owner_all);
  std::string path = std::getenv("PATH");
  setenv("PATH", ((dir.path() / "bin").string() + ":" + path).c_str(), 1);
  uint32_t exitCode = 0;
  fs::create_directory(dir.path() / "work");
  EXPECT_EQ(Run("MsiExec /X{GUID} /qn \"A B\"", (dir / "work").c_str(), exitCode), kErrorSuccess);
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(exitCode, 1641u % 256);
  EXPECT_EQ(ovr::testing::ReadFile(dir.path() / "work" / "args.txt"), "/X{GUID} /qn A B\n");
}

TEST_F(ProcessTest, AChildOverItsTimeLimitIsTerminated) {
  ProcessHandle child;
  ASSERT_EQ(LaunchProcess("sleep 30", nullptr, child), kErrorSuccess);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForProcessExit(child, 200), WaitOutcome::TimedOut);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  uint32_t exitCode = 0;
  ASSERT_EQ(QueryProcessExitCode(child, exitCode), kErrorSuccess);
  EXPECT_EQ(exitCode, kStillActive);
  EXPECT_EQ(TerminateProcessHandle(child, 0), kErrorSuccess);
  EXPECT_EQ(WaitForProcessExit(child, 5000), WaitOutcome::Ended);
  ASSERT_EQ(QueryProcessExitCode(child, exitCode), kErrorSuccess);
  EXPECT_EQ(exitCode, 0u);
}

TEST_F(ProcessTest, SnapshotFindsAProductByImageNameAndTerminatesIt) {
  std::string exe = Sleeper("notepad++.exe");
  ProcessHandle child;
  ASSERT_EQ(LaunchProcess("\"" + exe + "\" 30", nullptr, child),
            kErrorSuccess);
  // Other tests run programs of the same name at the same time (their PID namespaces are
  // visible from here): ours is the one whose module path is our copy. It shows up once the
  // child has replaced itself with the executable; a loaded machine may take a while.
  uint32_t pid = 0;
  ProcessHandle process;
  for (int i = 0; i < 1000 && pid == 0; ++i) {
    std::vector<ProcessEntry> snapshot;
    ASSERT_TRUE(TakeProcessSnapshot(snapshot));
    bool self = false;
    for (const auto &e : snapshot) {
      std::string module;
      if (e.imageName == "notepad++.exe" &&
          OpenProcessById(e.pid, ProcessAccess::Inspect, process) == kErrorSuccess &&
          QueryProcessModulePath(process, module) == kErrorSuccess && module == exe) {
        pid = e.pid;
      }
      if (e.pid == CurrentProcessId()) self = e.imageName == "test_platform_process";
    }
    EXPECT_TRUE(self);
    if (pid == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NE(pid, 0u);

  ProcessQuery query;
  ProcessQueryStep step;
  ASSERT_EQ(ConnectProcessQuery(query, step), 0);
  EXPECT_EQ(Count(query, Widen(exe) + u" 30"), 1);

  ASSERT_EQ(OpenProcessById(pid, ProcessAccess::Terminate, process), kErrorSuccess);
  uint32_t exitCode = 0;
  ASSERT_EQ(QueryProcessExitCode(process, exitCode), kErrorSuccess);
  EXPECT_EQ(exitCode, kStillActive);
  EXPECT_EQ(TerminateProcessHandle(process, exitCode), kErrorSuccess);
  EXPECT_EQ(WaitForProcessExit(child, 5000), WaitOutcome::Ended);
  EXPECT_EQ(OpenProcessById(pid, ProcessAccess::Inspect, process), kErrorInvalidParameter);
}

// A program is found by the first query after its launch returns, although the system may
// still be setting up its arguments at that moment.
TEST_F(ProcessTest, AProgramIsFoundByTheFirstQueryAfterItsLaunch) {
  ProcessQuery query;
  ProcessQueryStep step;
  ASSERT_EQ(ConnectProcessQuery(query, step), 0);
  std::string exe = Sleeper("notepad++.exe");
  for (int i = 0; i < 20; ++i) {
    ProcessHandle child;
    ASSERT_EQ(LaunchProcess("\"" + exe + "\" 30", nullptr, child), kErrorSuccess);
    EXPECT_EQ(Count(query, Widen(exe) + u" 30"), 1) << "launch " << i;
    End(child);
  }
}

// Each single query finds a program that runs throughout, while programs start and end
// around it as fast as they can.
TEST_F(ProcessTest, EveryQueryFindsARunningProgramWhileOthersStartAndEnd) {
  std::string exe = Sleeper("notepad++.exe");
  std::string helper = (dir.path() / "Pdfsam-Community" / "helper.exe").string();
  fs::copy_file("/bin/true", helper);
  ProcessHandle sleeper;
  ASSERT_EQ(LaunchProcess("\"" + exe + "\" 30", nullptr, sleeper), kErrorSuccess);
  ProcessQuery query;
  ProcessQueryStep step;
  ASSERT_EQ(ConnectProcessQuery(query, step), 0);
  const std::u16string line = Widen(exe) + u" 30";
  ASSERT_EQ(Count(query, line), 1);

  // Starts and ends the helper until it goes out of scope (also when a query throws).
  struct Churn {
    explicit Churn(const std::string &helper)
        : thread([this, helper] {
            while (!stop) {
              ProcessHandle child;
              if (LaunchProcess("\"" + helper + "\" a b c", nullptr, child)) break;
              WaitForProcessExit(child, 5000);
              ++started;
            }
          }) {}
    ~Churn() {
      stop = true;
      thread.join();
    }
    std::atomic<bool> stop{false};
    std::atomic<int> started{0};
    std::thread thread;
  };
  int misses = 0, started = 0;
  {
    Churn churn(helper);
    for (int i = 0; i < 300; ++i) {
      if (Count(query, line) != 1) ++misses;
    }
    started = churn.started;
  }
  EXPECT_EQ(misses, 0);
  EXPECT_GT(started, 0);
  End(sleeper);
}

// A program whose first thread has ended while another runs on is still running, and found
// with its arguments.
TEST_F(ProcessTest, TheQueryFindsAProgramWhoseFirstThreadHasEnded) {
  fs::create_directories(dir.path() / "Pdfsam-Community");
  const std::string exe = (dir.path() / "Pdfsam-Community" / "first_thread_ends").string();
  fs::copy_file(OVR_BIN_DIR "/first_thread_ends", exe);
  ProcessHandle child;
  ASSERT_EQ(LaunchProcess("\"" + exe + "\" --run", nullptr, child), kErrorSuccess);
  // Its first thread shows as ended once the second one has started.
  const std::string stat = "/proc/" + std::to_string(child->pid) + "/stat";
  auto ended = [&] { return ovr::testing::ReadFile(stat).find(") Z ") != std::string::npos; };
  for (int i = 0; i < 5000 && !ended(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(ended());

  ProcessQuery query;
  ProcessQueryStep step;
  ASSERT_EQ(ConnectProcessQuery(query, step), 0);
  EXPECT_EQ(Count(query, Widen(exe) + u" --run"), 1);
  End(child);
}

// Arguments are bytes in whatever encoding their program was given them: valid UTF-8 is read
// as such, any other byte as the Latin-1 character of its value. Such a program is found
// and hides no other.
TEST_F(ProcessTest, TheQueryReadsArgumentsThatAreNotUtf8) {
  struct Case {
    std::string folder;
    std::u16string wide;
  };
  const Case cases[] = {
      {"caf\xC3\xA9", u"caf\u00e9"},
      {"na\xEFve", u"na\u00efve"},
      {"cut\xE2\x82", u"cut\u00e2\u0082"},
      {"\xFF\xC0\xAF", u"\u00ff\u00c0\u00af"},
  };
  const std::string plain = Sleeper("notepad++.exe");
  std::vector<ProcessHandle> children;
  std::vector<std::u16string> expected;
  for (const auto &c : cases) {
    std::string exe = Sleeper("notepad++.exe", c.folder);
    children.emplace_back();
    ASSERT_EQ(LaunchProcess("\"" + exe + "\" 30", nullptr, children.back()), kErrorSuccess);
    expected.push_back(Widen(dir.path().string()) + u"/Pdfsam-Community/" + c.wide +
                       u"/notepad++.exe 30");
  }
  children.emplace_back();
  ASSERT_EQ(LaunchProcess("\"" + plain + "\" 30", nullptr, children.back()), kErrorSuccess);
  expected.push_back(Widen(plain) + u" 30");

  ProcessQuery query;
  ProcessQueryStep step;
  ASSERT_EQ(ConnectProcessQuery(query, step), 0);
  std::vector<std::u16string> lines;
  ASSERT_EQ(QueryProcessCommandLines(query, u"pdfsam-community", lines), 0);
  for (const auto &line : expected) {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1)
        << std::string(line.begin(), line.end());
  }
  for (const auto &child : children) End(child);
}

TEST(MachineTest, UptimeFollowsTheBootClock) {
  double seconds = 0;
  std::ifstream("/proc/uptime") >> seconds;
  uint64_t ms = UptimeMilliseconds();
  EXPECT_NEAR(static_cast<double>(ms) / 1000.0, seconds, 2.0);
  EXPECT_FALSE(SystemDirectory().empty());
}

}  // namespace
