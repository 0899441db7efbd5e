// The handler's command line.
#pragma once

#include "handler/run_settings.h"

namespace ovr {

// Walks argv[1..argc-1] into `settings`, logging each option as it is taken. Words not
// starting with '-' and unknown option letters are skipped; an option that is the last word
// (no value follows) is ignored.
void ParseArguments(int argc, const char *const *argv, RunSettings &settings);

}  // namespace ovr
