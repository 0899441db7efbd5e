// ParseArguments: each case is the expected settings as a change to the defaults; every
// field is compared, so an option that disturbs another field fails too.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "handler/options.h"

namespace {

using ovr::RunSettings;

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void ExpectSameSettings(const RunSettings &got, const RunSettings &want) {
  EXPECT_EQ(got.productName, want.productName);
  EXPECT_EQ(got.processName, want.processName);
  EXPECT_EQ(got.processRunningDir, want.processRunningDir);
  EXPECT_EQ(got.forceKillTimeout, want.forceKillTimeout);
  EXPECT_EQ(got.clearAppDetection, want.clearAppDetection);
  EXPECT_EQ(got.listOfExe, want.listOfExe);
  EXPECT_EQ(got.uninstallSwitches, want.uninstallSwitches);
  EXPECT_EQ(got.RegKeyPath, want.RegKeyPath);
  EXPECT_EQ(got.RegKeyValueName, want.RegKeyValueName);
  EXPECT_EQ(got.gv_is32, want.gv_is32);
  EXPECT_EQ(got.gv_IsWow64, want.gv_IsWow64);
}

struct Case {
  std::vector<std::string> args;  // without the program name
  std::function<void(RunSettings &)> expect;
};

TEST(ParseArguments, OptionsSetTheirSettings) {
  const Case cases[] = {
      {{}, [](RunSettings &) {}},
      {{"-n", "notepad++"}, [](RunSettings &s) { s.productName = "notepad++"; }},
      {{"-nfoo", "notepad++"}, [](RunSettings &s) { s.productName = "notepad++"; }},
      {{"-n", "a", "-name", "b"}, [](RunSettings &s) { s.productName = "b"; }},
      {{"-p", "proc.exe", "-f", "C:\\Apps"},
       [](RunSettings &s) {
         s.processName = "proc.exe";
         s.processRunningDir = "C:\\Apps";
       }},
      // -t: atoi's prefix, below 1 keeps the current value, then 5..30.
      {{"-t", "0"}, [](RunSettings &) {}},
      {{"-t", "abc"}, [](RunSettings &) {}},
      {{"-t", "-7"}, [](RunSettings &) {}},
      {{"-t", "2"}, [](RunSettings &s) { s.forceKillTimeout = 5; }},
      {{"-t", "99"}, [](RunSettings &s) { s.forceKillTimeout = 30; }},
      {{"-t", "99999999999999"}, [](RunSettings &s) { s.forceKillTimeout = 30; }},
      {{"-t", "20min"}, [](RunSettings &s) { s.forceKillTimeout = 20; }},
      {{"-t", "20", "-t", "0"}, [](RunSettings &s) { s.forceKillTimeout = 20; }},
      // -x: 32 is the 32-bit edition, anything else the 64-bit one; both may end up set.
      {{"-x", "32"}, [](RunSettings &s) { s.gv_is32 = 1; }},
      {{"-x", "64"}, [](RunSettings &s) { s.gv_IsWow64 = 1; }},
      {{"-x", "abc"}, [](RunSettings &s) { s.gv_IsWow64 = 1; }},
      {{"-x", "32", "-x", "64"},
       [](RunSettings &s) {
         s.gv_is32 = 1;
         s.gv_IsWow64 = 1;
       }},
      // -c: strict integer, garbage is -1 (set).
      {{"-c", "0"}, [](RunSettings &) {}},
      {{"-c", "abc"}, [](RunSettings &s) { s.clearAppDetection = -1; }},
      {{"-c", "+3"}, [](RunSettings &s) { s.clearAppDetection = 3; }},
      // -k: split at the last backslash.
      {{"-k", "MyApp_is1\\UninstallString"},
       [](RunSettings &s) {
         s.RegKeyPath = kUninstall + "MyApp_is1";
         s.RegKeyValueName = "UninstallString";
       }},
      {{"-k", "Vendor\\MyApp\\QuietUninstallString"},
       [](RunSettings &s) {
         s.RegKeyPath = kUninstall + "Vendor\\MyApp";
         s.RegKeyValueName = "QuietUninstallString";
       }},
      {{"-k", "MyApp"},
       [](RunSettings &s) {
         s.RegKeyPath = kUninstall + "MyApp";
         s.RegKeyValueName = "MyApp";
       }},
      {{"-k", "\\"},
       [](RunSettings &s) {
         s.RegKeyPath = kUninstall;
         s.RegKeyValueName = "";
       }},
      // -e and -s append in order.
      {{"-e", "a.exe", "-s", "/S", "-e", "b.exe", "-s", "/norestart"},
       [](RunSettings &s) {
         s.listOfExe = {"a.exe", "b.exe"};
         s.uninstallSwitches = {"/S", "/norestart"};
       }},
      // An option's value is taken whatever it looks like.
      {{"-n", "-t"}, [](RunSettings &s) { s.productName = "-t"; }},
      // Words that are not options, unknown letters and a lone "-" are skipped by themselves.
      {{"stray", "-z", "-n", "x", "", "-"}, [](RunSettings &s) { s.productName = "x"; }},
      {{"-z", "value", "-n", "x"}, [](RunSettings &s) { s.productName = "x"; }},
      // An option as the last word has no value and is ignored.
      {{"-n"}, [](RunSettings &) {}},
      {{"-n", "x", "-t"}, [](RunSettings &s) { s.productName = "x"; }},
  };
  for (const Case &c : cases) {
    std::vector<const char *> argv{"ovravelin"};
    std::string shown;
    for (const auto &a : c.args) {
      argv.push_back(a.c_str());
      shown += " [" + a + "]";
    }
    SCOPED_TRACE("arguments:" + shown);
    RunSettings got;
    ovr::ParseArguments(static_cast<int>(argv.size()), argv.data(), got);
    RunSettings want;
    c.expect(want);
    ExpectSameSettings(got, want);
  }
}

TEST(ParseArguments, ANullArgumentEndsTheWalkWithoutHarm) {
  // argv as the C runtime hands it over: argv[argc] is NULL; a caller may pass a shorter argc.
  const char *argv[] = {"ovravelin", "-n", "x", "-e", nullptr};
  RunSettings got;
  ovr::ParseArguments(5, argv, got);
  EXPECT_EQ(got.productName, "x");
  EXPECT_TRUE(got.listOfExe.empty());
}

}  // namespace
