// Fast Startup switch-off for a blocked run.
#include "handler/run.h"

#include <corbel/log.h>

#include "platform/registry.h"
#include "support/registry.h"

namespace ovr {

void DisableFastStartup() {
  uint32_t hibernate = 0;
  ReadDwordRegistryData(platform::RegRoot::LocalMachine, "System\\CurrentControlSet\\Control\\Power",
                        "HibernateEnabled", hibernate);
  if (hibernate == 0) return;
  if (writeValueEx(platform::RegRoot::LocalMachine, "System\\CurrentControlSet\\Control\\Session Manager\\Power",
                   "HiberbootEnabled", "0", platform::kRegDword) == 0) {
    LogInfo("!!! Fast Startup has been disabled\n");
  }
  // The agent's marker is written even when the switch-off failed.
  writeValue(platform::RegRoot::LocalMachine, "Software\\Velmora\\Orvanta\\OVAgent\\Settings",
             "ovDisabledFastStartup", "1", platform::kRegDword);
}

}  // namespace ovr
