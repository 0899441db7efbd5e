// The running-process check on the platform double, where the end-to-end runs cannot
// reach: exact uptimes at the window's edge, failing snapshots, processes that cannot be
// opened, read or terminated.
#include <gtest/gtest.h>

#include <string>

#include "handler/process_check.h"
#include "platform/error.h"
#include "tests/handler/handler_fake_fixture.h"

namespace ovr::testing {
namespace {

namespace fake = platform::fake;

using ProcessCheckTest = HandlerFakeTest;

constexpr uint64_t kMinute = 60000;
const char *const kAlwaysKill =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Velmora\\Orvanta\\OVAgent\\Patch]\n"
    "\"alwaysKillApps\"=dword:00000001\n";

struct WindowCase {
  uint64_t uptime;
  int timeout;       // as the settings hold it (the check clamps it to 5..30)
  bool alwaysKill;
  int expected;      // 1 clear (terminated), 0 blocked
  int storedTimeout; // the timeout after the check
};

TEST_F(ProcessCheckTest, ForceKillWindow) {
  const WindowCase cases[] = {
      {10 * kMinute, 15, false, 1, 15},
      {15 * kMinute, 15, false, 1, 15},  // the window includes its end
      {15 * kMinute + 1, 15, false, 0, 15},
      {2 * 60 * kMinute, 15, false, 0, 15},
      {2 * 60 * kMinute, 15, true, 1, 15},
      {6 * kMinute, 2, false, 0, 5},      // clamped up to 5
      {29 * kMinute, 45, false, 1, 30},   // clamped down to 30
      {50ull * 24 * 60 * kMinute, 15, false, 0, 15},  // far past where a 32-bit count wraps
      {(1ull << 32) + 1000, 15, false, 0, 15},        // wrapped, it would read one second
  };
  for (const WindowCase &c : cases) {
    SCOPED_TRACE("uptime " + std::to_string(c.uptime) + " timeout " + std::to_string(c.timeout));
    fake::Reset();
    if (c.alwaysKill) Registry(kAlwaysKill);
    fake::SetUptime(c.uptime);
    const uint32_t pid = fake::AddProcess({.imageName = "Notepad++.EXE"});
    gv_runSettings.forceKillTimeout = c.timeout;

    EXPECT_EQ(CheckRunningProcess("notepad++.exe"), c.expected);
    EXPECT_EQ(gv_runSettings.forceKillTimeout, c.storedTimeout);
    const auto terminations = fake::Terminations();
    if (c.expected == 1) {
      ASSERT_EQ(terminations.size(), 1u);
      EXPECT_EQ(terminations[0].pid, pid);
      EXPECT_EQ(terminations[0].exitCode, platform::kStillActive);
    } else {
      EXPECT_TRUE(terminations.empty());
    }
  }
  const std::string log = Log();
  EXPECT_TRUE(Contains(log, "[INFO] the tick count is 4320000000\n")) << log;
  EXPECT_TRUE(Contains(log, "[INFO] Force Kill Timeout : 5 mins.\n"));
  EXPECT_TRUE(Contains(log, "[INFO] alwaysKillApps is set so we are setting the uptime as 1\n"
                            "[INFO] the final tick count is 1\n"));
}

TEST_F(ProcessCheckTest, FailedSnapshotCountsAsNotRunning) {
  fake::AddProcess({.imageName = "notepad++.exe"});
  fake::FailSnapshot(platform::kErrorNotEnoughMemory);
  fake::SetUptime(2 * 60 * kMinute);
  EXPECT_EQ(IsProcessRunning("notepad++.exe"), 0u);
  EXPECT_EQ(CheckRunningProcess("notepad++.exe"), 1);
  EXPECT_EQ(Log(), "");
}

// The handler never counts or terminates itself; another instance of it is a process like
// any other.
TEST_F(ProcessCheckTest, OwnProcessIsLeftOut) {
  EXPECT_EQ(IsProcessRunning("ovravelin.exe"), 0u);
  EXPECT_FALSE(KillProcesses("ovravelin.exe"));
  EXPECT_TRUE(fake::Terminations().empty());

  const uint32_t other = fake::AddProcess({.imageName = "ovravelin.exe"});
  EXPECT_EQ(IsProcessRunning("ovravelin.exe"), other);
  EXPECT_TRUE(KillProcesses("ovravelin.exe"));
  ASSERT_EQ(fake::Terminations().size(), 1u);
  EXPECT_EQ(fake::Terminations()[0].pid, other);
}

// With -f, processes that cannot be opened or whose path cannot be read do not count.
TEST_F(ProcessCheckTest, DirectoryFilterSkipsWhatItCannotRead) {
  gv_runSettings.processRunningDir = "C:\\Apps\\Foo";
  fake::AddProcess({.imageName = "vlc.exe", .modulePath = "C:\\Apps\\Foo\\vlc.exe",
                    .openError = platform::kErrorAccessDenied});
  fake::AddProcess({.imageName = "vlc.exe", .modulePath = "C:\\Apps\\Foo\\vlc.exe",
                    .modulePathError = platform::kErrorAccessDenied});
  fake::AddProcess({.imageName = "vlc.exe", .modulePath = "C:\\Other\\vlc.exe"});
  EXPECT_EQ(IsProcessRunning("vlc.exe"), 0u);
  EXPECT_EQ(Log(),
            "[INFO] Failed to open process \n"
            "[INFO] Failed to get module filename \n"
            "[INFO] Module filename is: C:\\Other\\vlc.exe \n");

  const uint32_t counted = fake::AddProcess({.imageName = "vlc.exe", .modulePath = "C:\\Apps\\Foo\\bin\\vlc.exe"});
  EXPECT_EQ(IsProcessRunning("vlc.exe"), counted);
}

// Instances that cannot be opened or terminated are logged and the check stays clear.
TEST_F(ProcessCheckTest, TerminationFailuresStillCountAsClear) {
  fake::AddProcess({.imageName = "vlc.exe", .openError = platform::kErrorAccessDenied});
  fake::AddProcess({.imageName = "vlc.exe", .terminateError = platform::kErrorAccessDenied});
  const uint32_t killed = fake::AddProcess({.imageName = "VLC.exe"});
  fake::AddProcess({.imageName = "vlc.exe.bak"});
  fake::SetUptime(kMinute);

  EXPECT_EQ(CheckRunningProcess("vlc.exe"), 1);
  ASSERT_EQ(fake::Terminations().size(), 1u);
  EXPECT_EQ(fake::Terminations()[0].pid, killed);
  const std::string log = Log();
  EXPECT_TRUE(Contains(log, "[DEBUG] Process name to kill : vlc.exe\n"
                            "[DEBUG] App not killed......\n"
                            "[DEBUG] App not killed......\n"
                            "[DEBUG] App Killed......\n"
                            "[INFO] @@@@@@@@@  End of KillProcesses Method @@@@@@@@@@@\n"
                            "[INFO] Process killed successfully\n"))
      << log;
}

TEST_F(ProcessCheckTest, KillProcessesReportsWhetherItFoundAny) {
  EXPECT_FALSE(KillProcesses("vlc.exe"));
  fake::AddProcess({.imageName = "vlc.exe"});
  EXPECT_TRUE(KillProcesses("vlc.exe"));
  EXPECT_TRUE(fake::RunningProcesses().size() == 1u);  // only the handler itself is left
}

}  // namespace
}  // namespace ovr::testing
