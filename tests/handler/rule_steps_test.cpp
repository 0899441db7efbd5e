// The steps the product rules are built from, on the platform double: the launcher's time
// limits and failures, the uninstall value reads with their views and limits, the process
// command-line query, and App-detection records for names too long for a key.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "handler/app_detection.h"
#include "handler/launcher.h"
#include "handler/run.h"
#include "handler/uninstall.h"
#include "handler/wmi_query.h"
#include "platform/error.h"
#include "platform/registry.h"
#include "tests/handler/handler_fake_fixture.h"

namespace ovr::testing {
namespace {

namespace fake = platform::fake;

using RuleStepsTest = HandlerFakeTest;

constexpr uint64_t kMinute = 60000;

struct Executed {
  int result;
  std::string remarks;
};

Executed Execute(const char *command, int minutes) {
  char *remarks = nullptr;
  const int result = execute(nullptr, command, &remarks, minutes);
  Executed e{result, remarks ? remarks : "(none)"};
  std::free(remarks);
  return e;
}

// ---- launcher ------------------------------------------------------------------------

TEST_F(RuleStepsTest, ExecuteResults) {
  struct Case {
    const char *command;
    fake::Program program;
    int minutes;
    int result;
  };
  const Case cases[] = {
      {"ok.exe", {.exitCode = 0}, 20, 0},
      {"reboot.exe", {.exitCode = 3010}, 20, 0},
      {"rebooting.exe", {.exitCode = 1641}, 20, 0},
      {"fails.exe", {.exitCode = 1603}, 20, 1603},
      {"missing.exe", {.launchError = platform::kErrorFileNotFound}, 20, 2},
      {"slow.exe", {.runsFor = 20 * kMinute}, 20, 0},        // ends just in time
      {"hangs.exe", {.runsFor = 20 * kMinute + 1}, 20, 258},  // one millisecond too long
      {"hangs40.exe", {.runsFor = 40 * kMinute + 1}, 40, 258},
      {"nowait.exe", {.waitFails = true}, 20, static_cast<int>(platform::kErrorInvalidHandle)},
      {"nocode.exe", {.exitCodeError = platform::kErrorAccessDenied}, 20, 5},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.command);
    fake::SetProgram(c.command, c.program);
    EXPECT_EQ(Execute(c.command, c.minutes).result, c.result);
    const fake::Launch launch = fake::Launches().back();
    EXPECT_EQ(launch.commandLine, c.command);
    if (c.program.launchError == 0) {
      EXPECT_EQ(launch.waitedMilliseconds, c.minutes * kMinute);
    }
    EXPECT_EQ(launch.terminated, c.result == 258);
    if (launch.terminated) {
      EXPECT_EQ(launch.terminateExitCode, 0u);
    }
  }
  const std::string log = Log();
  EXPECT_TRUE(Contains(log, "[INFO] execute : Terminating the Process for application hangs.exe as "
                            "time is exceeded 20 Minutes \n[ERROR] Error Code : 258 , Error Message : "
                            "The wait operation timed out. \n[INFO] execute : The process has been "
                            "successfully terminated ..! \n"))
      << log;
  EXPECT_TRUE(Contains(log, "[INFO] execute : Failed to Create the Process for the application \n"));
  EXPECT_TRUE(Contains(log, "[INFO] execute : WaitForSingleObject Failed with error code 6 \n"));
  EXPECT_TRUE(Contains(log, "[INFO] execute : Unable to find the exit code for the application and "
                            "the error code is : 5 \n"));
  EXPECT_TRUE(Contains(log, "[ERROR] Error Code : 3010 , Error Message : "));
  EXPECT_TRUE(Contains(log, "[INFO] execute : Exit code for the application : 3010 \n"));
}

TEST_F(RuleStepsTest, ExecuteReportsAFailedTerminationAfterTheLimit) {
  fake::SetProgram("stuck.exe", {.runsFor = 60 * kMinute, .terminateError = platform::kErrorAccessDenied});
  EXPECT_EQ(Execute("stuck.exe", 20).result, 258);
  EXPECT_TRUE(Contains(Log(), "[INFO] execute : The process termination is failed with error code : 5 \n"))
      << Log();
}

// The working directory is the child's and is switched back afterwards; one that does not
// exist starts nothing.
TEST_F(RuleStepsTest, ExecuteWorkingDirectory) {
  const std::filesystem::path before = std::filesystem::current_path();
  char *remarks = nullptr;
  EXPECT_EQ(execute(dir_.path().c_str(), "ok.exe /x", &remarks, 20), 0);
  std::free(remarks);
  EXPECT_EQ(std::filesystem::current_path(), before);
  ASSERT_EQ(fake::Launches().size(), 1u);
  EXPECT_EQ(fake::Launches()[0].workingDirectory, dir_.path().string());
  EXPECT_TRUE(Contains(Log(), "[INFO] execute : Current Working Directory : " + before.string() +
                                  " \n[INFO] execute : Executing Application Source : ok.exe /x \n"
                                  "[INFO] execute : Set Working Directory : " + dir_.path().string() +
                                  " \n"))
      << Log();

  const std::string missing = (dir_.path() / "missing").string();
  EXPECT_EQ(execute(missing.c_str(), "ok.exe", &remarks, 20), 2);
  ASSERT_NE(remarks, nullptr);
  std::free(remarks);
  EXPECT_EQ(fake::Launches().size(), 1u);
  EXPECT_EQ(std::filesystem::current_path(), before);
  EXPECT_TRUE(Contains(Log(), "[INFO] execute : Failed to set the WorkingDirectory " + missing + " \n "));
}

// The remarks keep the system's text of the real exit code, also when the result is 0.
TEST_F(RuleStepsTest, RemarksNameTheRealExitCode) {
  fake::SetProgram("reboot.exe", {.exitCode = 3010});
  const Executed e = Execute("reboot.exe", 20);
  char *expected = GetSystemErrorText(3010);
  EXPECT_EQ(e.remarks, expected);
  EXPECT_NE(e.remarks, "Unknown Error");
  std::free(expected);
}

TEST_F(RuleStepsTest, SystemErrorText) {
  char *unknown = GetSystemErrorText(987654);
  EXPECT_STREQ(unknown, "Unknown Error");
  std::free(unknown);
  char *success = GetSystemErrorText(0);
  ASSERT_NE(success, nullptr);
  EXPECT_NE(success[0], ' ');
  EXPECT_NE(success[std::strlen(success) - 1], ' ');
  const std::string log = Log();
  EXPECT_TRUE(Contains(log, "[ERROR] Error Code : 987654 , Error Message : Unknown Error \n")) << log;
  EXPECT_TRUE(Contains(log, std::string("[INFO] Message : ") + success + " \n")) << log;
  std::free(success);
}

// ---- uninstall values ----------------------------------------------------------------

TEST_F(RuleStepsTest, ReadUninstallValue) {
  const std::string longText(2047, 'a');
  Registry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App]\n"
      "\"Cmd\"=\"C:\\\\x86\\\\uninst.exe\"\n"
      "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\n"
      "\"Dword\"=dword:00000001\n"
      "\"Unterminated\"=hex(1):61,00,62,00\n"
      "\"Longest\"=\"" + longText + "\"\n"
      "\"TooLong\"=\"" + longText + "a\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App]\n"
      "\"Cmd\"=\"C:\\\\x64\\\\uninst.exe\"\n");
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App";
  struct Case {
    const char *name;
    bool view64;
    uint32_t code;
    std::string text;
  };
  const Case cases[] = {
      {"Cmd", false, 0, "C:\\x86\\uninst.exe"},
      {"Cmd", true, 0, "C:\\x64\\uninst.exe"},
      {"Expand", false, 0, "%TEMP%"},  // taken as stored
      {"Dword", false, 13, ""},
      {"Unterminated", false, 13, ""},
      {"Longest", false, 0, longText},
      {"TooLong", false, 234, ""},
      {"Missing", false, 2, ""},
      {"Expand", true, 2, ""},  // the 64-bit view's entry has no such value
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.view64 ? " 64" : " 32"));
    std::string text;
    EXPECT_EQ(ReadUninstallValue(key.c_str(), c.name, c.view64, text), c.code);
    EXPECT_EQ(text, c.text);
  }
}

