// Whether a product's executable runs, and its termination shortly after system start.
//
// Programs are terminated only while the machine has just started (no user is likely to
// work with them yet) or when the agent's alwaysKillApps setting says so; otherwise the
// product counts as busy and the agent postpones the installation.
#include "handler/process_check.h"

#include <corbel/log.h>

#include <chrono>
#include <cinttypes>
#include <string>
#include <thread>
#include <vector>

#include "handler/ascii_case.h"
#include "handler/run_settings.h"
#include "platform/error.h"
#include "platform/machine.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "support/registry.h"

namespace ovr {
namespace {

// Image names are compared over this many characters at most.
constexpr size_t kImageNameCompareLength = 15;

// The directory filter: the process counts only when its executable lies under the
// directory text the agent gave.
bool InRunningDir(uint32_t pid, const std::string &dir) {
  platform::ProcessHandle process;
  if (platform::OpenProcessById(pid, platform::ProcessAccess::Inspect, process) != 0) {
    LogInfo("Failed to open process \n");
    return false;
  }
  std::string path;
  if (platform::QueryProcessModulePath(process, path) != 0) {
    LogInfo("Failed to get module filename \n");
    return false;
  }
  LogInfo("Module filename is: %s \n", path.c_str());
  return path.find(dir) != std::string::npos;
}

// Terminates one process with the exit code it reports now (STILL_ACTIVE while it runs).
bool Terminate(uint32_t pid) {
  platform::ProcessHandle process;
  if (platform::OpenProcessById(pid, platform::ProcessAccess::Terminate, process) != 0) return false;
  uint32_t exitCode = platform::kStillActive;
  platform::QueryProcessExitCode(process, exitCode);
  return platform::TerminateProcessHandle(process, exitCode) == 0;
}

}  // namespace

uint32_t IsProcessRunning(const char *exeName) {
  std::vector<platform::ProcessEntry> processes;
  if (!platform::TakeProcessSnapshot(processes)) return 0;
  const uint32_t self = platform::CurrentProcessId();
  const std::string dir = gv_runSettings.processRunningDir.value_or("");
  for (const platform::ProcessEntry &p : processes) {
    if (!EqualsIgnoringAsciiCase(p.imageName, exeName, kImageNameCompareLength)) continue;
    if (p.pid == self) continue;
    if (!dir.empty() && !InRunningDir(p.pid, dir)) continue;
    return p.pid;
  }
  return 0;
}

int CheckRunningProcess(const char *exeName) {
  if (IsProcessRunning(exeName) == 0) return 1;

  // Milliseconds since start as a 64-bit count: a 32-bit tick count wraps after 49.7 days
  // and would make a long-running machine look freshly started.
  uint64_t uptime = platform::UptimeMilliseconds();
  LogInfo("the tick count is %" PRId64 "\n", static_cast<int64_t>(uptime));
  uint32_t alwaysKill = 0;
  ReadDwordRegistryData(platform::RegRoot::LocalMachine, "SOFTWARE\\Velmora\\Orvanta\\OVAgent\\Patch\\",
                        "alwaysKillApps", alwaysKill);
  if (alwaysKill != 0) {
    LogInfo("alwaysKillApps is set so we are setting the uptime as 1\n");
    uptime = 1;
  }
  LogInfo("the final tick count is %" PRId64 "\n", static_cast<int64_t>(uptime));

  int &timeout = gv_runSettings.forceKillTimeout;
  timeout = timeout < 5 ? 5 : timeout > 30 ? 30 : timeout;
  LogInfo("Force Kill Timeout : %d mins.\n", timeout);
  if (uptime > static_cast<uint64_t>(timeout) * 60000u) {
    LogInfo("Not a startup event hence not killing the product exe\n");
    return 0;
  }
  LogInfo("This ia a startup event hence killing the products exe\n");
  KillProcesses(exeName);
  LogInfo("Process killed successfully\n");
  return 1;
}

bool KillProcesses(const char *exeName) {
  LogInfo("@@@@@@@@@  Inside KillProcesses Method @@@@@@@@@@@\n");
  std::vector<platform::ProcessEntry> processes;
  platform::TakeProcessSnapshot(processes);
  LogDebug("Process name to kill : %s\n", exeName);
  bool found = false;
  const uint32_t self = platform::CurrentProcessId();
  for (const platform::ProcessEntry &p : processes) {
    if (!EqualsIgnoringAsciiCase(p.imageName, exeName)) continue;
    // Another instance of the handler named as a product is terminated, this one never:
    // it would end the run without its exit code and the log's close line.
    if (p.pid == self) continue;
    if (Terminate(p.pid)) {
      LogDebug("App Killed......\n");
    } else {
      LogDebug("App not killed......\n");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    found = true;
  }
  LogInfo("@@@@@@@@@  End of KillProcesses Method @@@@@@@@@@@\n");
  return found;
}

}  // namespace ovr
