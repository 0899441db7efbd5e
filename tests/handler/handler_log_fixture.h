// A handler test with its own log: "ovravelin.log" in a private directory, opened before
// each test and closed after it, read back without line prefixes and the open line.
#pragma once

#include <gtest/gtest.h>

#include <corbel/log.h>

#include <string>

#include "tests/common/temp_dir.h"

namespace ovr::testing {

class HandlerLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitLog();
    SetLogConfig("ovravelin.log", dir_.path().c_str(), 100000, nullptr, 3);
    OpenLogFile();
    InitMutex();
  }
  void TearDown() override {
    CloseLogFile();
    ReleaseLogSettings();
  }

  // What was logged so far, without the line prefixes and the open line.
  std::string Log() const {
    const std::string body = StripLogPrefixes(ReadFile(dir_.path() / "ovravelin.log"));
    const size_t firstLineEnd = body.find('\n');
    return firstLineEnd == std::string::npos ? "" : body.substr(firstLineEnd + 1);
  }

  static bool Contains(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
  }

  TempDir dir_;
};

}  // namespace ovr::testing