TEST_F(RuleStepsTest, EnumerateUninstallKeysListsEveryEntry) {
  Registry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\B]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{A}]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Only64]\n");
  std::vector<std::string> names;
  EnumerateUninstallKeys(names, kUninstallKeyPath);
  EXPECT_EQ(names, (std::vector<std::string>{"B", "{A}"}));
  EXPECT_EQ(Log(), "[DEBUG] Subkey Name:B\n[DEBUG] Subkey Name:{A}\n");

  names.clear();
  EnumerateUninstallKeys(names, "SOFTWARE\\Nowhere");
  EXPECT_TRUE(names.empty());
}

// ---- App-detection records -----------------------------------------------------------

TEST_F(RuleStepsTest, ProductNameTooLongForARecordKey) {
  const std::string prefix = "SOFTWARE\\Velmora\\Orvanta\\OVAgent\\AppDetection\\";
  const std::string fits(254 - prefix.size(), 'p');
  const std::string tooLong = fits + "q";
  // A record whose key is the too-long name cut to 254 characters must survive.
  Registry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Velmora\\Orvanta\\OVAgent\\AppDetection\\" +
           fits + "]\n");

  gv_runSettings.productName = tooLong;
  EXPECT_NE(CreateAppDetectionKey(), 0u);
  DeleteAppDetectionKey();
  DeleteRecord();
  const std::string exported = fake::ExportRegistry();
  EXPECT_TRUE(Contains(exported, "AppDetection\\" + fits + "]")) << exported;
  EXPECT_FALSE(Contains(exported, tooLong));
  const std::string log = Log();
  EXPECT_TRUE(Contains(log, "[INFO] addRegistryKey: Inside addRegistryKey method ...... \n[ERROR] "))
      << log;
  EXPECT_FALSE(Contains(log, "RegCreateKeyEx"));

  gv_runSettings.productName = fits;
  EXPECT_EQ(CreateAppDetectionKey(), 0u);
  DeleteAppDetectionKey();
  EXPECT_FALSE(Contains(fake::ExportRegistry(), fits));
}

