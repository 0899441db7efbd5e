// The run settings: what the command line (and the start of the run) tell the product
// rules. Set once by the run, read by the rules.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ovr {

struct RunSettings {
  std::optional<std::string> productName;        // -n: key of the product rule; required
  std::optional<std::string> processName;        // -p: accepted and logged only
  std::optional<std::string> processRunningDir;  // -f: a running process must live here
  int forceKillTimeout = 15;                     // -t: minutes after system start, 5..30
  int clearAppDetection = 0;                     // -c: non-zero clears the App-detection record
  std::vector<std::string> listOfExe;            // -e: extra executables, in order given
  std::vector<std::string> uninstallSwitches;    // -s: switches for a registry uninstall string
  std::string RegKeyPath;                        // -k: Uninstall key holding the command
  std::string RegKeyValueName;                   // -k: value name of the command
  unsigned char gv_is32 = 0;                     // -x 32: the 32-bit edition is meant
  unsigned char gv_IsWow64 = 0;                  // -x other: the 64-bit edition is meant
  std::string systemDirectory;                   // working directory of launched programs
  std::optional<std::string> agentInstallDir;    // "OVAgentInstallDir", when readable
  std::optional<std::string> agentVersion;       // "OVAgentVersion", when readable
};

// The process's run settings.
extern RunSettings gv_runSettings;

}  // namespace ovr
