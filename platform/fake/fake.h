// Controls of the in-memory platform double: the handler's unit tests link this backend
// instead of the real one and set up the registry, the processes, the clock and the
// programs it launches, then inspect what the code under test did.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process_query.h"

namespace ovr::platform::fake {

// Back to a fresh machine: empty registry, no processes but the caller's own (pid 4242,
// "ovravelin.exe"), uptime 0, system directory "C:\Windows\system32", no launches, no
// programs set up, no failures.
void Reset();

// ---- registry ------------------------------------------------------------------------

// Replaces the registry with the keys of a .reg text ("Windows Registry Editor Version
// 5.00"). False and `problem` set ("<name>:<line>: ...") when the text does not parse.
bool LoadRegistry(std::string_view regText, std::string *problem = nullptr);

// The whole registry as a .reg text.
std::string ExportRegistry();

// The registry calls a failure can be set up for.
enum class RegistryCall { Create, Open, Query, Set, Enum, DeleteKey, DeleteValue };

// Makes every `call` on a key whose path (as seen after the view mapping, without the root,
// for example "SOFTWARE\Wow6432Node\Velmora") contains `pathPart` (without regard to case;
// empty: every key) fail with `code`. Reset clears these.
void FailRegistry(RegistryCall call, std::string_view pathPart, uint32_t code);

// Makes the registry unusable as a store that does not parse: every call returns
// kErrorBadDatabase and RegistryStoreProblem gives `problem`.
void BreakRegistryStore(std::string_view problem);

// ---- processes -----------------------------------------------------------------------

struct Process {
  uint32_t pid = 0;               // 0: the next free id is given
  std::string imageName = {};          // name in the snapshot, for example "notepad++.exe"
  std::string modulePath = {};         // full path of its executable
  std::u16string commandLine = {};     // what the command-line query returns
  uint32_t openError = 0;         // non-zero: OpenProcessById fails with it
  uint32_t modulePathError = 0;   // non-zero: QueryProcessModulePath fails with it
  uint32_t terminateError = 0;    // non-zero: TerminateProcessHandle fails with it
};

// Adds a running process; returns its id.
uint32_t AddProcess(Process process);

// The processes still running (terminated ones are gone), in snapshot order.
std::vector<Process> RunningProcesses();

// One termination: which process, with which exit code.
struct Termination {
  uint32_t pid;
  uint32_t exitCode;
};
std::vector<Termination> Terminations();

// Snapshots fail with `code` (0: they work again).
void FailSnapshot(uint32_t code);

// ---- clock and machine ---------------------------------------------------------------

void SetUptime(uint64_t milliseconds);
void SetSystemDirectory(std::string directory);

// ---- launched programs ---------------------------------------------------------------

// How a launched program behaves. Programs are matched by the start of their command line
// (without regard to case); the last matching set-up wins; a program without a set-up
// exits at once with 0.
struct Program {
  uint32_t launchError = 0;       // non-zero: LaunchProcess fails with it
  uint32_t exitCode = 0;          // its exit code when it ends
  uint64_t runsFor = 0;           // milliseconds until it ends; a wait shorter than that
                                  // times out (the fake clock moves on by the wait)
  bool waitFails = false;         // WaitForProcessExit reports Failed
  uint32_t exitCodeError = 0;     // non-zero: QueryProcessExitCode fails with it
  uint32_t terminateError = 0;    // non-zero: terminating it fails with it
};
void SetProgram(std::string_view commandLineStart, Program program);

// One launch as the code under test made it.
struct Launch {
  std::string commandLine = {};
  bool hasWorkingDirectory;        // a working directory was given
  std::string workingDirectory = {};
  uint32_t waitedMilliseconds;     // the time limit of the last wait (0: never waited)
  bool terminated;                 // terminated by the caller
  uint32_t terminateExitCode;      // the exit code it was terminated with
};
std::vector<Launch> Launches();

// ---- command-line query --------------------------------------------------------------

// Connecting fails at `step` with `hresult` (a negative COM code; 0: it works again).
void FailProcessQueryConnect(ProcessQueryStep step, int32_t hresult);
// The query itself fails with `hresult` (0: it works again).
void FailProcessQuery(int32_t hresult);

}  // namespace ovr::platform::fake
