// The framework root: data paths under it, and the log that opens in its "logs" directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <corbel/log.h>
#include <corbel/root.h>

#include "tests/common/temp_dir.h"

namespace {

TEST(CorbelRootTest, RootNamesDataPathsAndTheLogDirectory) {
  ovr::testing::TempDir dir;
  std::string root = dir / "root";
  InitMutex();
  ASSERT_TRUE(InitLog());
  ASSERT_TRUE(SetLogFileName("root.log"));
  SetLogLevel(4);
  {
    std::string caller = root;  // the root outlives the caller's text
    SetCorbelRoot(caller.c_str());
  }
  ASSERT_TRUE(OpenLogFile());  // no log directory: the root's "logs"
  SetCorbelRoot(nullptr);      // keeps the root
  ASSERT_STREQ(GetCorbelRoot(), root.c_str());
  char *path = ComposeRootDataPath("connparams.txt");
  EXPECT_EQ(std::string(path), root + "/data/connparams.txt");
  std::free(path);
  EXPECT_EQ(ComposeRootDataPath(nullptr), nullptr);
  CloseLogFile();
  ReleaseLogSettings();
  std::string log = ovr::testing::StripLogPrefixes(ovr::testing::ReadFile(root + "/logs/root.log"));
  EXPECT_NE(log.find("[DEBUG] Default Path Used"), std::string::npos) << log;
}

}  // namespace
