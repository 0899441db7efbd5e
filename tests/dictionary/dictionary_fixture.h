// A test fixture with its own log (level 4, in a private directory) and an empty
// dictionary that is emptied again after each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include <corbel/dictionary.h>
#include <corbel/log.h>

#include "tests/common/temp_dir.h"

namespace corbel_test {

class DictionaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMutex();
    ASSERT_TRUE(InitLog());
    ASSERT_TRUE(SetLogConfig("dictionary.log", (dir_ / "logs").c_str(), 0, nullptr, 4));
    ASSERT_TRUE(OpenLogFile());
    InitDataDictionary();
  }

  void TearDown() override {
    DeInitDataDictionary();
    CloseLogFile();
    ReleaseLogSettings();
  }

  // The log so far, without the line prefixes.
  std::string Log() const {
    return ovr::testing::StripLogPrefixes(ovr::testing::ReadFile(dir_ / "logs/dictionary.log"));
  }

  // Names of the tables in the dictionary, in load order, joined by blanks.
  static std::string TableNames() {
    std::string names;
    for (VectorNode *node = ElementAt(GetTableDefnList(), 0); node != nullptr; node = node->next) {
      if (!names.empty()) names += ' ';
      names += static_cast<TableDefn *>(node->element)->name;
    }
    return names;
  }

  ovr::testing::TempDir dir_;
};

}  // namespace corbel_test
