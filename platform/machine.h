// Facts about the machine the handler runs on.
#pragma once

#include <cstdint>
#include <string>

namespace ovr::platform {

// Milliseconds since the system started, 64-bit (never wraps).
uint64_t UptimeMilliseconds();

// The system directory (where the system's own programs live): the working directory of
// every program the handler launches. Never empty.
std::string SystemDirectory();

}  // namespace ovr::platform
