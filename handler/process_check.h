// Running-process check: whether a product's executable runs, and its forced termination
// within the window after system start (or always, when the agent asks for it).
#pragma once

#include <cstdint>

namespace ovr {

// The id of the first process whose image name matches `exeName` (case-insensitive over at
// most the first 15 characters), other than this process, and whose executable path holds
// the run's processRunningDir when one is set; 0 when none does.
uint32_t IsProcessRunning(const char *exeName);

// 1 (clear) when nothing of that name runs or it has just been terminated inside the
// force-kill window; 0 (blocked) when it runs and may not be terminated now.
int CheckRunningProcess(const char *exeName);

// Terminates every process whose image name equals `exeName` (whole name, any case); true
// when at least one was found.
bool KillProcesses(const char *exeName);

}  // namespace ovr
