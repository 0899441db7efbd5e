// Fast Startup switch-off for a blocked run.
#include "handler/fast_startup.h"

#include <corbel/log.h>

#include "support/registry.h"

namespace ovr::handler {

void DisableFastStartup() {
  uint32_t hibernate = 0;
  ReadDwordRegistryData(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Power",
                        "HibernateEnabled", &hibernate);
  if (hibernate == 0) return;
  if (writeValueEx(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager\\Power",
                   "HiberbootEnabled", "0", REG_DWORD) == 0) {
    LogInfo("!!! Fast Startup has been disabled\n");
  }
  // The agent's marker is written even when the switch-off failed.
  writeValue(HKEY_LOCAL_MACHINE, "Software\\Velmora\\Orvanta\\OVAgent\\Settings",
             "ovDisabledFastStartup", "1", REG_DWORD);
}

}  // namespace ovr::handler
