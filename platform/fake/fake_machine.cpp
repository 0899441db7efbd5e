// The double's processes, launched programs, clock and command-line query.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <unistd.h>

#include "platform/error.h"
#include "platform/fake/fake.h"
#include "platform/fake/state.h"
#include "platform/machine.h"
#include "platform/process.h"
#include "platform/process_query.h"

namespace ovr::platform {

// An open process of the double: a snapshot process by id, or a launched program.
struct ProcessHandleData {
  uint32_t pid;
  ProcessAccess access;
  int launch;  // index into the launches, -1 for a snapshot process
  fake::Program program;
  uint64_t startedAt;
  bool ended = false;
};

struct ProcessQueryData {};

namespace fake {

State &TheState() {
  static State state;
  return state;
}

void ResetMachine() {
  State &s = TheState();
  std::lock_guard lock(s.mutex);
  s.processes.clear();
  s.processes.push_back({kOwnPid, "ovravelin.exe", "C:\\Agent\\bin\\ovravelin.exe",
                         u"ovravelin.exe", 0, 0, 0});
  s.terminations.clear();
  s.nextPid = 5000;
  s.snapshotError = 0;
  s.uptime = 0;
  s.systemDirectory = "C:\\Windows\\system32";
  s.programs.clear();
  s.launches.clear();
  s.connectResult = 0;
  s.queryResult = 0;
}

void Reset() {
  ResetMachine();
  ResetRegistry();
}

namespace {
// Sets the machine up on first use, so that a test that never calls Reset sees a fresh one.
State &Machine() {
  static bool ready = (ResetMachine(), true);
  (void)ready;
  return TheState();
}

bool StartsWithNoCase(std::string_view text, std::string_view start) {
  if (text.size() < start.size()) return false;
  for (size_t i = 0; i < start.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(start[i]))) {
      return false;
    }
  }
  return true;
}
}  // namespace

uint32_t AddProcess(Process process) {
  State &s = Machine();
  std::lock_guard lock(s.mutex);
  if (process.pid == 0) process.pid = s.nextPid++;
  s.processes.push_back(std::move(process));
  return s.processes.back().pid;
}

std::vector<Process> RunningProcesses() {
  State &s = Machine();
  std::lock_guard lock(s.mutex);
  return s.processes;
}

std::vector<Termination> Terminations() {
  State &s = Machine();
  std::lock_guard lock(s.mutex);
  return s.terminations;
}

void FailSnapshot(uint32_t code) { Machine().snapshotError = code; }
void SetUptime(uint64_t milliseconds) { Machine().uptime = milliseconds; }
void SetSystemDirectory(std::string directory) {
  Machine().systemDirectory = std::move(directory);
}

void SetProgram(std::string_view commandLineStart, Program program) {
  State &s = Machine();
  std::lock_guard lock(s.mutex);
  s.programs.push_back({std::string(commandLineStart), program});
}

std::vector<Launch> Launches() {
  State &s = Machine();
  std::lock_guard lock(s.mutex);
  return s.launches;
}

void FailProcessQueryConnect(ProcessQueryStep step, int32_t hresult) {
  Machine().connectStep = step;
  Machine().connectResult = hresult;
}
void FailProcessQuery(int32_t hresult) { Machine().queryResult = hresult; }

}  // namespace fake

namespace {
uint32_t Fail(uint32_t code) {
  SetLastErrorCode(code);
  return code;
}
fake::State &Machine() {
  fake::RunningProcesses();  // makes sure the machine is set up
  return fake::TheState();
}
}  // namespace

bool TakeProcessSnapshot(std::vector<ProcessEntry> &out) {
  auto &s = Machine();
  std::lock_guard lock(s.mutex);
  out.clear();
  if (s.snapshotError) {
    Fail(s.snapshotError);
    return false;
  }
  for (const auto &p : s.processes) out.push_back({p.pid, p.imageName});
  return true;
}

uint32_t CurrentProcessId() { return fake::kOwnPid; }

void CloseProcessHandle(ProcessHandleData *process) noexcept { delete process; }

uint32_t OpenProcessById(uint32_t pid, ProcessAccess access, ProcessHandle &process) {
  auto &s = Machine();
  std::lock_guard lock(s.mutex);
  for (const auto &p : s.processes) {
    if (p.pid != pid) continue;
    if (p.openError) return Fail(p.openError);
    process.reset(new ProcessHandleData{pid, access, -1, {}, s.uptime});
    return kErrorSuccess;
  }
  return Fail(kErrorInvalidParameter);
}

uint32_t QueryProcessModulePath(const ProcessHandle &process, std::string &path) {
  if (!process) return Fail(kErrorInvalidHandle);
  auto &s = Machine();
  std::lock_guard lock(s.mutex);
  for (const auto &p : s.processes) {
    if (p.pid != process->pid) continue;
    if (p.modulePathError) return Fail(p.modulePathError);
    path = p.modulePath;
    return kErrorSuccess;
  }
  return Fail(kErrorInvalidHandle);
}

namespace {
bool ContainsNoCase(std::u16string_view text, std::u16string_view part) {
  auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                        [&](char16_t a, char16_t b) { return fold(a) == fold(b); });
  return it != text.end() || part.empty();
}

