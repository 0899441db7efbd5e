// Set-up shared by the SQL and store tests: a log at TRACE level in a temporary directory
// (so tests can read the messages) and the pool system.
#pragma once

#include <corbel/log.h>
#include <corbel/mempool.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace corbel::testing {

// Log and pools up for one test; down afterwards.
class PoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char &c : name) {
      if (c == '/') c = '_';
    }
    dir_ = std::filesystem::temp_directory_path() /
           ("corbel-sql-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::create_directories(dir_);
    InitMutex();
    ASSERT_TRUE(InitLog());
    ASSERT_TRUE(SetLogConfig("sql.log", dir_.c_str(), 0, nullptr, 4));
    ASSERT_TRUE(OpenLogFile());
    ASSERT_TRUE(InitializeMemPool());
  }

  void TearDown() override {
    ShutdownMemPool();
    CloseLogFile();
    ReleaseLogSettings();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  // Everything logged so far.
  std::string LogText() const {
    std::ifstream in(dir_ / "sql.log");
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  std::filesystem::path dir_;
};

}  // namespace corbel::testing
