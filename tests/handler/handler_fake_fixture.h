// The handler's steps on the platform double: a fresh fake machine, fresh run settings and
// a log in a private directory for every test, with the log read back without prefixes.
#pragma once

// Tests set up only the fields of the double's records that they need.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <gtest/gtest.h>

#include <corbel/log.h>

#include <string>

#include "handler/run_settings.h"
#include "platform/fake/fake.h"
#include "tests/common/temp_dir.h"

namespace ovr::testing {

class HandlerFakeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::fake::Reset();
    gv_runSettings = RunSettings{};
    gv_runSettings.productName = "notepad++";
    // The launcher really switches to it, so it must exist.
    gv_runSettings.systemDirectory = dir_.path().string();
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

  // Loads `body` (keys of HKEY_LOCAL_MACHINE) as the fake machine's registry.
  static void Registry(const std::string &body) {
    std::string problem;
    ASSERT_TRUE(platform::fake::LoadRegistry("Windows Registry Editor Version 5.00\n\n" + body, &problem))
        << problem;
  }

  TempDir dir_;
};

}  // namespace ovr::testing
