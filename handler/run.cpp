// The handler's run. Everything happens on the one thread, top to bottom, once.
#include "handler/run.h"

#include <string>

#include <corbel/log.h>

#include "handler/options.h"
#include "platform/system.h"

namespace ovr {

namespace {

// Opens "ovravelin.log" in the current directory's "../logs". Without a readable current
// directory the run goes on without a log.
void InitHandlerLog() {
  std::string directory;
  if (!sys::CurrentDirectory(directory)) {
    LogInfo("Create dir failed : %d \n", 0);
    InitMutex();
    return;
  }
  const char sep = sys::PathSeparator();
  directory += sep;
  directory += "..";
  directory += sep;
  directory += "logs";
  sys::MakeDirectory(directory.c_str());
  InitLog();
  SetLogConfig("ovravelin.log", directory.c_str(), 100000, nullptr, 3);
  OpenLogFile();
  InitMutex();
}

int ExitCodeFor(RuleOutcome outcome) {
  switch (outcome) {
    case RuleOutcome::Clear:
      return kExitProceed;
    case RuleOutcome::NothingToUninstall:
      return kExitNothingToUninstall;
    case RuleOutcome::Blocked:
    case RuleOutcome::InUse:
      return kExitPostpone;
  }
  return kExitProceed;
}

}  // namespace

int RunHandler(int argc, const char *const *argv) {
  RunSettings &settings = gv_runSettings;
  InitHandlerLog();
  settings.agentInstallDir = ReadAgentSetting("OVAgentInstallDir");
  settings.listOfExe.clear();
  settings.uninstallSwitches.clear();
  ParseArguments(argc, argv, settings);
  if (!settings.productName) {
    LogInfo("product name is null\n");
    return kExitProceed;
  }
  settings.systemDirectory = ReadSystemDirectory();
  settings.agentVersion = ReadAgentSetting("OVAgentVersion");
  RuleOutcome outcome = DispatchProduct(settings);
  if (outcome == RuleOutcome::Blocked || outcome == RuleOutcome::InUse) DisableFastStartup();
  int exitCode = ExitCodeFor(outcome);
  CloseLogFile();
  ReleaseLogSettings();
  return exitCode;
}

}  // namespace ovr
