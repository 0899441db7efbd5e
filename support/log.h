// The log file: settings, opening and closing, level lines (declared in <corbel/log.h>),
// plus what the framework's start-up tells the log.
#pragma once

#include <corbel/log.h>

namespace ovr::log {

// The framework root directory: with no log directory set, the log opens in
// "<root>/logs". nullptr forgets the root. False when memory runs out.
bool SetFrameworkRoot(const char *root);

}  // namespace ovr::log
