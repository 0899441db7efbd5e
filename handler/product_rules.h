// Product rules: for the product the agent names, which executables must not run, which
// older editions are removed first and which App-detection record is written or cleared.
#pragma once

namespace ovr::handler {

// What a rule decided. The run turns Blocked and InUse into the exit code 20001 after
// switching Fast Startup off; NothingToUninstall leaves the process as exit code 1.
enum class RuleOutcome {
  Clear = 0,               // the installation may go ahead
  NothingToUninstall = 1,  // rule DVDFab10 found neither of its uninstall entries
  Blocked = 2,             // an executable runs and may not be terminated now
  InUse = 32,              // rule PDFsamBasic: the product is in use
};

// The rule whose key equals `productName` without regard to ASCII case, in table order;
// the generic rule when none does. Runs it with the run settings.
RuleOutcome RunProductRule(const char *productName);

}  // namespace ovr::handler
