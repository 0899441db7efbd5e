// The handler's run: from the command line to the exit code.
#pragma once

#include <optional>
#include <string>

#include "handler/run_settings.h"

namespace ovr {

// Exit codes the agent acts on.
constexpr int kExitProceed = 0;             // nothing blocks the installation
constexpr int kExitNothingToUninstall = 1;  // one rule found no quiet uninstall command
constexpr int kExitPostpone = 20001;        // the product is busy: try again later

// What a product rule found.
enum class RuleOutcome {
  Clear,               // nothing blocks: proceed
  Blocked,             // an executable runs and may not be killed now
  InUse,               // the product reports itself in use
  NothingToUninstall,  // no quiet uninstall command where one was needed
};

// The run, top to bottom: log, settings, options, the product's rule, exit code.
int RunHandler(int argc, const char *const *argv);

// ---- steps the run calls, each in a unit of its own ----

// Selects the rule for settings.productName and runs it (product_rules.cpp).
RuleOutcome DispatchProduct(RunSettings &settings);

// Switches Windows Fast Startup off when hibernation is on (fast_startup.cpp).
void DisableFastStartup();

// An agent setting (a REG_SZ under the agent's key); nullopt when unreadable
// (agent_settings.cpp).
std::optional<std::string> ReadAgentSetting(const char *valueName);

// The system directory, at most 50 characters; empty when longer or unknown
// (agent_settings.cpp).
std::string ReadSystemDirectory();

}  // namespace ovr
