// The Linux backend's open process.
#pragma once

#include <cstdint>
#include <sys/types.h>
#include <sys/wait.h>

#include "platform/process.h"

namespace ovr::platform {

inline constexpr uint32_t kErrorPartialCopy = 299;  // a module path that cannot be read

struct ProcessHandleData {
  pid_t pid = 0;
  int pidfd = -1;       // -1 where the kernel has no process descriptors
  bool child = false;   // started by LaunchProcess: its status is ours to collect
  bool reaped = false;  // the child's status was collected
  uint32_t exitCode = 0;
  bool terminated = false;
  uint32_t terminatedWith = 0;

  // Records a collected status: the exit status, or for a killed child the code it was
  // terminated with (128 + the signal when something else killed it).
  void Reaped(int status) {
    reaped = true;
    if (WIFEXITED(status)) {
      exitCode = static_cast<uint32_t>(WEXITSTATUS(status));
    } else if (terminated) {
      exitCode = terminatedWith;
    } else {
      exitCode = 128u + static_cast<uint32_t>(WTERMSIG(status));
    }
  }
};

}  // namespace ovr::platform
