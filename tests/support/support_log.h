// A log in a private directory for the support tests, read back without line prefixes.
#pragma once

#include <corbel/log.h>

#include <string>

#include "tests/common/temp_dir.h"

namespace ovr::testing {

class CapturedLog {
 public:
  CapturedLog() {
    InitLog();
    SetLogConfig("support.log", dir_.path().c_str(), 0, nullptr, 3);
    OpenLogFile();
    InitMutex();
    skip_ = ReadFile(dir_ / "support.log").size();
  }
  ~CapturedLog() {
    CloseLogFile();
    ReleaseLogSettings();
  }
  // Everything logged since the last call.
  std::string Take() {
    std::string all = ReadFile(dir_ / "support.log");
    std::string fresh = all.substr(skip_);
    skip_ = all.size();
    return StripLogPrefixes(fresh);
  }

 private:
  TempDir dir_;
  size_t skip_ = 0;
};

}  // namespace ovr::testing