// ---- process command-line query ------------------------------------------------------

TEST_F(RuleStepsTest, CommandLineQueryKeepsTheLastMatch) {
  fake::AddProcess({.imageName = "java.exe", .commandLine = u"java -jar pdfsam-community.jar one"});
  fake::AddProcess({.imageName = "other.exe", .commandLine = u"other.exe"});
  fake::AddProcess({.imageName = "java.exe", .commandLine = u"java -jar PDFSAM-community.jar two"});
  EXPECT_EQ(ConnectWmiNamespace(), 0);
  std::u16string commandLine;
  EXPECT_EQ(GetValuesUsingWMIQuery(commandLine), 0);
  ReleaseWmiConnection();
  EXPECT_EQ(commandLine, u"java -jar PDFSAM-community.jar two");
  EXPECT_EQ(Log(),
            "[INFO] GetValuesUsingWMIQuery : Connected to ROOT\\CIMV2 WMI namespace\n"
            "[INFO] GetValuesUsingWMIQuery : The required Value is given by: java -jar "
            "pdfsam-community.jar one\n"
            "[INFO] GetValuesUsingWMIQuery : The required Value is given by: java -jar "
            "PDFSAM-community.jar two\n"
            "[DEBUG] GetValuesUsingWMIQuery : Going to clean the allocated resources .\n");
}

TEST_F(RuleStepsTest, CommandLineQueryFailures) {
  struct Case {
    platform::ProcessQueryStep step;
    const char *line;
  };
  const Case cases[] = {
      {platform::ProcessQueryStep::InitializeCom,
       "[ERROR] GetValuesUsingWMIQuery : Failed to initialize COM library. Error code = 0x80004005\n"
       "[INFO] WMI connection failed. So ignoring WMI Check\n"},
      {platform::ProcessQueryStep::CreateLocator,
       "[ERROR] GetValuesUsingWMIQuery : Failed to create IWbemLocator object. Err code = 0x80004005\n"
       "[INFO] WMI connection failed. So ignoring WMI Check\n"},
      {platform::ProcessQueryStep::ConnectNamespace,
       "[ERROR] GetValuesUsingWMIQuery :Could not connect. Error code = 0x80004005\n"
       "[INFO] WMI connection failed. So ignoring WMI Check\n"},
      // The blanket fails after the connection was made: the query still runs.
      {platform::ProcessQueryStep::SetProxyBlanket,
       "[INFO] GetValuesUsingWMIQuery : Connected to ROOT\\CIMV2 WMI namespace\n"
       "[ERROR] GetValuesUsingWMIQuery :Could not set proxy blanket. Error code = 0x80004005\n"
       "[INFO] GetValuesUsingWMIQuery : The required Value is given by: pdfsam-community\n"},
  };
  for (const Case &c : cases) {
    fake::Reset();
    fake::AddProcess({.imageName = "java.exe", .commandLine = u"pdfsam-community"});
    fake::FailProcessQueryConnect(c.step, static_cast<int32_t>(0x80004005u));
    const std::string before = Log();
    EXPECT_LT(ConnectWmiNamespace(), 0);
    std::u16string commandLine;
    GetValuesUsingWMIQuery(commandLine);
    ReleaseWmiConnection();
    EXPECT_TRUE(Contains(Log().substr(before.size()), c.line)) << Log().substr(before.size());
  }

  fake::Reset();
  fake::FailProcessQuery(static_cast<int32_t>(0x80041003u));
  ConnectWmiNamespace();
  std::u16string commandLine;
  EXPECT_EQ(GetValuesUsingWMIQuery(commandLine), static_cast<int32_t>(0x80041003u));
  ReleaseWmiConnection();
  EXPECT_TRUE(commandLine.empty());
  EXPECT_TRUE(Contains(Log(), "[ERROR] GetValuesUsingWMIQuery : Query for the required wmi class is "
                              "failed . Error code = 0x80041003\n"));
}

}  // namespace
}  // namespace ovr::testing
