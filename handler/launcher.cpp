// Runs an uninstaller as a hidden child process with a time limit.
//
// The working directory is switched for the child's start and switched back afterwards, so
// nothing else that depends on the current directory may run meanwhile (the handler has
// one thread). Uninstallers that only ask for a reboot count as successful.
#include "handler/launcher.h"

#include <corbel/log.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "handler/run_settings.h"
#include "platform/error.h"
#include "platform/process.h"
#include "platform/system.h"

namespace ovr {
namespace {

constexpr uint32_t kRebootInitiated = 1641;
constexpr uint32_t kRebootRequired = 3010;

char *CopyText(const std::string &text) {
  char *copy = static_cast<char *>(std::malloc(text.size() + 1));
  if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

// The last error of a failed step, never 0 (a step that failed without a code still failed).
uint32_t FailureCode() {
  const uint32_t code = platform::LastErrorCode();
  return code ? code : 1;  // ERROR_INVALID_FUNCTION
}

// Milliseconds of a limit in minutes, for a wait that takes 32 bits (never the endless wait).
uint32_t LimitMilliseconds(int minutes) {
  if (minutes <= 0) return 0;
  const uint64_t ms = static_cast<uint64_t>(minutes) * 60000u;
  return ms >= 0xFFFFFFFFu ? 0xFFFFFFFEu : static_cast<uint32_t>(ms);
}

// The child's part: start, wait within the limit, read the exit code. Logs its own lines.
uint32_t RunChild(const char *workingDir, const char *commandLine, int minutes, char **remarks) {
  platform::ProcessHandle child;
  uint32_t result = platform::LaunchProcess(commandLine, workingDir, child);
  if (result != 0) {
    LogInfo("execute : Failed to Create the Process for the application \n");
    *remarks = GetSystemErrorText(result);
    return result;
  }
  LogInfo("execute : Process successfully created for application %s \n", commandLine);
  switch (platform::WaitForProcessExit(child, LimitMilliseconds(minutes))) {
    case platform::WaitOutcome::TimedOut:
      LogInfo("execute : Terminating the Process for application %s as time is exceeded %d Minutes \n",
              commandLine, minutes);
      *remarks = GetSystemErrorText(platform::kWaitTimeout);
      if (platform::TerminateProcessHandle(child, 0) == 0) {
        LogInfo("execute : The process has been successfully terminated ..! \n");
      } else {
        LogInfo("execute : The process termination is failed with error code : %d \n",
                static_cast<int>(platform::LastErrorCode()));
      }
      return platform::kWaitTimeout;
    case platform::WaitOutcome::Failed:
      result = FailureCode();
      LogInfo("execute : WaitForSingleObject Failed with error code %d \n", static_cast<int>(result));
      *remarks = GetSystemErrorText(result);
      return result;
    case platform::WaitOutcome::Ended:
      break;
  }
  uint32_t exitCode = 0;
  result = platform::QueryProcessExitCode(child, exitCode);
  if (result != 0) {
    LogInfo("execute : Unable to find the exit code for the application and the error code is : %d \n",
            static_cast<int>(result));
    *remarks = GetSystemErrorText(result);
    return result;
  }
  *remarks = GetSystemErrorText(exitCode);
  LogInfo("execute : Exit code for the application : %d \n", static_cast<int>(exitCode));
  if (exitCode == kRebootInitiated || exitCode == kRebootRequired) return 0;
  return exitCode;
}

}  // namespace

int execute(const char *workingDir, const char *commandLine, char **remarks, int minutes) {
  LogInfo("@@@@@@@@ Inside execute Method @@@@@@@@ \n");
  *remarks = nullptr;
  std::string savedDir;
  if (workingDir) {
    if (!sys::CurrentDirectory(savedDir)) {
      const uint32_t result = FailureCode();
      LogInfo("execute: Failed to get the CurrentWorkingDirectory \n");
      *remarks = GetSystemErrorText(result);
      return static_cast<int>(result);
    }
    LogInfo("execute : Current Working Directory : %s \n", savedDir.c_str());
    LogInfo("execute : Executing Application Source : %s \n", commandLine);
    LogInfo("execute : Set Working Directory : %s \n", workingDir);
    if (const uint32_t result = platform::SetWorkingDirectory(workingDir); result != 0) {
      LogInfo("execute : Failed to set the WorkingDirectory %s \n ", workingDir);
      *remarks = GetSystemErrorText(result);
      return static_cast<int>(result);
    }
  }
  const uint32_t result = RunChild(workingDir, commandLine, minutes, remarks);
  if (workingDir) platform::SetWorkingDirectory(savedDir.c_str());
  LogInfo("execute : Remarks from the CreateProcess is %s for the executable %s \n",
          *remarks ? *remarks : "", commandLine);
  LogInfo("@@@@@@@@ End Of execute Method @@@@@@@@ \n");
  return static_cast<int>(result);
}

Executed ExecuteInSystemDirectory(const std::string &commandLine, int minutes) {
  char *remarks = nullptr;
  const int result =
      execute(gv_runSettings.systemDirectory.c_str(), commandLine.c_str(), &remarks, minutes);
  Executed executed{result, remarks ? remarks : ""};
  std::free(remarks);
  return executed;
}

char *GetSystemErrorText(uint32_t code) {
  std::string text;
  if (platform::SystemMessageText(code, text)) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  } else {
    text = "Unknown Error";
  }
  if (code != 0) {
    LogError("Error Code : %d , Error Message : %s \n", static_cast<int>(code), text.c_str());
  } else {
    LogInfo("Message : %s \n", text.c_str());
  }
  return CopyText(text);
}

}  // namespace ovr
