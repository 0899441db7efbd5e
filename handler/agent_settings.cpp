// Values the run reads from the machine at start: the agent's settings and the system
// directory.
#include "handler/run.h"

#include "platform/machine.h"
#include "support/registry.h"

namespace ovr {

namespace {
constexpr const char *kAgentKey = "Software\\Velmora\\Orvanta\\OVAgent";
constexpr size_t kSystemDirectoryLimit = 50;
}  // namespace

std::optional<std::string> ReadAgentSetting(const char *valueName) {
  std::optional<std::string> value;
  ReadRegSZ(RegRoot::LocalMachine, kAgentKey, valueName, value);
  return value;
}

std::string ReadSystemDirectory() {
  std::string directory = platform::SystemDirectory();
  // The run keeps the directory in a work area of 50 characters: a longer one stays empty.
  if (directory.size() >= kSystemDirectoryLimit) return {};
  return directory;
}

}  // namespace ovr
