// Values the run reads from the machine at start: the agent's settings and the system
// directory. No registry is read yet: the agent settings are unreadable.
#include "handler/run.h"

namespace ovr {

std::optional<std::string> ReadAgentSetting(const char *) {
  return std::nullopt;
}

std::string ReadSystemDirectory() {
  return {};
}

}  // namespace ovr
