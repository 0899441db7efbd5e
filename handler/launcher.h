// Program launcher: runs one command line (an uninstaller) as a hidden child process in a
// working directory, waits at most a number of minutes and reports a result with remarks.
#pragma once

#include <cstdint>
#include <string>

namespace ovr {

// Runs `commandLine` with `workingDir` (nullptr: the current one) as its working directory
// and waits at most `minutes`. Returns 0 for success (exit code 0, 1641 or 3010), 258 after
// the time ran out and the process was terminated, the child's exit code, or the system's
// error code of a failed step. `*remarks` receives a new text (the caller frees it with
// free): the system's message for the real exit code or error.
int execute(const char *workingDir, const char *commandLine, char **remarks, int minutes);

// `execute` of `commandLine` in the run's system directory, the remarks kept as a string.
struct Executed {
  int result;           // as execute returns it
  std::string remarks;  // the system's text for the exit code or error
};
Executed ExecuteInSystemDirectory(const std::string &commandLine, int minutes);

// The system's one-line message text for `code`, blanks trimmed, or "Unknown Error"; logged
// at ERROR with the code when it is non-zero, at INFO otherwise. A new text (free it).
char *GetSystemErrorText(uint32_t code);

}  // namespace ovr