bool ProgramEnded(const fake::State &s, const ProcessHandleData &h) {
  return h.ended || s.uptime - h.startedAt >= h.program.runsFor;
}
}  // namespace

uint32_t QueryProcessExitCode(const ProcessHandle &process, uint32_t &exitCode) {
  if (!process) return Fail(kErrorInvalidHandle);
  auto &s = Machine();
  std::lock_guard lock(s.mutex);
  if (process->launch < 0) {
    bool running = std::any_of(s.processes.begin(), s.processes.end(),
                               [&](const fake::Process &p) { return p.pid == process->pid; });
    exitCode = running ? kStillActive : 0;
    return kErrorSuccess;
  }
  if (process->program.exitCodeError) return Fail(process->program.exitCodeError);
  const auto &launch = s.launches[process->launch];
  exitCode = launch.terminated            ? launch.terminateExitCode
             : ProgramEnded(s, *process) ? process->program.exitCode
                                         : kStillActive;
  return kErrorSuccess;
}

uint32_t TerminateProcessHandle(const ProcessHandle &process, uint32_t exitCode) {
  if (!process) return Fail(kErrorInvalidHandle);
  auto &s = Machine();
  std::lock_guard lock(s.mutex);
  if (process->launch >= 0) {
    if (process->program.terminateError) return Fail(process->program.terminateError);
    auto &launch = s.launches[process->launch];
    launch.terminated = true;
    launch.terminateExitCode = exitCode;
    process->ended = true;
    return kErrorSuccess;
  }
  auto it = std::find_if(s.processes.begin(), s.processes.end(),
                         [&](const fake::Process &p) { return p.pid == process->pid; });
  if (it == s.processes.end()) return Fail(kErrorAccessDenied);  // already gone
  if (it->terminateError) return Fail(it->terminateError);
  s.terminations.push_back({process->pid, exitCode});
  s.processes.erase(it);
  return kErrorSuccess;
}

uint32_t LaunchProcess(std::string_view commandLine, const char *workingDirectory,
                       ProcessHandle &child) {
  auto &s = Machine();
  std::lock_guard lock(s.mutex);
  fake::Program program;
  for (const auto &setUp : s.programs) {
    if (fake::StartsWithNoCase(commandLine, setUp.start)) program = setUp.program;
  }
  s.launches.push_back({std::string(commandLine), workingDirectory != nullptr,
                        workingDirectory ? workingDirectory : "", 0, false, 0});
  if (program.launchError) return Fail(program.launchError);
  int index = static_cast<int>(s.launches.size() - 1);
  child.reset(new ProcessHandleData{s.nextPid++, ProcessAccess::Terminate, index, program,
                                    s.uptime});
  return kErrorSuccess;
}

WaitOutcome WaitForProcessExit(const ProcessHandle &process, uint32_t milliseconds) {
  if (!process) {
    Fail(kErrorInvalidHandle);
    return WaitOutcome::Failed;
  }
  auto &s = Machine();
  std::lock_guard lock(s.mutex);
  if (process->launch < 0) {
    Fail(kErrorInvalidHandle);
    return WaitOutcome::Failed;
  }
  s.launches[process->launch].waitedMilliseconds = milliseconds;
  if (process->program.waitFails) {
    Fail(kErrorInvalidHandle);
    return WaitOutcome::Failed;
  }
  uint64_t remaining = process->ended ? 0
                       : process->program.runsFor > s.uptime - process->startedAt
                           ? process->program.runsFor - (s.uptime - process->startedAt)
                           : 0;
  if (remaining > milliseconds) {
    s.uptime += milliseconds;
    return WaitOutcome::TimedOut;
  }
  s.uptime += remaining;
  return WaitOutcome::Ended;
}

uint32_t SetWorkingDirectory(const char *directory) {
  // Directories are real even for the double: the current directory is read for real.
  if (!directory) return Fail(kErrorInvalidParameter);
  if (::chdir(directory) == 0) return kErrorSuccess;
  return Fail(errno == ENOTDIR ? kErrorDirectory
              : errno == ENOENT ? kErrorFileNotFound
                                : kErrorAccessDenied);
}

uint64_t UptimeMilliseconds() { return Machine().uptime; }
std::string SystemDirectory() { return Machine().systemDirectory; }

void CloseProcessQuery(ProcessQueryData *query) noexcept { delete query; }

int32_t ConnectProcessQuery(ProcessQuery &query, ProcessQueryStep &failedStep) {
  auto &s = Machine();
  if (s.connectResult < 0) {
    failedStep = s.connectStep;
    if (s.connectStep == ProcessQueryStep::SetProxyBlanket) query.reset(new ProcessQueryData);
    return s.connectResult;
  }
  query.reset(new ProcessQueryData);
  return 0;
}

int32_t QueryProcessCommandLines(const ProcessQuery &query, std::u16string_view fragment,
                                 std::vector<std::u16string> &commandLines) {
  commandLines.clear();
  auto &s = Machine();
  if (!query) return static_cast<int32_t>(0x80041003u);  // WBEM_E_ACCESS_DENIED
  if (s.queryResult < 0) return s.queryResult;
  std::lock_guard lock(s.mutex);
  for (const auto &p : s.processes) {
    if (ContainsNoCase(p.commandLine, fragment)) commandLines.push_back(p.commandLine);
  }
  return 0;
}

}  // namespace ovr::platform
