// The running-process check as the agent meets it: product programs running before the
// run, the handler started at a chosen uptime, then which programs are still alive, the
// exit code, the log and the Fast Startup values in the registry afterwards.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/e2e/handler_scene.h"

namespace ovr::testing {
namespace {

constexpr int kPostponed = 20001 % 256;  // a Linux parent sees the exit status modulo 256

const std::string kAgentKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Velmora\\Orvanta\\OVAgent";
const std::string kAgent = "[" + kAgentKey + "]\n\"OVAgentInstallDir\"=\"C:\\\\Agent\"\n\n";
const std::string kAlwaysKill = "[" + kAgentKey + "\\Patch]\n\"alwaysKillApps\"=dword:00000001\n\n";
const std::string kSettingsKey = kAgentKey + "\\Settings";

bool Contains(const std::string &text, const std::string &part) {
  return text.find(part) != std::string::npos;
}

// The uptime the check logged ("the tick count is %d"), -1 when it logged none.
long long TickCount(const std::string &log) {
  const std::string label = "[INFO] the tick count is ";
  const size_t at = log.find(label);
  return at == std::string::npos ? -1 : std::stoll(log.substr(at + label.size()));
}

size_t Count(const std::string &text, const std::string &part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// notepad++ at several uptimes, timeouts and agent settings: terminated or left alone.
struct WindowCase {
  const char *name;
  long uptimeSeconds;
  std::vector<std::string> extraArgs;
  bool alwaysKill;
  bool terminated;
};

// Failure messages name the case rather than dumping the struct's bytes.
void PrintTo(const WindowCase &c, std::ostream *os) {
  *os << c.name;
}

class ForceKillWindow : public ::testing::TestWithParam<WindowCase> {};

TEST_P(ForceKillWindow, TerminatesOnlyInsideTheWindow) {
  const WindowCase &c = GetParam();
  HandlerScene scene;
  scene.SetRegistry(kAgent + (c.alwaysKill ? kAlwaysKill : ""));
  const size_t app = scene.AddProduct("notepad++.exe");
  std::vector<std::string> args = {"-n", "notepad++"};
  args.insert(args.end(), c.extraArgs.begin(), c.extraArgs.end());

  const HandlerScene::Outcome out = scene.Run(args, c.uptimeSeconds);

  EXPECT_EQ(out.alive.at(app), !c.terminated);
  EXPECT_EQ(out.exitCode, c.terminated ? 0 : kPostponed);
  const long long ticks = TickCount(out.log);
  EXPECT_GE(ticks, c.uptimeSeconds * 1000LL) << out.log;
  EXPECT_LT(ticks, (c.uptimeSeconds + 60) * 1000LL) << out.log;
  EXPECT_EQ(Contains(out.log, "[INFO] alwaysKillApps is set so we are setting the uptime as 1\n"),
            c.alwaysKill);
  if (c.terminated) {
    EXPECT_TRUE(Contains(out.log, "[INFO] This ia a startup event hence killing the products exe\n"
                                  "[INFO] @@@@@@@@@  Inside KillProcesses Method @@@@@@@@@@@\n"
                                  "[DEBUG] Process name to kill : notepad++.exe\n"
                                  "[DEBUG] App Killed......\n"
                                  "[INFO] @@@@@@@@@  End of KillProcesses Method @@@@@@@@@@@\n"
                                  "[INFO] Process killed successfully\n"))
        << out.log;
  } else {
    EXPECT_TRUE(Contains(out.log, "[INFO] Not a startup event hence not killing the product exe\n"));
    EXPECT_FALSE(Contains(out.log, "KillProcesses"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Uptimes, ForceKillWindow,
    ::testing::Values(
        WindowCase{"JustStarted", kJustStarted, {}, false, true},
        WindowCase{"TwoHoursUp", kTwoHoursUp, {}, false, false},
        WindowCase{"TwoHoursUpAlwaysKill", kTwoHoursUp, {}, true, true},
        WindowCase{"TenMinutesTimeoutFive", 600, {"-t", "5"}, false, false},
        WindowCase{"TenMinutesTimeoutTwenty", 600, {"-t", "20"}, false, true},
        WindowCase{"TwentyFiveMinutesTimeoutNinety", 1500, {"-t", "90"}, false, true},
        // 50 days: a 32-bit millisecond count would have wrapped to about 7 minutes.
        WindowCase{"FiftyDaysUp", 50L * 24 * 3600, {}, false, false}),
    [](const ::testing::TestParamInfo<WindowCase> &info) { return std::string(info.param.name); });

TEST(ProcessCheck, NothingRunningIsClearWithoutLookingAtTheClock) {
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  const HandlerScene::Outcome out = scene.Run({"-n", "notepad++"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_FALSE(Contains(out.log, "tick count")) << out.log;
}

TEST(ProcessCheck, TwoInstancesAreBothTerminated) {
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  const size_t first = scene.AddProduct("vlc.exe");
  const size_t second = scene.AddProduct("vlc.exe", {}, "second");
  const HandlerScene::Outcome out = scene.Run({"-n", "VLC"});
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_FALSE(out.alive.at(first));
  EXPECT_FALSE(out.alive.at(second));
  EXPECT_EQ(Count(out.log, "[DEBUG] App Killed......\n"), 2u) << out.log;
}

// The check matches the first 15 characters of a long name; the termination only exact names.
TEST(ProcessCheck, FifteenCharacterMatchAgainstExactTermination) {
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  const size_t lookalike = scene.AddProduct("MOZYENTERPRISECxyz.exe");

  HandlerScene::Outcome out = scene.Run({"-n", "mozypro"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, kPostponed) << "a 15-character match counts as running";
  EXPECT_TRUE(out.alive.at(lookalike));

  out = scene.Run({"-n", "mozypro"}, kJustStarted);
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_TRUE(out.alive.at(lookalike)) << "only processes named exactly like the product are terminated";
  EXPECT_TRUE(Contains(out.log, "[DEBUG] Process name to kill : MozyEnterpriseconf.exe\n"
                                "[INFO] @@@@@@@@@  End of KillProcesses Method @@@@@@@@@@@\n"))
      << out.log;
}

TEST(ProcessCheck, ShortNamesMustMatchWhole) {
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  const size_t longer = scene.AddProduct("vlc.exe.old");
  const HandlerScene::Outcome out = scene.Run({"-n", "vlc"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_TRUE(out.alive.at(longer));
}

// -f: a process counts only when its executable lies in the named directory; the
// termination then still hits every instance of the name.
TEST(ProcessCheck, DirectoryFilter) {
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  const size_t elsewhere = scene.AddProduct("winrar.exe", {}, "Other");

  HandlerScene::Outcome out = scene.Run({"-n", "winrar", "-f", scene.AppsDir() + "/Foo"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, 0) << out.log;
  EXPECT_TRUE(out.alive.at(elsewhere));
  EXPECT_TRUE(Contains(out.log, "[INFO] Module filename is: " + scene.AppsDir() + "/Other/winrar.exe \n"))
      << out.log;

  const size_t inside = scene.AddProduct("winrar.exe", {}, "Foo");
  out = scene.Run({"-n", "winrar", "-f", scene.AppsDir() + "/Foo"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, kPostponed);
  EXPECT_TRUE(out.alive.at(inside));

  out = scene.Run({"-n", "winrar", "-f", scene.AppsDir() + "/Foo"}, kJustStarted);
  EXPECT_EQ(out.exitCode, 0);
  EXPECT_FALSE(out.alive.at(inside));
  EXPECT_FALSE(out.alive.at(elsewhere)) << "the termination ignores the directory filter";
}

// A blocked run switches Fast Startup off when hibernation is enabled, and only then.
TEST(ProcessCheck, BlockedRunSwitchesFastStartupOff) {
  for (const bool hibernation : {true, false}) {
    SCOPED_TRACE(hibernation ? "hibernation on" : "hibernation off");
    HandlerScene scene;
    scene.SetRegistry(kAgent + (hibernation ? kHibernation : ""));
    scene.AddProduct("opera.exe");

    HandlerScene::Outcome out = scene.Run({"-n", "opera"}, kTwoHoursUp);
    EXPECT_EQ(out.exitCode, kPostponed);
    const RegText reg(out.registry);
    EXPECT_EQ(reg.Value(kHiberbootKey, "HiberbootEnabled"), hibernation ? "dword:00000000" : "");
    EXPECT_EQ(reg.Value(kSettingsKey, "ovDisabledFastStartup"), hibernation ? "dword:00000001" : "");
    EXPECT_EQ(Contains(out.log, "[INFO] !!! Fast Startup has been disabled\n"), hibernation);

    // A clear run leaves Fast Startup alone.
    out = scene.Run({"-n", "opera"}, kJustStarted);
    EXPECT_EQ(out.exitCode, 0);
    EXPECT_FALSE(Contains(out.log, "Fast Startup"));
  }
}

// openoffice: the first executable found blocking ends the rule; the second is not examined.
TEST(ProcessCheck, FirstBlockedExecutableEndsTheRule) {
  HandlerScene scene;
  scene.SetRegistry(kAgent);
  const size_t bin = scene.AddProduct("soffice.bin");
  const size_t exe = scene.AddProduct("soffice.exe");
  HandlerScene::Outcome out = scene.Run({"-n", "openoffice"}, kTwoHoursUp);
  EXPECT_EQ(out.exitCode, kPostponed);
  EXPECT_EQ(Count(out.log, "the tick count is"), 1u) << out.log;
  EXPECT_TRUE(out.alive.at(bin));
  EXPECT_TRUE(out.alive.at(exe));
}

}  // namespace
}  // namespace ovr::testing
