// The handler's run from the command line to the exit code, read back from its log.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tests/e2e/handler_fixture.h"

namespace {

using ovr::testing::HandlerTest;
namespace fs = std::filesystem;

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

TEST_F(HandlerTest, WithoutProductNameLogsOpenLineAndProductNameIsNullOnly) {
  ASSERT_FALSE(fs::exists(Root() / "logs"));
  auto r = Run({});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  // Byte for byte, apart from the stamp; the thread id of a single-threaded program is its
  // process id.
  std::string pid = std::to_string(LastPid());
  static const std::string stamp = R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}:\d{3})";
  std::regex whole("\\[ (" + stamp + ") \\] \\[ " + pid + " \\] \\[INFO\\] Log open time: (" +
                   stamp + ")\n\\[ " + stamp + " \\] \\[ " + pid +
                   " \\] \\[INFO\\] product name is null\n");
  std::smatch m;
  std::string log = Log();
  ASSERT_TRUE(std::regex_match(log, m, whole)) << log;
  EXPECT_EQ(m[1].str(), m[2].str());
}

struct OptionCase {
  std::vector<std::string> args;
  std::string lines;  // between the open and the close line
};

TEST_F(HandlerTest, EachOptionWritesItsLine) {
  const std::string product = "[INFO] productName : x\n";
  const OptionCase cases[] = {
      {{"-n", "notepad++"}, "[INFO] productName : notepad++\n"},
      {{"-nfoo", "notepad++"}, "[INFO] productName : notepad++\n"},
      {{"-n", "x", "-p", "proc.exe"}, product + "[INFO] Process Name : proc.exe\n"},
      {{"-n", "x", "-f", "C:\\Program Files\\X"},
       product + "[INFO] Process Running Dir : C:\\Program Files\\X\n"},
      {{"-n", "x", "-t", "0"}, product + "[INFO] Force Kill Timeout : 15 mins\n"},
      {{"-n", "x", "-t", "abc"}, product + "[INFO] Force Kill Timeout : 15 mins\n"},
      {{"-n", "x", "-t", "2"}, product + "[INFO] Force Kill Timeout : 5 mins\n"},
      {{"-n", "x", "-t", "99"}, product + "[INFO] Force Kill Timeout : 30 mins\n"},
      {{"-n", "x", "-t", "20", "-t", "0"},
       product + "[INFO] Force Kill Timeout : 20 mins\n[INFO] Force Kill Timeout : 20 mins\n"},
      // These formats end without a line end: the next line runs on.
      {{"-x", "32", "-n", "x"},
       "[INFO] App platform is 32 and gv_is32 is 1 and gv_IsWow64 is 0" + product},
      {{"-x", "64", "-n", "x"},
       "[INFO] App platform is 64 and gv_is32 is 0 and gv_IsWow64 is 1" + product},
      {{"-x", "abc", "-n", "x"},
       "[INFO] App platform is -1 and gv_is32 is 0 and gv_IsWow64 is 1" + product},
      {{"-x", "32", "-x", "64", "-n", "x"},
       "[INFO] App platform is 32 and gv_is32 is 1 and gv_IsWow64 is 0"
       "[INFO] App platform is 64 and gv_is32 is 1 and gv_IsWow64 is 1" +
           product},
      {{"-c", "0", "-n", "x"}, "[INFO] App detection need to be cleared" + product},
      // Any non-zero value clears: the generic rule then deletes the record.
      {{"-c", "abc", "-n", "x"},
       "[INFO] App detection need to be cleared" + product +
           "[DEBUG] Key to delete:SOFTWARE\\Velmora\\Orvanta\\OVAgent\\AppDetection\\x"
           "[DEBUG] Successfully removed the appdetection.\n"},
      {{"-n", "x", "-k", "MyApp_is1\\UninstallString"},
       product + "[DEBUG] Position of the last \\ is:9[INFO] Regkey Path:" + kUninstall +
           "MyApp_is1\tRegKeyValueName :UninstallString\n"
           "[INFO] x is not running.Going to uninstall.\n"
           "[INFO] Reading from registry failed with error 2.\n"},
      {{"-n", "x", "-k", "MyApp"},
       product + "[DEBUG] Position of the last \\ is:-1[INFO] Regkey Path:" + kUninstall +
           "MyApp\tRegKeyValueName :MyApp\n"
           "[INFO] x is not running.Going to uninstall.\n"
           "[INFO] Reading from registry failed with error 2.\n"},
      // -e and -s write nothing while parsed; the generic rule then checks the -e list.
      {{"-e", "a.exe", "-s", "/S", "-n", "x", "-e", "b.exe", "-s", "/quiet"},
       product + "[INFO] a.exe listOfExe \n[INFO] b.exe listOfExe \n"},
      // An option as the last word is ignored and logged nowhere.
      {{"-n", "x", "-t"}, product},
      {{"-n", "x", "-k"}, product},
  };
  for (const OptionCase &c : cases) {
    std::string shown;
    for (const auto &a : c.args) shown += " [" + a + "]";
    SCOPED_TRACE("arguments:" + shown);
    fs::remove(LogPath());
    auto r = Run(c.args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(LinesBetweenOpenAndClose(), c.lines);
  }
}

TEST_F(HandlerTest, ALoneOptionWithoutValueIsIgnored) {
  auto r = Run({"-n"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(LogBody().substr(LogBody().find('\n') + 1), "[INFO] product name is null\n");
}

TEST_F(HandlerTest, RunsAppendToTheSameLog) {
  ASSERT_EQ(Run({"-n", "first"}).exitCode, 0);
  ASSERT_EQ(Run({"-n", "second"}).exitCode, 0);
  std::string body = LogBody();
  auto first = body.find("[INFO] productName : first\n");
  auto second = body.find("[INFO] productName : second\n");
  ASSERT_NE(first, std::string::npos) << body;
  ASSERT_NE(second, std::string::npos) << body;
  EXPECT_LT(first, second);
}

TEST_F(HandlerTest, UnwritableLogDirectoryLeavesTheExitCodeAlone) {
  // "logs" is taken by a plain file: neither the directory nor the log can be made.
  ovr::testing::WriteFile(Root() / "logs", "not a directory");
  EXPECT_EQ(Run({"-n", "notepad++", "-t", "20"}).exitCode, 0);
  EXPECT_EQ(Run({}).exitCode, 0);
  EXPECT_EQ(ovr::testing::ReadFile(Root() / "logs"), "not a directory");
}

TEST_F(HandlerTest, UnreadableWorkingDirectoryRunsWithoutALog) {
  removeWorkDirAtStart = true;
  EXPECT_EQ(Run({"-n", "notepad++", "-t", "20"}).exitCode, 0);
  EXPECT_FALSE(fs::exists(LogPath()));
}

TEST_F(HandlerTest, ArgumentsThatLookLikeFormatsOrAreHugeAreTakenLiterally) {
  std::string huge(100000, 'A');  // one argument may hold at most 128 KiB
  auto r =
      Run({"-n", "%s%n%x%%", "-k", "\\", "-f", huge, "", "-", "-k", "%n\\%s", "-t", "-2147483649"});
  EXPECT_EQ(r.exitCode, 0);
  std::string lines = LinesBetweenOpenAndClose();
  EXPECT_NE(lines.find("[INFO] productName : %s%n%x%%\n"), std::string::npos);
  EXPECT_NE(lines.find("[INFO] Process Running Dir : " + huge + "\n"), std::string::npos);
  EXPECT_NE(lines.find("is:0[INFO] Regkey Path:" + kUninstall + "\tRegKeyValueName :\n"),
            std::string::npos);
  EXPECT_NE(lines.find("[INFO] Regkey Path:" + kUninstall + "%n\tRegKeyValueName :%s\n"),
            std::string::npos);
  EXPECT_NE(lines.find("[INFO] Force Kill Timeout : 15 mins\n"), std::string::npos);
}

}  // namespace
