// Processes: snapshots of the running processes, opening one, its module path, its exit
// code, termination, and starting a program as a hidden child with a bounded wait.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ovr::platform {

// One process of a snapshot (a toolhelp process entry).
struct ProcessEntry {
  uint32_t pid;           // process id
  std::string imageName;  // file name of its executable, for example "notepad++.exe"
};

// The processes running now, in the system's order. False (and `out` empty) when no
// snapshot can be taken; the last error then says why.
bool TakeProcessSnapshot(std::vector<ProcessEntry> &out);

// The calling process's own id, to recognise it in a snapshot.
uint32_t CurrentProcessId();

// An open process. The backend defines the handle; ProcessHandle closes it (closing never
// ends the process).
struct ProcessHandleData;
void CloseProcessHandle(ProcessHandleData *process) noexcept;
struct ProcessCloser {
  void operator()(ProcessHandleData *process) const noexcept { CloseProcessHandle(process); }
};
using ProcessHandle = std::unique_ptr<ProcessHandleData, ProcessCloser>;

// What an opened process is for.
enum class ProcessAccess {
  Inspect,    // read its module path (the system's maximum allowed access)
  Terminate,  // read its exit code and terminate it (all access)
};

// Opens process `pid` (OpenProcess). kErrorInvalidParameter when no such process exists,
// kErrorAccessDenied when the caller may not inspect or terminate it.
uint32_t OpenProcessById(uint32_t pid, ProcessAccess access, ProcessHandle &process);

// The full path of the process's main module (GetModuleFileNameEx); a failure code when it
// cannot be read.
uint32_t QueryProcessModulePath(const ProcessHandle &process, std::string &path);

// The process's exit code: kStillActive while it runs (GetExitCodeProcess).
uint32_t QueryProcessExitCode(const ProcessHandle &process, uint32_t &exitCode);

// Terminates the process at once with `exitCode` (TerminateProcess); its children live on.
uint32_t TerminateProcessHandle(const ProcessHandle &process, uint32_t exitCode);

// Starts `commandLine` as a hidden child (CreateProcess with no application name: the first
// token names the program, which is looked for as the system does; handles not inherited;
// no console, no window, the caller's environment), in `workingDirectory` when it is not
// null. kErrorFileNotFound for a program that cannot be found, kErrorDirectory for a working
// directory that does not exist.
uint32_t LaunchProcess(std::string_view commandLine, const char *workingDirectory,
                       ProcessHandle &child);

// Waits until the process ends or `milliseconds` pass (WaitForSingleObject).
enum class WaitOutcome {
  Ended,     // the process has ended; QueryProcessExitCode gives its code
  TimedOut,  // still running after the time limit
  Failed,    // the wait itself failed; the last error says why
};
WaitOutcome WaitForProcessExit(const ProcessHandle &process, uint32_t milliseconds);

// Makes `directory` the process's current directory (SetCurrentDirectory): 0 or the
// failure code (kErrorFileNotFound, kErrorPathNotFound, kErrorDirectory, ...).
uint32_t SetWorkingDirectory(const char *directory);

}  // namespace ovr::platform
