// The launcher on the machine's own processes: a real child that outlives its time limit is
// terminated, a missing program is error 2, and the working directory comes back. (The
// limits of 20 and 40 minutes themselves are tested on the platform double.)
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "handler/launcher.h"
#include "tests/handler/handler_log_fixture.h"

namespace ovr::testing {
namespace {

class LauncherTest : public HandlerLogTest {
 protected:
  // A shell script in the test's directory; returns its path.
  std::string Script(const std::string &name, const std::string &body) {
    const std::string path = dir_ / name;
    WriteFile(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    return path;
  }

  int Execute(const std::string &command, int minutes, std::string *remarks = nullptr) {
    char *text = nullptr;
    const int result = execute(dir_.path().c_str(), command.c_str(), &text, minutes);
    if (remarks) *remarks = text ? text : "";
    std::free(text);
    return result;
  }
};

// With a limit of 0 minutes the wait ends at once: the still-running child is terminated.
TEST_F(LauncherTest, ChildPastItsLimitIsTerminated) {
  const std::string pidFile = dir_ / "child.pid";
  const std::string hang = Script("hang.sh", "echo $$ > '" + pidFile + "'\nexec sleep 100\n");
  const auto start = std::chrono::steady_clock::now();
  std::string remarks;
  EXPECT_EQ(Execute(hang + " --quiet", 0, &remarks), 258);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(50));

  // A child still alive would write its id within this second; one terminated before it got
  // that far never does.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const std::string pidText = ReadFile(pidFile);
  if (!pidText.empty()) {
    const std::string pid = pidText.substr(0, pidText.find('\n'));
    const std::string status = ReadFile("/proc/" + pid + "/status");
    EXPECT_TRUE(status.empty() || status.find("State:\tZ") != std::string::npos)
        << "the child still runs: " << status;
  }
  EXPECT_NE(remarks, "");
  EXPECT_NE(Log().find("[INFO] execute : Terminating the Process for application " + hang +
                       " --quiet as time is exceeded 0 Minutes \n"),
            std::string::npos)
      << Log();
}

TEST_F(LauncherTest, ExitCodesAndMissingPrograms) {
  EXPECT_EQ(Execute(Script("ok.sh", "exit 0\n"), 1), 0);
  EXPECT_EQ(Execute(Script("fails.sh", "exit 67\n"), 1), 67);
  EXPECT_EQ(Execute((dir_ / "missing.exe") + " /S", 1), 2);
  EXPECT_NE(Log().find("[INFO] execute : Failed to Create the Process for the application \n"),
            std::string::npos);
}

// The child starts in the working directory given; the handler's own comes back afterwards.
TEST_F(LauncherTest, WorkingDirectory) {
  const std::filesystem::path before = std::filesystem::current_path();
  const std::string pwdFile = dir_ / "pwd.txt";
  EXPECT_EQ(Execute(Script("pwd.sh", "pwd > '" + pwdFile + "'\n"), 1), 0);
  EXPECT_EQ(ReadFile(pwdFile), dir_.path().string() + "\n");
  EXPECT_EQ(std::filesystem::current_path(), before);
}

}  // namespace
}  // namespace ovr::testing
