#include "platform/machine.h"

#include <ctime>

namespace ovr::platform {

uint64_t UptimeMilliseconds() {
  // CLOCK_BOOTTIME keeps counting while the machine sleeps, as the system's tick count does.
  timespec ts{};
  ::clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

std::string SystemDirectory() { return "/usr/bin"; }

}  // namespace ovr::platform
