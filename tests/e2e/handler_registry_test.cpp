// The handler's start against the registry file: the agent's settings read, a missing key
// or an unreadable file reported, the file left as it was.
#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/handler_fixture.h"

namespace {

using ovr::testing::HandlerTest;

const std::string kAgentKeyError =
    "[ERROR] ReadRegSZ: Error while opening registry key Software\\Velmora\\Orvanta\\OVAgent ,and "
    "the error is  2 \n";

TEST_F(HandlerTest, AgentKeyPresentReadsBothSettingsSilently) {
  auto r = Run({"-n", "notepad++"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(LinesBetweenOpenAndClose(), "[INFO] productName : notepad++\n");
  EXPECT_EQ(Registry(), kAgentRegistry);
}

TEST_F(HandlerTest, MissingAgentKeyLogsBothReadsAndEndsAsBefore) {
  struct Case {
    const char *what;
    std::string registry;  // empty: no file at all
  };
  const Case cases[] = {
      {"no file", ""},
      {"other keys only",
       "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"},
      // The agent's key in the 64-bit view only: a 32-bit program does not see it.
      {"64-bit view only",
       "Windows Registry Editor Version 5.00\n\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Velmora\\Orvanta\\OVAgent]\n\"OVAgentVersion\"=\"1\"\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(RegistryPath());
    if (!c.registry.empty()) WriteRegistry(c.registry);
    std::filesystem::remove_all(Root() / "logs");
    auto r = Run({"-n", "notepad++"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(LinesBetweenOpenAndClose(),
              kAgentKeyError + "[INFO] productName : notepad++\n" + kAgentKeyError);
    EXPECT_EQ(std::filesystem::exists(RegistryPath()), !c.registry.empty());
  }
}

TEST_F(HandlerTest, UnparsableRegistryFileIsReportedWithItsLineAndKept) {
  const std::string broken =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\X]\n\"v\"=hex:0g\n";
  WriteRegistry(broken);
  auto r = Run({"-n", "notepad++"});
  EXPECT_EQ(r.exitCode, 0);
  std::string lines = LinesBetweenOpenAndClose();
  EXPECT_NE(lines.find("[ERROR] ReadRegSZ: Error while opening registry key "
                       "Software\\Velmora\\Orvanta\\OVAgent ,and the error is  1009 \n"),
            std::string::npos)
      << lines;
  EXPECT_NE(lines.find("[ERROR] Registry store unusable: " + RegistryPath().string() +
                       ":4: bad hex byte \"0g\" \n"),
            std::string::npos)
      << lines;
  EXPECT_EQ(Registry(), broken);
}

}  // namespace
