// The handler's steps on the platform double: a fresh fake machine, fresh run settings and
// a log of its own for every test.
#pragma once

// Tests set up only the fields of the double's records that they need.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <gtest/gtest.h>

#include <string>

#include "handler/run_settings.h"
#include "platform/fake/fake.h"
#include "tests/handler/handler_log_fixture.h"

namespace ovr::testing {

class HandlerFakeTest : public HandlerLogTest {
 protected:
  void SetUp() override {
    platform::fake::Reset();
    gv_runSettings = RunSettings{};
    gv_runSettings.productName = "notepad++";
    // The launcher really switches to it, so it must exist.
    gv_runSettings.systemDirectory = dir_.path().string();
    HandlerLogTest::SetUp();
  }

  // Loads `body` (keys of HKEY_LOCAL_MACHINE) as the fake machine's registry.
  static void Registry(const std::string &body) {
    std::string problem;
    ASSERT_TRUE(platform::fake::LoadRegistry("Windows Registry Editor Version 5.00\n\n" + body, &problem))
        << problem;
  }
};

}  // namespace ovr::testing
