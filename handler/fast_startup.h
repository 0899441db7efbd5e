// Fast Startup switch-off: when a run ends blocked, a shutdown of the machine should be a
// full one, so the product's programs do not survive it.
#pragma once

namespace ovr::handler {

// Sets HiberbootEnabled to 0 when hibernation is enabled and marks for the agent that it
// did so (ovDisabledFastStartup = 1). Failures are logged by the registry helpers.
void DisableFastStartup();

}  // namespace ovr::handler
