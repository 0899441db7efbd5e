// The platform double behaves as the handler's unit tests need: programs that outlast a
// wait, terminations recorded, failures where asked for.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/fake/fake.h"
#include "platform/machine.h"
#include "platform/process.h"
#include "platform/registry.h"

namespace {

using namespace ovr::platform;

class FakeTest : public ::testing::Test {
 protected:
  FakeTest() { fake::Reset(); }
};

TEST_F(FakeTest, AProgramThatOutlastsTheWaitTimesOutAndTheClockMovesOn) {
  fake::SetUptime(1000);
  fake::SetProgram("msiexec.exe /x", {.exitCode = 3010, .runsFor = 60000});
  fake::SetProgram("missing.exe", {.launchError = kErrorFileNotFound});
  ProcessHandle child;
  ASSERT_EQ(LaunchProcess("MsiExec.exe /X{G} /qn", "C:\\Windows\\system32", child), kErrorSuccess);
  EXPECT_EQ(WaitForProcessExit(child, 20000), WaitOutcome::TimedOut);
  EXPECT_EQ(UptimeMilliseconds(), 21000u);
  EXPECT_EQ(WaitForProcessExit(child, 60000), WaitOutcome::Ended);
  uint32_t exitCode = 0;
  EXPECT_EQ(QueryProcessExitCode(child, exitCode), kErrorSuccess);
  EXPECT_EQ(exitCode, 3010u);
  EXPECT_EQ(LaunchProcess("missing.exe", nullptr, child), kErrorFileNotFound);
  auto launches = fake::Launches();
  ASSERT_EQ(launches.size(), 2u);
  EXPECT_EQ(launches[0].commandLine, "MsiExec.exe /X{G} /qn");
  EXPECT_EQ(launches[0].workingDirectory, "C:\\Windows\\system32");
  EXPECT_EQ(launches[0].waitedMilliseconds, 60000u);
  EXPECT_FALSE(launches[1].hasWorkingDirectory);
}

TEST_F(FakeTest, TerminatedProcessesLeaveTheSnapshot) {
  uint32_t a = fake::AddProcess({.imageName = "notepad++.exe", .modulePath = "C:\\A\\n.exe"});
  uint32_t b = fake::AddProcess({.imageName = "notepad++.exe", .terminateError = 5});
  std::vector<ProcessEntry> snapshot;
  ASSERT_TRUE(TakeProcessSnapshot(snapshot));
  ASSERT_EQ(snapshot.size(), 3u);
  EXPECT_EQ(snapshot[0].pid, CurrentProcessId());
  ProcessHandle process;
  ASSERT_EQ(OpenProcessById(a, ProcessAccess::Terminate, process), kErrorSuccess);
  EXPECT_EQ(TerminateProcessHandle(process, 259), kErrorSuccess);
  ASSERT_EQ(OpenProcessById(b, ProcessAccess::Terminate, process), kErrorSuccess);
  EXPECT_EQ(TerminateProcessHandle(process, 259), kErrorAccessDenied);
  ASSERT_EQ(fake::Terminations().size(), 1u);
  EXPECT_EQ(fake::Terminations()[0].pid, a);
  EXPECT_EQ(fake::RunningProcesses().size(), 2u);
  fake::FailSnapshot(kErrorAccessDenied);
  EXPECT_FALSE(TakeProcessSnapshot(snapshot));
}

TEST_F(FakeTest, RegistryFailuresHitTheCallsAndKeysAskedFor) {
  fake::FailRegistry(fake::RegistryCall::Open, "wow6432node\\velmora", kErrorAccessDenied);
  RegKey key;
  EXPECT_EQ(CreateRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Velmora", kKeyAllAccess, key,
                              nullptr),
            kErrorSuccess);
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Velmora", kKeyRead, key),
            kErrorAccessDenied);
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Velmora", kKeyRead | kKeyWow64_64Key,
                            key),
            kErrorFileNotFound);
  fake::BreakRegistryStore("registry.reg:3: bad hex byte \"zz\"");
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "System", kKeyRead, key), kErrorBadDatabase);
  EXPECT_EQ(RegistryStoreProblem(), "registry.reg:3: bad hex byte \"zz\"");
}

}  // namespace
